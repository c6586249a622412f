// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "workflow/program/ProgramFolder.h"

#include <gtest/gtest.h>

namespace {

// Only the whole command line asks a question; every other one belongs to the window,
// whose rule keeps file names such as "--help" after a recipients file.
TEST(CommandLineQuestion, OnlyAWholeCommandLineOfOneOptionIsAQuestion)
{
    const std::pair<QStringList, bool> cases[] = {
        {{"--version"}, true},
        {{"--help"}, true},
        {{"-h"}, true},
        {{}, false},
        {{"list.txt"}, false},
        {{"--version", "message.txt"}, false},
        {{"list.txt", "--help"}, false},
        {{"list.txt", "message.txt", "--version"}, false},
        {{"--Version"}, false},
        {{"--help "}, false},
        {{"-v"}, false},
        {{"-help"}, false},
    };
    for (const auto& [arguments, question] : cases)
        EXPECT_EQ(IsCommandLineQuestion(arguments), question) << arguments.join(' ').toStdString();
}

TEST(CommandLineQuestion, AnswersTheVersionAndAHelpThatNamesTheHelpFile)
{
    EXPECT_EQ(CommandLineAnswer({"--version"}), "Varnolt Pelmar 0.8\n");
    for (const QStringList& help : {QStringList{"--help"}, QStringList{"-h"}}) {
        const std::string text = CommandLineAnswer(help);
        EXPECT_EQ(text.rfind("Usage: pelmar [RECIPIENTS-FILE MESSAGE-FILE [send]]\n", 0), 0u);
        EXPECT_NE(text.find("\nHelp: " + HelpFile() + "\n"), std::string::npos) << text;
    }
}

}
