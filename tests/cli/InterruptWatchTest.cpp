// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InterruptWatch.h"
#include "cli/TerminalUserInterface.h"

#include <QCoreApplication>
#include <csignal>
#include <gtest/gtest.h>
#include <poll.h>

namespace {

void Pump()
{
    QCoreApplication::processEvents();
}

bool Readable(int handle)
{
    pollfd watched{handle, POLLIN, 0};
    return poll(&watched, 1, 0) > 0;
}

// The handler does nothing but note the signal: the work runs later, from the event loop.
TEST(InterruptWatch, FirstInterruptStopsGentlyEveryLaterOneAtOnce)
{
    std::vector<std::string> calls;
    {
        TInterruptWatch watch;
        watch.OnFirst = [&] { calls.push_back("stop"); };
        watch.OnAgain = [&] { calls.push_back("cancel"); };
        std::raise(SIGINT);
        EXPECT_TRUE(calls.empty()) << "handled inside the signal";
        EXPECT_TRUE(Readable(watch.Handle()));
        Pump();
        EXPECT_EQ(calls, std::vector<std::string>{"stop"});
        EXPECT_FALSE(Readable(watch.Handle()));
        std::raise(SIGINT);
        std::raise(SIGINT);
        Pump();
        EXPECT_EQ(calls, (std::vector<std::string>{"stop", "cancel", "cancel"}));
        EXPECT_EQ(watch.Count(), 3);
    }
}

TEST(InterruptWatch, GivesBackTheHandlerItFound)
{
    struct sigaction before { };
    struct sigaction ignore { };
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, &before);
    {
        TInterruptWatch watch;
        struct sigaction during { };
        sigaction(SIGINT, nullptr, &during);
        EXPECT_NE(during.sa_handler, SIG_IGN);
    }
    struct sigaction after { };
    sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    sigaction(SIGINT, &before, nullptr);
}

TEST(TerminalUserInterface, MessageLinesEndInLineFeeds)
{
    EXPECT_EQ(TTerminalUserInterface::TerminalLines("Connect failed"), "Connect failed");
    EXPECT_EQ(TTerminalUserInterface::TerminalLines("a\rb\r\rc"), "a\nb\n\nc");
    EXPECT_EQ(TTerminalUserInterface::TerminalLines("a\r\nb\n"), "a\nb\n");
}

TEST(TerminalUserInterface, MessagesGoToTheErrorStreamAndAreRemembered)
{
    std::FILE* errors = std::tmpfile();
    TTerminalUserInterface ui(errors);
    ui.ShowMessage("Delivered 2 of 3;\rrefused 1");
    ui.ShowError("Cannot open file x");
    std::rewind(errors);
    char text[128] = {};
    text[std::fread(text, 1, sizeof text - 1, errors)] = 0;
    EXPECT_STREQ(text, "Delivered 2 of 3;\nrefused 1\nCannot open file x\n");
    EXPECT_EQ(ui.LastMessage(), "Cannot open file x");
    EXPECT_FALSE(ui.ShellOpen("https://example.org/"));
    std::fclose(errors);
}

} // namespace
