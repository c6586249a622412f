// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/autoconfig/SettingsFinder.h"

#include "workflow/autoconfig/AutoconfigFile.h"
#include "workflow/autoconfig/ProviderPresets.h"
#include "workflow/program/ProgramState.h"
#include "workflow/settings/Settings.h"

#include <QDnsLookup>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

namespace {

// The https lookups trust what the SMTP connection trusts: the system's authorities
// and, as OpenSSL does for the connection, the file SSL_CERT_FILE names (Qt does not
// read that variable itself).
QSslConfiguration TrustedConfiguration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    const QString extra = QString::fromLocal8Bit(qgetenv("SSL_CERT_FILE"));
    if (!extra.isEmpty())
        configuration.setCaCertificates(QSslConfiguration::systemCaCertificates() + QSslCertificate::fromPath(extra));
    return configuration;
}

// PELMAR_RESOLVE="host:port=address:port,…" sends a host's requests elsewhere while the
// certificate is still checked against the host's name, as curl's --connect-to does:
// tests serve every domain's files from one loopback server.
QNetworkRequest RequestFor(const QUrl& url)
{
    QUrl target = url;
    const int port = url.port(url.scheme() == "https" ? 443 : 80);
    const QString key = url.host() + ':' + QString::number(port) + '=';
    for (const QString& entry : QString::fromLocal8Bit(qgetenv("PELMAR_RESOLVE")).split(',', Qt::SkipEmptyParts)) {
        if (!entry.startsWith(key))
            continue;
        const QString to = entry.mid(key.size());
        const int colon = to.lastIndexOf(':');
        target.setHost(to.left(colon));
        target.setPort(to.mid(colon + 1).toInt());
    }
    QNetworkRequest request(target);
    if (target != url) {
        request.setRawHeader("Host", url.authority().toUtf8());
        request.setPeerVerifyName(url.host());
    }
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    if (url.scheme() == "https")
        request.setSslConfiguration(TrustedConfiguration());
    return request;
}

// The organisation's domain of a mail exchanger: its last two labels.
std::string ExchangerDomain(std::string exchanger)
{
    while (!exchanger.empty() && exchanger.back() == '.')
        exchanger.pop_back();
    const std::size_t last = exchanger.rfind('.');
    if (last == std::string::npos || last == 0)
        return exchanger;
    const std::size_t before = exchanger.rfind('.', last - 1);
    return before == std::string::npos ? exchanger : exchanger.substr(before + 1);
}

std::string SecondsText(int milliseconds)
{
    return std::to_string((milliseconds + 999) / 1000);
}

// A DNS question, to the given name server when there is one; the caller connects its
// answer, then asks it.
QDnsLookup* NewLookup(QDnsLookup::Type type, const std::string& name, const std::string& nameServer, QObject* parent)
{
    auto* lookup = new QDnsLookup(type, QString::fromStdString(name), parent);
    if (!nameServer.empty())
        lookup->setNameserver(QHostAddress(QString::fromStdString(nameServer)));
    return lookup;
}

} // namespace

std::string DomainOfAddress(const std::string& email)
{
    const std::size_t at = email.rfind('@');
    return at == std::string::npos ? std::string() : email.substr(at + 1);
}

TSettingsFinder::TSettingsFinder(TOptions options, QObject* parent)
    : QObject(parent), FOptions(std::move(options)), FNetwork(new QNetworkAccessManager(this)),
      FTimeOut(new QTimer(this))
{
    FTimeOut->setSingleShot(true);
}

TSettingsFinder::~TSettingsFinder()
{
    Cancel();
}

TSettingsFinder::TOptions TSettingsFinder::StoredOptions()
{
    TOptions options;
    options.IspDatabaseUrl = ReadSetting(&TSettings::IspDatabase);
    options.NameServer = ReadSetting(&TSettings::NameServer);
    return options;
}

