// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NetAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

TNetAddress TNetAddress::FromIpv4(std::uint32_t networkOrder)
{
    TNetAddress address;
    std::memcpy(address.Bytes.data(), &networkOrder, sizeof networkOrder);
    return address;
}

bool TNetAddress::IsUnspecified() const
{
    const std::size_t length = IsIpv6() ? 16 : 4;
    for (std::size_t i = 0; i < length; ++i)
        if (Bytes[i] != 0)
            return false;
    return true;
}

std::string TNetAddress::Text() const
{
    char text[INET6_ADDRSTRLEN] = {};
    if (!inet_ntop(IsIpv6() ? AF_INET6 : AF_INET, Bytes.data(), text, sizeof text))
        return {};
    return text;
}

std::optional<TNetAddress> ParseAddressLiteral(const std::string& text)
{
    const in_addr_t ipv4 = inet_addr(text.c_str());
    if (ipv4 != INADDR_NONE)
        return TNetAddress::FromIpv4(ipv4);
    std::string bare = text;
    if (bare.size() > 2 && bare.front() == '[' && bare.back() == ']')
        bare = bare.substr(1, bare.size() - 2);
    TNetAddress ipv6;
    ipv6.Family = TNetAddress::TFamily::IPv6;
    if (inet_pton(AF_INET6, bare.c_str(), ipv6.Bytes.data()) != 1)
        return std::nullopt;
    return ipv6;
}
