// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/autoconfig/AccountTest.h"

#include "mail/SmtpClient.h"
#include "workflow/program/ProgramState.h"
#include "workflow/settings/SettingsTable.h"
#include "workflow/ui/Messages.h"

#include <algorithm>

namespace {

std::string YesNo(bool yes)
{
    return yes ? Lang("da", "yes") : Lang("ne", "no");
}

std::string Offers(const TSmtpClient& client)
{
    std::string mechanisms;
    for (const std::string& mechanism : client.AuthMechanisms())
        mechanisms += (mechanisms.empty() ? "" : " ") + mechanism;
    const std::string size = client.ExtensionParameters("SIZE");
    return "STARTTLS: " + YesNo(client.Offers("STARTTLS") || client.Security() == TSmtpSecurity::StartTls) + "\r"
        + "AUTH: " + (mechanisms.empty() ? Lang("ni ponujen", "not offered") : mechanisms) + "\r"
        + "SIZE: " + (client.Offers("SIZE") ? (size.empty() ? YesNo(true) : size) : YesNo(false)) + "\r"
        + "PIPELINING: " + YesNo(client.Offers("PIPELINING"));
}

std::string Failure(const std::exception& error, const std::string& host)
{
    if (const auto* socket = dynamic_cast<const ESocketError*>(&error)) {
        switch (socket->Kind()) {
        case TSocketErrorKind::CertificateNotTrusted: return Messages::CertificateNotTrusted(host);
        case TSocketErrorKind::CertificateExpired: return Messages::CertificateExpired(host);
        case TSocketErrorKind::CertificateWrongName: return Messages::CertificateWrongName(host);
        default: break;
        }
    }
    if (const auto* smtp = dynamic_cast<const ESmtpError*>(&error);
        smtp && smtp->Kind() == TSmtpErrorKind::AuthenticationFailed)
        return Messages::LoginRefused(smtp->ReplyText());
    return Messages::ConnectFailed() + ": " + error.what();
}

} // namespace

std::string TestAccount(const TSettings& settings, const std::string& password)
{
    TSmtpClient client;
    client.SetHost(settings.Host);
    client.SetPort(settings.Port);
    client.SetUserID(settings.UserID.empty() ? settings.Email : settings.UserID);
    const int security = settings.Security;
    client.SetSecurity(security == 1       ? TSmtpSecurity::StartTls
                           : security == 2 ? TSmtpSecurity::Tls
                                           : TSmtpSecurity::None);
    client.SetPassword(password);
    const std::int32_t seconds = settings.TimeOut;
    client.SetTimeOut(seconds > 0 ? std::min(seconds, 600) * 1000 : 0);
    try {
        client.Connect();
    } catch (const std::exception& error) {
        return Failure(error, settings.Host);
    }
    std::string report = Lang("Povezava s strežnikom ", "Connected to ") + settings.Host + ".\r";
    if (client.Security() == TSmtpSecurity::None)
        report += Lang("Brez varnosti program pozdravi s HELO in ne izve, kaj strežnik ponuja.",
                       "Without security the program greets with HELO and learns nothing of what the server offers.");
    else
        report += Offers(client) + "\r"
            + (password.empty() || !client.TlsActive()
                   ? Lang("Prijava: ni preizkušena (ni gesla)", "Login: not tried (no password)")
                   : Lang("Prijava: uspela", "Login: accepted"));
    try {
        client.Disconnect();
    } catch (const std::exception&) {
        // The test is over; a QUIT that goes wrong changes none of its findings.
    }
    return report;
}