void TSettingsFinder::Start(const std::string& email, TDone done)
{
    Cancel();
    FEmail = email;
    FDomain = DomainOfAddress(email);
    FDone = std::move(done);
    FNotes.clear();
    FNextStep = 0;
    const std::string domain = FDomain;
    const QString query = QUrlQuery({{"emailaddress", QString::fromStdString(email)}}).toString(QUrl::FullyEncoded);
    FSteps = {
        [this] { PresetForDomain(FDomain, FEmail) ? Finish(PresetForDomain(FDomain, FEmail)) : Next(); },
        [this, domain, query] {
            Fetch("https://autoconfig." + domain + "/mail/config-v1.1.xml?" + query.toStdString(),
                  TSettingsSource::Autoconfig);
        },
        [this, domain] {
            Fetch("https://" + domain + "/.well-known/autoconfig/mail/config-v1.1.xml", TSettingsSource::Autoconfig);
        },
        [this, domain] { Fetch(FOptions.IspDatabaseUrl + domain, TSettingsSource::IspDatabase); },
        [this] { LookUpMailExchanger(); },
        [this, domain] { LookUpSubmission("_submissions._tcp." + domain, 2); },
        [this, domain] { LookUpSubmission("_submission._tcp." + domain, 1); },
        [this] { AskHttp(); },
    };
    if (FDomain.empty() || FDomain.find('.') == std::string::npos) {
        FSteps.clear();
        Note(email, Lang("ni e-poštni naslov z domeno", "is not an e-mail address with a domain"));
    }
    QTimer::singleShot(0, this, [this] { Next(); });
}

void TSettingsFinder::Cancel()
{
    FTimeOut->stop();
    FTimeOut->disconnect();
    AbandonRequest();
    FDone = nullptr;
    FSteps.clear();
}

// The one request under way (a fetch or a DNS question) is dropped unanswered.
void TSettingsFinder::AbandonRequest()
{
    if (FReply) {
        FReply->disconnect(this);
        FReply->abort();
        FReply->deleteLater();
        FReply = nullptr;
    }
    if (FLookup) {
        FLookup->disconnect(this);
        FLookup->abort();
        FLookup->deleteLater();
        FLookup = nullptr;
    }
}

void TSettingsFinder::Next()
{
    if (!FDone)
        return;
    if (FNextStep >= FSteps.size()) {
        Finish(std::nullopt);
        return;
    }
    const TStep step = FSteps[FNextStep++];
    step();
}

void TSettingsFinder::Finish(const std::optional<TFoundAccount>& account)
{
    const TDone done = FDone;
    const std::vector<std::string> notes = FNotes;
    Cancel();
    if (done)
        done(account, notes);
}

void TSettingsFinder::Note(const std::string& where, const std::string& what)
{
    FNotes.push_back(where + ": " + what);
}

// A source that has not answered in time is noted under where, and the next one tried.
void TSettingsFinder::StartTimeOut(const std::string& where)
{
    FTimeOut->disconnect();
    connect(FTimeOut, &QTimer::timeout, this, [this, where] {
        Note(where,
             Lang("ni odgovora v ", "no answer within ") + SecondsText(FOptions.SourceTimeOutMilliseconds) + " s");
        AbandonRequest();
        Next();
    });
    FTimeOut->start(FOptions.SourceTimeOutMilliseconds);
}

void TSettingsFinder::Fetch(const std::string& url, TSettingsSource source)
{
    const QUrl address(QString::fromStdString(url));
    if (!address.isValid() || address.host().isEmpty()) {
        Note(url, Lang("ni veljaven naslov", "is not a valid address"));
        Next();
        return;
    }
    QNetworkReply* reply = FNetwork->get(RequestFor(address));
    FReply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply, url, source] { FetchDone(reply, url, source); });
    StartTimeOut(url);
}

void TSettingsFinder::FetchDone(QNetworkReply* reply, const std::string& url, TSettingsSource source)
{
    FTimeOut->stop();
    FReply = nullptr;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        Note(url, status != 0 ? "HTTP " + std::to_string(status) : reply->errorString().toStdString());
        Next();
        return;
    }
    TAutoconfigReading reading = ReadAutoconfig(reply->readAll(), FEmail);
    if (!reading.Account) {
        Note(url, reading.Problem + Lang(", preskočeno", ", skipped"));
        Next();
        return;
    }
    reading.Account->Source = source;
    reading.Account->Origin = url;
    Finish(reading.Account);
}

