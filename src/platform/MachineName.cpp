// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MachineName.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

struct TAnswer {
    std::mutex Lock;
    bool Ready = false;
    std::string Name;
};

// A domain name of letters, digits and hyphens in at least two labels, none of them
// the local names every machine has.
bool IsQualifiedName(const std::string& name)
{
    const auto allowed = [](unsigned char c) { return std::isalnum(c) || c == '-' || c == '.'; };
    return name.find('.') != std::string::npos && name.front() != '.' && name.back() != '.'
        && std::all_of(name.begin(), name.end(), allowed) && name.rfind("localhost", 0) != 0
        && !std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c) || c == '.'; });
}

std::string LookUpDomainName()
{
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof host - 1) != 0 || host[0] == '\0')
        return {};
    if (IsQualifiedName(host))
        return host;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0)
        return {};
    std::string canonical = found->ai_canonname ? found->ai_canonname : "";
    freeaddrinfo(found);
    return IsQualifiedName(canonical) ? canonical : std::string();
}

} // namespace

// The resolver may take seconds where no name server answers; the thread may outlive
// every caller, so the answer is shared with it.
std::string MachineDomainName()
{
    static const std::shared_ptr<TAnswer> answer = [] {
        auto shared = std::make_shared<TAnswer>();
        std::thread([shared] {
            std::string name = LookUpDomainName();
            const std::lock_guard<std::mutex> guard(shared->Lock);
            shared->Name = std::move(name);
            shared->Ready = true;
        }).detach();
        return shared;
    }();
    const std::lock_guard<std::mutex> guard(answer->Lock);
    return answer->Ready ? answer->Name : std::string();
}
