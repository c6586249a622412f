// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SocketLibrary.h"

#include <algorithm>
#include <sys/resource.h>

int WinsockUsers = 0;

namespace {

unsigned MaxSockets()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 65535;
    return static_cast<unsigned>(std::min<rlim_t>(limit.rlim_cur, 65535));
}

} // namespace

std::vector<std::string> StartSocketLibrary()
{
    if (++WinsockUsers != 1)
        return {};
    // The largest UDP payload over IPv4: 65,535 minus the IP and UDP headers.
    return {"Version= 1.1",
            "High Version= 1.1",
            "Description= POSIX sockets (non-blocking IPv4, Qt event loop)",
            "System= Running",
            "Max Sockets= " + std::to_string(MaxSockets()),
            "Max Udp pack size= 65507"};
}

void StopSocketLibrary()
{
    if (WinsockUsers > 0)
        --WinsockUsers;
}
