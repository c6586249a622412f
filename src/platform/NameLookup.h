#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QObject>

class QSocketNotifier;

// Looks up the first IPv4 address of a host name on a worker thread and reports
// the outcome on the thread that started it, while that thread dispatches events.
// Destroying the lookup drops a result that has not been reported yet.
class TNameLookup : public QObject {
public:
    // address in network byte order; error a Windows Sockets number, 0 on success.
    using TDone = std::function<void(std::uint32_t address, int error)>;

    explicit TNameLookup(TDone done);
    ~TNameLookup() override;

    // Returns false (with the last error set) when the lookup cannot start; then no
    // completion will be reported. A lookup still running is abandoned.
    bool Start(const std::string& name);
    // Becomes readable when the running lookup has finished; -1 when none runs.
    int WakeHandle() const;
    // Forgets the running lookup; its outcome will not be reported.
    void Abandon();

    struct TShared;

private:
    void Finish();

    TDone FDone;
    std::shared_ptr<TShared> FShared;
    QSocketNotifier* FNotifier = nullptr;
};
