// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/job/JobMessages.h"

#include "workflow/history/DeliveryHistory.h"
#include "workflow/lists/MailboxCheck.h"
#include "workflow/program/ProgramState.h"

#include <QLocale>

namespace Messages {

namespace {

bool Slovenian()
{
    return CurrentLanguage == 1;
}

std::string Number(long long value)
{
    return GroupedNumber(value);
}

// "2 prejemnikoma": Slovenian nouns after a number take the singular, the dual or the
// plural by the number's last two digits.
std::string Recipients(int count)
{
    if (!Slovenian())
        return Number(count) + (count == 1 ? " recipient" : " recipients");
    const int lastTwo = count % 100;
    return Number(count) + (lastTwo == 1 ? " prejemniku" : lastTwo == 2 ? " prejemnikoma" : " prejemnikom");
}

// The parts that are not zero, after the delivered ones.
std::string CountsText(const TJobCounts& counts)
{
    const bool sl = Slovenian();
    std::string text = std::string(sl ? "Dostavljeno " : "Delivered ") + Number(counts.Delivered)
        + (sl ? " od " : " of ") + Number(counts.Total);
    const std::pair<int, const char*> parts[] = {{counts.Refused, sl ? "zavrnjeno " : "refused "},
                                                 {counts.Deferred, sl ? "odloženo " : "deferred "},
                                                 {counts.NotSent, sl ? "ni poslano " : "not sent "},
                                                 {counts.Suppressed, sl ? "izločeno " : "suppressed "}};
    for (const auto& [count, name] : parts)
        if (count > 0)
            text += "; " + std::string(name) + Number(count);
    return text;
}

}

std::string GroupedNumber(long long value)
{
    const char separator = Slovenian() ? '.' : ',';
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, separator);
    return (value < 0 ? "-" : "") + digits;
}

std::string SendConfirmation(int recipients, bool subjectEmpty, bool textEmpty)
{
    const bool sl = Slovenian();
    std::string warnings;
    if (subjectEmpty)
        warnings += sl ? "Sporočilo nima naslova.\r" : "The message has no subject.\r";
    if (textEmpty)
        warnings += sl ? "Sporočilo nima besedila.\r" : "The message has no text.\r";
    if (!warnings.empty())
        warnings += "\r";
    return warnings + (sl ? "Ali naj pošljem to sporočilo " : "Send this message to ") + Recipients(recipients) + "?";
}

std::string NotAddressesWarning(const std::vector<std::string>& entries)
{
    constexpr int Named = 5;
    std::vector<std::string> bad;
    for (const std::string& entry : entries)
        if (!entry.empty() && !IsValidEntry(entry))
            bad.push_back(entry);
    if (bad.empty())
        return {};
    const bool sl = Slovenian();
    std::string text = sl ? "Ti vnosi niso e-poštni naslovi in ne dobijo sporočila:\r"
                          : "These entries are not e-mail addresses and get no message:\r";
    for (std::size_t i = 0; i < bad.size() && i < Named; ++i)
        text += "  " + bad[i] + "\r";
    if (bad.size() > Named)
        text +=
            (sl ? "  in še " : "  and ") + Number(static_cast<long long>(bad.size() - Named)) + (sl ? "\r" : " more\r");
    return text + "\r";
}

std::vector<std::string> SendAnswers(bool offerLater)
{
    const bool sl = Slovenian();
    std::vector<std::string> answers = {sl ? "Pošlji" : "Send"};
    if (offerLater)
        answers.emplace_back(sl ? "Pošlji pozneje …" : "Send later…");
    answers.emplace_back(sl ? "Prekliči" : "Cancel");
    return answers;
}

std::string ResumeQuestion(const TJobSummary& earlier)
{
    const std::string started =
        QLocale::system().toString(earlier.started.toLocalTime(), QLocale::ShortFormat).toStdString();
    TJobCounts counts{earlier.total, earlier.delivered, earlier.refused, earlier.deferred, earlier.notSent};
    if (Slovenian())
        return "To sporočilo je bilo temu seznamu že poslano (" + started + "), a ne vsem: " + CountsText(counts)
            + ".\r\rAli naj nadaljujem s prejemniki, ki ga še niso dobili, ali začnem znova pri prvem?";
    return "This message was sent to this list before (" + started + "), but not to everyone: " + CountsText(counts)
        + ".\r\rContinue with the recipients who have not got it, or start again from the first?";
}

std::vector<std::string> ResumeAnswers()
{
    if (Slovenian())
        return {"Nadaljuj", "Začni znova", "Prekliči"};
    return {"Continue", "Start again", "Cancel"};
}

std::string JobCounts(const TJobCounts& counts)
{
    return CountsText(counts);
}

std::string JobStopped(const TJobCounts& counts)
{
    return std::string(Slovenian() ? "Ustavljeno. " : "Stopped. ") + CountsText(counts);
}

std::string JobConnectionLost(const TJobCounts& counts)
{
    return std::string(Slovenian() ? "Povezave s strežnikom ni bilo mogoče obnoviti. "
                                   : "The connection to the server could not be made again. ")
        + CountsText(counts);
}

std::string JobFailed(const std::string& reason, const TJobCounts& counts)
{
    return reason + "\r\r" + CountsText(counts);
}

std::string HeaderTooLarge(std::size_t bytes, std::size_t limit)
{
    const std::string size = Number(static_cast<long long>(bytes));
    if (Slovenian())
        return "Glava sporočila (naslov, imena in naslovi) bi bila dolga " + size + " bajtov, dovoljenih pa je "
            + Number(static_cast<long long>(limit)) + ". Skrajšajte naslov sporočila.";
    return "The message header (subject, names and addresses) would be " + size + " bytes long; at most "
        + Number(static_cast<long long>(limit)) + " are possible. Shorten the subject.";
}

std::string HeaderTooLargeReply(std::size_t bytes)
{
    const std::string size = Number(static_cast<long long>(bytes));
    if (Slovenian())
        return "Glava sporočila bi bila predolga (" + size + " bajtov); strežnik ni bil vprašan.";
    return "The message header would be too long (" + size + " bytes); the server was not asked.";
}

std::string NotAnAddressReply()
{
    return Lang("Ni veljaven e-poštni naslov; strežnik ni bil vprašan.",
                "Not a valid e-mail address; the server was not asked.");
}

std::string ReplyLost()
{
    return Lang("Ni odgovora na konec sporočila.", "No reply to the end of the message.");
}

std::string ReplyLostNote()
{
    return Lang("Odgovor strežnika na konec sporočila ni prišel; sporočilo je poslano še enkrat.",
                "The server's reply to the end of the message never came; the message is sent once more.");
}

std::string NextMessageIn(int seconds)
{
    return (Slovenian() ? "Naslednje sporočilo čez " : "Next message in ") + std::to_string(seconds) + " s";
}

std::string ReconnectIn(int seconds)
{
    return (Slovenian() ? "Nova povezava čez " : "Connecting again in ") + std::to_string(seconds) + " s";
}

std::string RetryIn(int seconds)
{
    return (Slovenian() ? "Odložene znova čez " : "Deferred tried again in ") + std::to_string(seconds) + " s";
}

}
