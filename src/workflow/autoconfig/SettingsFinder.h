// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "workflow/autoconfig/FoundAccount.h"

#include <QObject>

class QNetworkAccessManager;
class QNetworkReply;
class QDnsLookup;
class QTimer;

// Finds the outgoing server of an e-mail address in the background, asking one source
// after another until one answers: the preset table, the domain's autoconfig file (two
// places), the ISP database for the domain, the domain's mail exchanger (preset table,
// ISP database), the DNS SRV records for submission, and last the autoconfig file over
// plain http when the user agrees. Each source is given up after its time-out.
class TSettingsFinder : public QObject {
public:
    struct TOptions {
        // The ISP database's base address; the domain is appended.
        std::string IspDatabaseUrl = "https://autoconfig.thunderbird.net/v1.1/";
        // The name server for the DNS lookups (an address); empty: the system's.
        std::string NameServer;
        int SourceTimeOutMilliseconds = 5000;
        // Asked before a plain-http address is fetched (its answer could be forged).
        std::function<bool(const std::string& url)> AllowHttp;
    };
    // account: nothing when no source answered. notes: what each source said, in order.
    using TDone =
        std::function<void(const std::optional<TFoundAccount>& account, const std::vector<std::string>& notes)>;

    explicit TSettingsFinder(TOptions options, QObject* parent = nullptr);
    ~TSettingsFinder() override;

    // Starts over for email; done is called once, later, from the event loop.
    void Start(const std::string& email, TDone done);
    // Stops the lookup; done is not called.
    void Cancel();
    bool Running() const { return static_cast<bool>(FDone); }

    // The options as the settings file gives them (ispdb, nameserver).
    static TOptions StoredOptions();

private:
    using TStep = std::function<void()>;

    void Next();
    void Finish(const std::optional<TFoundAccount>& account);
    void Note(const std::string& where, const std::string& what);
    void Fetch(const std::string& url, TSettingsSource source);
    void FetchDone(QNetworkReply* reply, const std::string& url, TSettingsSource source);
    void LookUpMailExchanger();
    void LookUpSubmission(const std::string& service, int security);
    void StartTimeOut(const std::string& where);
    void AbandonRequest();
    void AskHttp();

    TOptions FOptions;
    std::string FEmail;
    std::string FDomain;
    TDone FDone;
    std::vector<TStep> FSteps;
    std::size_t FNextStep = 0;
    std::vector<std::string> FNotes;
    QNetworkAccessManager* FNetwork = nullptr;
    QNetworkReply* FReply = nullptr;
    QDnsLookup* FLookup = nullptr;
    QTimer* FTimeOut = nullptr;
};

// Runs the finder and waits for it in a local event loop (the headless sender).
std::optional<TFoundAccount> FindSettingsAndWait(const std::string& email, TSettingsFinder::TOptions options,
                                                 std::vector<std::string>& notes);

// The domain of an address ("" when it has none).
std::string DomainOfAddress(const std::string& email);
