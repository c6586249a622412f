// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/NetAddress.h"

#include <QObject>

class QSocketNotifier;

// Looks up the IPv6 and IPv4 addresses of a host name on a worker thread and reports
// the outcome on the thread that started it, while that thread dispatches events.
// Destroying the lookup drops a result that has not been reported yet.
class TNameLookup : public QObject {
public:
    // addresses in the order to try them (RFC 8305 section 4: the families take turns,
    // IPv6 first); error a Windows Sockets number, 0 on success.
    using TDone = std::function<void(const std::vector<TNetAddress>& addresses, int error)>;

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

// Answers for names, consulted before the system's resolver, so that tests can give a
// name the addresses they need without a name server. An empty list removes the name.
void OverrideNameLookup(const std::string& name, std::vector<TNetAddress> addresses);
