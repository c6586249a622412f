// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NameLookup.h"

#include "platform/WinsockErrors.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

// State shared with the worker thread, which may outlive the lookup object.
struct TNameLookup::TShared {
    int WakeHandle = -1;
    std::mutex Lock;
    std::vector<TNetAddress> Addresses;
    int Error = 0;

    ~TShared()
    {
        if (WakeHandle >= 0)
            ::close(WakeHandle);
    }
};

namespace {

// RFC 1035 section 2.3.4: a name is at most 255 octets.
constexpr std::size_t MaxNameLength = 255;

// RFC 6761 section 6.4: names under "invalid" never exist, and lookup libraries
// should answer so at once instead of asking a name server.
bool IsReservedInvalidName(std::string name)
{
    while (!name.empty() && name.back() == '.')
        name.pop_back();
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string suffix = ".invalid";
    return name == "invalid"
        || (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0);
}

struct TOverrides {
    std::mutex Lock;
    std::map<std::string, std::vector<TNetAddress>> Answers;
};

TOverrides& Overrides()
{
    static TOverrides overrides;
    return overrides;
}

bool Overridden(const std::string& name, std::vector<TNetAddress>& addresses)
{
    TOverrides& overrides = Overrides();
    const std::lock_guard<std::mutex> guard(overrides.Lock);
    const auto found = overrides.Answers.find(name);
    if (found == overrides.Answers.end())
        return false;
    addresses = found->second;
    return true;
}

std::optional<TNetAddress> AddressOf(const addrinfo& entry)
{
    TNetAddress address;
    if (entry.ai_family == AF_INET) {
        std::memcpy(address.Bytes.data(), &reinterpret_cast<const sockaddr_in*>(entry.ai_addr)->sin_addr, 4);
        return address;
    }
    if (entry.ai_family == AF_INET6) {
        address.Family = TNetAddress::TFamily::IPv6;
        std::memcpy(address.Bytes.data(), &reinterpret_cast<const sockaddr_in6*>(entry.ai_addr)->sin6_addr, 16);
        return address;
    }
    return std::nullopt;
}

// The resolver's order (RFC 6724) within each family, the families taking turns from
// IPv6, so that a family that does not work costs one delay, not one per address.
std::vector<TNetAddress> Interleaved(const std::vector<TNetAddress>& sorted)
{
    std::vector<TNetAddress> ipv6, ipv4, result;
    for (const TNetAddress& address : sorted)
        (address.IsIpv6() ? ipv6 : ipv4).push_back(address);
    for (std::size_t i = 0; i < std::max(ipv6.size(), ipv4.size()); ++i) {
        if (i < ipv6.size())
            result.push_back(ipv6[i]);
        if (i < ipv4.size())
            result.push_back(ipv4[i]);
    }
    return result;
}

void Resolve(const std::string& name, std::vector<TNetAddress>& addresses, int& error)
{
    if (Overridden(name, addresses)) {
        error = addresses.empty() ? wsa::HostNotFound : 0;
        return;
    }
    if (IsReservedInvalidName(name)) {
        error = wsa::HostNotFound;
        return;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = getaddrinfo(name.c_str(), nullptr, &hints, &found);
    error = WsaErrorFromLookup(result, errno);
    if (result != 0)
        return;
    std::vector<TNetAddress> sorted;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next)
        if (const auto address = AddressOf(*entry);
            address && std::find(sorted.begin(), sorted.end(), *address) == sorted.end())
            sorted.push_back(*address);
    freeaddrinfo(found);
    addresses = Interleaved(sorted);
    if (addresses.empty())
        error = wsa::HostNotFound;
}

} // namespace

TNameLookup::TNameLookup(TDone done) : FDone(std::move(done))
{
}

TNameLookup::~TNameLookup() = default;

// The notifier is deleted later because this may run inside its activation.
void TNameLookup::Abandon()
{
    if (FNotifier) {
        FNotifier->setEnabled(false);
        FNotifier->deleteLater();
        FNotifier = nullptr;
    }
    FShared.reset();
}

bool TNameLookup::Start(const std::string& name)
{
    Abandon();
    if (name.empty() || name.size() > MaxNameLength || name.find('\0') != std::string::npos) {
        WsaSetLastError(wsa::InvalidArgument);
        return false;
    }
    auto shared = std::make_shared<TShared>();
    shared->WakeHandle = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (shared->WakeHandle < 0) {
        WsaSetLastError(WsaErrorFromErrno(errno));
        return false;
    }
    try {
        std::thread([shared, name] {
            std::vector<TNetAddress> addresses;
            int error = 0;
            Resolve(name, addresses, error);
            {
                std::lock_guard<std::mutex> guard(shared->Lock);
                shared->Addresses = std::move(addresses);
                shared->Error = error;
            }
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = ::write(shared->WakeHandle, &one, sizeof one);
        }).detach();
    } catch (const std::system_error&) {
        WsaSetLastError(wsa::NoBuffers);
        return false;
    }
    FShared = shared;
    FNotifier = new QSocketNotifier(shared->WakeHandle, QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] { Finish(); });
    return true;
}

int TNameLookup::WakeHandle() const
{
    return FShared ? FShared->WakeHandle : -1;
}

void TNameLookup::Finish()
{
    std::vector<TNetAddress> addresses;
    int error;
    {
        std::lock_guard<std::mutex> guard(FShared->Lock);
        addresses = std::move(FShared->Addresses);
        error = FShared->Error;
    }
    Abandon();
    if (FDone)
        FDone(addresses, error);
}

void OverrideNameLookup(const std::string& name, std::vector<TNetAddress> addresses)
{
    TOverrides& overrides = Overrides();
    const std::lock_guard<std::mutex> guard(overrides.Lock);
    if (addresses.empty())
        overrides.Answers.erase(name);
    else
        overrides.Answers[name] = std::move(addresses);
}
