#include "LoopbackPeers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in Loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

std::uint16_t BindLoopback(int handle)
{
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

} // namespace

RefusingPort::RefusingPort() : FHandle(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)), FPort(BindLoopback(FHandle)) {}

RefusingPort::~RefusingPort() { ::close(FHandle); }

FullBacklogListener::FullBacklogListener()
{
    FListener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    FPort = BindLoopback(FListener);
    if (FPort == 0 || listen(FListener, 0) != 0)
        return;
    const sockaddr_in address = Loopback(FPort);
    // Connect until one attempt stays pending: then the queue is full.
    for (int attempt = 0; attempt < 16 && !FFull; ++attempt) {
        const int client = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        FFillers.push_back(client);
        connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address);
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

int ConnectLoopback(std::uint16_t port)
{
    const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(port);
    if (connect(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(handle);
        return -1;
    }
    return handle;
}
