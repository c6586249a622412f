// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/InternetAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

std::optional<std::uint32_t> Ipv4Address(const std::string& text)
{
    const in_addr_t address = inet_addr(text.c_str());
    if (address == INADDR_NONE)
        return std::nullopt;
    return address;
}

std::uint32_t Ipv4Loopback()
{
    return htonl(INADDR_LOOPBACK);
}

std::uint32_t Ipv4Any()
{
    return htonl(INADDR_ANY);
}

std::uint16_t NetworkPort(std::uint16_t port)
{
    return htons(port);
}

bool IsIpv6Address(const std::string& text)
{
    in6_addr address{};
    return inet_pton(AF_INET6, text.c_str(), &address) == 1;
}
