// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/job/ConnectFailure.h"

#include "mail/SmtpClient.h"
#include "workflow/program/ProgramState.h"

namespace {

std::string Number(int value)
{
    return std::to_string(value);
}

std::string StepName(TSmtpStep step, TSmtpSecurity security)
{
    const bool sl = CurrentLanguage == 1;
    switch (step) {
    case TSmtpStep::Greeting: return sl ? "pozdravu" : "greeting";
    case TSmtpStep::Ehlo: return "EHLO";
    case TSmtpStep::StartTls:
        return security == TSmtpSecurity::Tls ? (sl ? "vzpostavljanju TLS" : "TLS handshake") : "STARTTLS";
    case TSmtpStep::Auth: return sl ? "prijavi" : "login";
    default: return sl ? "povezovanju" : "connect";
    }
}

std::string OneLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::string NotFound(const std::string& host)
{
    if (CurrentLanguage == 1)
        return "Imena strežnika " + host + " ni bilo mogoče najti. Preverite nastavitev host.";
    return "The server name " + host + " could not be found. Check the setting host.";
}

std::string Refused(const std::string& host, int port)
{
    if (CurrentLanguage == 1)
        return "Strežnik " + host + " je zavrnil povezavo na vratih " + Number(port)
            + ". Preverite vrata in varnost povezave.";
    return host + " refused the connection on port " + Number(port) + ". Check the port and the connection security.";
}

std::string NoAnswer(const std::string& host, int seconds, const std::string& step)
{
    if (CurrentLanguage == 1)
        return "Strežnik " + host + " ni odgovoril v " + Number(seconds) + " sekundah pri " + step
            + ". Preverite vrata in varnost povezave ali podaljšajte čakanje na strežnik.";
    return "No answer from " + host + " within " + Number(seconds) + " seconds at the " + step
        + ". Check the port and the connection security, or give the server a longer time-out.";
}

std::string Closed(const std::string& host, const std::string& step)
{
    if (CurrentLanguage == 1)
        return "Strežnik " + host + " je prekinil povezavo pri " + step + ".";
    return host + " closed the connection at the " + step + ".";
}

std::string TlsNotOffered()
{
    return Lang("Strežnik ne ponuja STARTTLS. Izberite SSL/TLS (vrata 465) ali vprašajte ponudnika.",
                "The server does not offer STARTTLS. Choose SSL/TLS (port 465), or ask the provider.");
}

std::string TlsRefused(const std::string& reply)
{
    if (CurrentLanguage == 1)
        return "Strežnik je zavrnil STARTTLS: " + reply + ". Poskusite kasneje ali izberite SSL/TLS (vrata 465).";
    return "The server refused STARTTLS: " + reply + ". Try again later, or choose SSL/TLS (port 465).";
}

}

std::string ConnectFailureReason(const std::exception_ptr& error, const TSmtpClient& smtp, int timeOutSeconds)
{
    const std::string& host = smtp.Host();
    const std::string step = StepName(smtp.OpeningStep(), smtp.Security());
    try {
        std::rethrow_exception(error);
    } catch (const ESocketError& failure) {
        switch (failure.Kind()) {
        case TSocketErrorKind::LookupFailed: return NotFound(host);
        case TSocketErrorKind::ConnectFailed: return Refused(host, smtp.Port());
        case TSocketErrorKind::ConnectTimedOut:
        case TSocketErrorKind::LookupTimedOut: return NoAnswer(host, timeOutSeconds, StepName(TSmtpStep::None, {}));
        case TSocketErrorKind::TimedOut: return NoAnswer(host, timeOutSeconds, step);
        case TSocketErrorKind::ReceiveFailed:
        case TSocketErrorKind::SendFailed: return Closed(host, step);
        default: return {};
        }
    } catch (const ESmtpError& failure) {
        switch (failure.Kind()) {
        case TSmtpErrorKind::TlsNotOffered: return TlsNotOffered();
        case TSmtpErrorKind::NoReply: return Closed(host, step);
        case TSmtpErrorKind::Refused:
            return failure.Step() == TSmtpStep::StartTls ? TlsRefused(OneLine(failure.FirstLine()))
                                                         : OneLine(failure.FirstLine());
        case TSmtpErrorKind::LoginNotOffered: return failure.what();
        default: return {};
        }
    } catch (...) {
    }
    return {};
}
