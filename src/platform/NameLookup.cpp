#include "platform/NameLookup.h"

#include "platform/WinsockErrors.h"

#include <QSocketNotifier>

#include <cctype>
#include <cerrno>
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
    std::uint32_t Address = 0;
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
    return name == "invalid" ||
           (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0);
}

void Resolve(const std::string& name, std::uint32_t& address, int& error)
{
    if (IsReservedInvalidName(name)) {
        error = wsa::HostNotFound;
        return;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = getaddrinfo(name.c_str(), nullptr, &hints, &found);
    error = WsaErrorFromLookup(result, errno);
    if (result == 0) {
        address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
        freeaddrinfo(found);
    }
}

} // namespace

TNameLookup::TNameLookup(TDone done) : FDone(std::move(done)) {}

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
            std::uint32_t address = 0;
            int error = 0;
            Resolve(name, address, error);
            {
                std::lock_guard<std::mutex> guard(shared->Lock);
                shared->Address = address;
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

int TNameLookup::WakeHandle() const { return FShared ? FShared->WakeHandle : -1; }

void TNameLookup::Finish()
{
    std::uint32_t address;
    int error;
    {
        std::lock_guard<std::mutex> guard(FShared->Lock);
        address = FShared->Address;
        error = FShared->Error;
    }
    Abandon();
    if (FDone)
        FDone(address, error);
}
