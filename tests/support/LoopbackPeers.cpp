// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackPeers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct LoopbackAddress {
    sockaddr_storage Storage{};
    socklen_t Length = 0;
    sockaddr* Get() { return reinterpret_cast<sockaddr*>(&Storage); }
};

int Domain(LoopbackFamily family)
{
    return family == LoopbackFamily::IPv6 ? AF_INET6 : AF_INET;
}

LoopbackAddress Loopback(std::uint16_t port, LoopbackFamily family = LoopbackFamily::IPv4)
{
    LoopbackAddress address;
    if (family == LoopbackFamily::IPv6) {
        auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&address.Storage);
        ipv6->sin6_family = AF_INET6;
        ipv6->sin6_addr = in6addr_loopback;
        ipv6->sin6_port = htons(port);
        address.Length = sizeof *ipv6;
    } else {
        auto* ipv4 = reinterpret_cast<sockaddr_in*>(&address.Storage);
        ipv4->sin_family = AF_INET;
        ipv4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ipv4->sin_port = htons(port);
        address.Length = sizeof *ipv4;
    }
    return address;
}

std::uint16_t BindLoopback(int handle, LoopbackFamily family = LoopbackFamily::IPv4, std::uint16_t port = 0)
{
    LoopbackAddress address = Loopback(port, family);
    socklen_t length = address.Length;
    if (bind(handle, address.Get(), address.Length) != 0 || getsockname(handle, address.Get(), &length) != 0)
        return 0;
    return ntohs(family == LoopbackFamily::IPv6 ? reinterpret_cast<sockaddr_in6*>(&address.Storage)->sin6_port
                                                : reinterpret_cast<sockaddr_in*>(&address.Storage)->sin_port);
}

} // namespace

RefusingPort::RefusingPort(LoopbackFamily family, std::uint16_t port)
    : FHandle(socket(Domain(family), SOCK_STREAM | SOCK_CLOEXEC, 0)), FPort(BindLoopback(FHandle, family, port))
{
}

RefusingPort::~RefusingPort()
{
    ::close(FHandle);
}

FullBacklogListener::FullBacklogListener(LoopbackFamily family, std::uint16_t port)
{
    FListener = socket(Domain(family), SOCK_STREAM | SOCK_CLOEXEC, 0);
    FPort = BindLoopback(FListener, family, port);
    if (FPort == 0 || listen(FListener, 0) != 0)
        return;
    LoopbackAddress address = Loopback(FPort, family);
    // Connect until one attempt stays pending: then the queue is full.
    for (int attempt = 0; attempt < 16 && !FFull; ++attempt) {
        const int client = socket(Domain(family), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        FFillers.push_back(client);
        connect(client, address.Get(), address.Length);
        pollfd done{client, POLLOUT, 0};
        FFull = poll(&done, 1, 300) == 0;
    }
}

FullBacklogListener::~FullBacklogListener()
{
    for (int client : FFillers)
        ::close(client);
    ::close(FListener);
}

AnsweringListener::AnsweringListener(LoopbackFamily family, std::uint16_t port)
    : FHandle(socket(Domain(family), SOCK_STREAM | SOCK_CLOEXEC, 0)), FPort(BindLoopback(FHandle, family, port))
{
    if (FPort != 0 && listen(FHandle, 16) != 0)
        FPort = 0;
}

AnsweringListener::~AnsweringListener()
{
    ::close(FHandle);
}

int ConnectLoopback(std::uint16_t port)
{
    const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    LoopbackAddress address = Loopback(port);
    if (connect(handle, address.Get(), address.Length) != 0) {
        ::close(handle);
        return -1;
    }
    return handle;
}