void TSettingsFinder::LookUpMailExchanger()
{
    const std::string name = FDomain;
    FLookup = NewLookup(QDnsLookup::MX, name, FOptions.NameServer, this);
    connect(FLookup, &QDnsLookup::finished, this, [this, name] {
        FTimeOut->stop();
        QDnsLookup* lookup = FLookup;
        FLookup = nullptr;
        lookup->deleteLater();
        if (lookup->error() != QDnsLookup::NoError || lookup->mailExchangeRecords().isEmpty()) {
            Note("MX " + name,
                 lookup->error() == QDnsLookup::NoError ? Lang("ni zapisa", "no record")
                                                        : lookup->errorString().toStdString());
            Next();
            return;
        }
        const std::string exchanger = lookup->mailExchangeRecords().first().exchange().toStdString();
        if (auto preset = PresetForMailExchanger(exchanger, FEmail)) {
            preset->Origin += " (MX " + exchanger + ")";
            Finish(preset);
            return;
        }
        const std::string domain = ExchangerDomain(exchanger);
        if (domain != FDomain)
            FSteps.insert(FSteps.begin() + static_cast<std::ptrdiff_t>(FNextStep),
                          [this, domain] { Fetch(FOptions.IspDatabaseUrl + domain, TSettingsSource::IspDatabase); });
        Next();
    });
    StartTimeOut("MX " + name);
    FLookup->lookup();
}

// RFC 6186 section 3 and RFC 8314 section 5.1: the record names the submission server;
// a target of "." says the service is not offered.
void TSettingsFinder::LookUpSubmission(const std::string& service, int security)
{
    FLookup = NewLookup(QDnsLookup::SRV, service, FOptions.NameServer, this);
    connect(FLookup, &QDnsLookup::finished, this, [this, service, security] {
        FTimeOut->stop();
        QDnsLookup* lookup = FLookup;
        FLookup = nullptr;
        lookup->deleteLater();
        const auto records = lookup->serviceRecords();
        std::string target = records.isEmpty() ? std::string() : records.first().target().toStdString();
        while (!target.empty() && target.back() == '.')
            target.pop_back();
        if (lookup->error() != QDnsLookup::NoError || target.empty()) {
            Note("SRV " + service,
                 lookup->error() == QDnsLookup::NoError ? Lang("ni zapisa", "no record")
                                                        : lookup->errorString().toStdString());
            Next();
            return;
        }
        TFoundAccount account;
        account.Host = target;
        account.Port = records.first().port();
        account.Security = security;
        account.UserName = FEmail;
        account.Source = TSettingsSource::DnsSrv;
        account.Origin = "SRV " + service;
        Finish(account);
    });
    StartTimeOut("SRV " + service);
    FLookup->lookup();
}

// Plain http comes last, and only with the user's consent: anyone on the way could
// answer in the domain's name.
void TSettingsFinder::AskHttp()
{
    const std::string url = "http://autoconfig." + FDomain + "/mail/config-v1.1.xml";
    if (!FOptions.AllowHttp || !FOptions.AllowHttp(url)) {
        Next();
        return;
    }
    const std::string domain = FDomain;
    FSteps.push_back([this, url] { Fetch(url, TSettingsSource::Autoconfig); });
    FSteps.push_back([this, domain] {
        Fetch("http://" + domain + "/.well-known/autoconfig/mail/config-v1.1.xml", TSettingsSource::Autoconfig);
    });
    Next();
}

std::optional<TFoundAccount> FindSettingsAndWait(const std::string& email, TSettingsFinder::TOptions options,
                                                 std::vector<std::string>& notes)
{
    TSettingsFinder finder(std::move(options));
    QEventLoop loop;
    std::optional<TFoundAccount> found;
    finder.Start(email, [&](const std::optional<TFoundAccount>& account, const std::vector<std::string>& said) {
        found = account;
        notes = said;
        loop.quit();
    });
    loop.exec();
    return found;
}

std::string FoundAccountOrigin(const TFoundAccount& account)
{
    switch (account.Source) {
    case TSettingsSource::Preset:
        return Lang("Nastavitve za ", "Settings for ") + account.Origin
            + Lang(" iz programa", ", known to the program");
    case TSettingsSource::Autoconfig:
        return Lang("Nastavitve iz datoteke domene: ", "Settings from the domain's file: ") + account.Origin;
    case TSettingsSource::IspDatabase:
        return Lang("Nastavitve iz zbirke ponudnikov: ", "Settings from the ISP database: ") + account.Origin;
    case TSettingsSource::DnsSrv:
        return Lang("Nastavitve iz zapisa DNS ", "Settings from the DNS record ") + account.Origin;
    }
    return {};
}
