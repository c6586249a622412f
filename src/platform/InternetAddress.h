// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <optional>
#include <string>

// Internet addresses and ports in the form the socket calls take them (network byte order).

// A dotted IPv4 address as the socket library reads one; nothing for any other text (and
// for 255.255.255.255, which the library cannot tell from a failure).
std::optional<std::uint32_t> Ipv4Address(const std::string& text);
std::uint32_t Ipv4Loopback();
std::uint32_t Ipv4Any();
std::uint16_t NetworkPort(std::uint16_t port);
// The text is an IPv6 address (RFC 4291 section 2.2).
bool IsIpv6Address(const std::string& text);
