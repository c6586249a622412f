// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalUserInterface.h"

#include "workflow/account/SignInMessages.h"

#include <QProcess>

#include "cli/SendTexts.h"
#include "workflow/settings/IntegerText.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The controlling terminal, when standard input is it: a script that redirects its input
// is never asked, even when it runs in a terminal. The prompt goes to the terminal itself,
// whatever standard output and error are redirected to.
class TTerminal {
public:
    TTerminal() : FHandle(isatty(STDIN_FILENO) ? open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC) : -1) { }
    ~TTerminal()
    {
        if (FEchoOff)
            tcsetattr(FHandle, TCSAFLUSH, &FSaved);
        if (FHandle >= 0)
            close(FHandle);
    }
    TTerminal(const TTerminal&) = delete;
    TTerminal& operator=(const TTerminal&) = delete;

    bool IsOpen() const { return FHandle >= 0; }
    int Handle() const { return FHandle; }

    void Write(const std::string& text) const
    {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t written = write(FHandle, text.data() + done, text.size() - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return;
            done += static_cast<std::size_t>(written);
        }
    }

    // What is typed is not shown until the terminal is given back in the destructor.
    void HideTyping()
    {
        if (tcgetattr(FHandle, &FSaved) != 0)
            return;
        termios quiet = FSaved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        FEchoOff = tcsetattr(FHandle, TCSAFLUSH, &quiet) == 0;
    }

private:
    int FHandle;
    termios FSaved{};
    bool FEchoOff = false;
};

bool Readable(int handle)
{
    if (handle < 0)
        return false;
    pollfd watched{handle, POLLIN, 0};
    return poll(&watched, 1, 0) > 0;
}

} // namespace

std::string TTerminalUserInterface::TerminalLines(const std::string& text)
{
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            lines += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            lines += text[i];
        }
    }
    return lines;
}

void TTerminalUserInterface::ShowMessage(const std::string& text)
{
    if (FBeforeMessage)
        FBeforeMessage();
    FLastMessage = text;
    std::fprintf(FErrors, "%s\n", TerminalLines(text).c_str());
    std::fflush(FErrors);
}

void TTerminalUserInterface::ShowError(const std::string& text)
{
    ShowMessage(text);
}

// The settings dialog is the only window a job opens; the caller says where the
// settings are instead.
void TTerminalUserInterface::ExecModal(QWidget&)
{
}

std::string TTerminalUserInterface::OpenFileName(const TFileDialogRequest&)
{
    return {};
}

std::string TTerminalUserInterface::SaveFileName(const TFileDialogRequest&)
{
    return {};
}

// Only the sign-in opens an address here: it goes to $BROWSER when set, else xdg-open, and
// is printed either way for a machine where neither reaches a person.
bool TTerminalUserInterface::ShellOpen(const std::string& target)
{
    ShowMessage(Messages::SignInInBrowser(target));
    const QString browser = qEnvironmentVariable("BROWSER");
    return QProcess::startDetached(browser.isEmpty() ? "xdg-open" : browser, {QString::fromStdString(target)});
}

void TTerminalUserInterface::Beep()
{
}

std::optional<std::string> TTerminalUserInterface::AskPassword(const std::string& prompt)
{
    std::optional<std::string> password = ReadTerminalLine(TerminalLines(prompt) + " ", false);
    if (!password && !Readable(FInterrupt))
        ShowMessage(SendTexts::NoPasswordWithoutTerminal());
    return password;
}

std::optional<std::string> TTerminalUserInterface::ReadTerminalLine(const std::string& prompt, bool echo)
{
    TTerminal terminal;
    if (!terminal.IsOpen())
        return std::nullopt;
    if (!echo)
        terminal.HideTyping();
    terminal.Write(prompt);
    std::string line;
    for (;;) {
        pollfd watched[] = {{terminal.Handle(), POLLIN, 0}, {FInterrupt, POLLIN, 0}};
        const int ready = poll(watched, FInterrupt >= 0 ? 2 : 1, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (watched[1].revents & POLLIN))
            return std::nullopt;
        char c = 0;
        const ssize_t got = read(terminal.Handle(), &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        if (c == '\n')
            return line;
        line += c;
    }
}

// Where nobody can answer, the first answer (the question's default) is taken and said;
// on a terminal the person picks one by its number, Enter taking the first.
int TTerminalUserInterface::Ask(const std::string& question, const std::vector<std::string>& answers)
{
    if (answers.empty())
        return -1;
    std::string prompt = TerminalLines(question) + "\n";
    for (std::size_t i = 0; i < answers.size(); ++i)
        prompt += "  " + std::to_string(i + 1) + ") " + answers[i] + "\n";
    prompt += "[1] ";
    for (;;) {
        const std::optional<std::string> typed = ReadTerminalLine(prompt, true);
        if (!typed) {
            if (Readable(FInterrupt))
                return -1;
            ShowMessage(TerminalLines(question) + "\n" + SendTexts::AnsweredFor(answers.front()));
            return 0;
        }
        if (typed->empty())
            return 0;
        const std::optional<std::int32_t> chosen = TryDecimalToInt(*typed);
        if (chosen && *chosen >= 1 && static_cast<std::size_t>(*chosen) <= answers.size())
            return *chosen - 1;
        prompt = "[1-" + std::to_string(answers.size()) + "] ";
    }
}

bool TTerminalUserInterface::OutputIsTerminal()
{
    return isatty(STDOUT_FILENO) != 0;
}
