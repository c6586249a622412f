// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

// An IPv4 or IPv6 address, as the socket layer connects to it.
struct TNetAddress {
    enum class TFamily { IPv4, IPv6 };

    TFamily Family = TFamily::IPv4;
    // Network byte order; IPv4 uses the first four bytes.
    std::array<std::uint8_t, 16> Bytes{};

    static TNetAddress FromIpv4(std::uint32_t networkOrder);
    bool IsIpv6() const { return Family == TFamily::IPv6; }
    // Whether every byte is zero ("0.0.0.0", "::"): no host can be reached there.
    bool IsUnspecified() const;
    // Dotted IPv4 or RFC 5952 IPv6 text, without brackets.
    std::string Text() const;
    bool operator==(const TNetAddress&) const = default;
};

// The address a host field names literally: dotted IPv4 (as inet_addr reads it), or
// IPv6 with or without the brackets of a URL ("::1", "[2001:db8::1]").
std::optional<TNetAddress> ParseAddressLiteral(const std::string& text);
