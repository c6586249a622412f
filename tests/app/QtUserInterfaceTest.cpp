// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtUserInterface.h"
#include "workflow/program/ProgramState.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(FileDialogFilter, PairsBecomeQtNameFiltersAndStarDotStarMeansEveryFile)
{
    EXPECT_EQ(NameFilters("*.txt|*.txt|*.*|*.*"), (QStringList{"*.txt (*.txt)", "*.* (*)"}));
    EXPECT_EQ(NameFilters("Lists|*.txt;*.csv"), QStringList{"Lists (*.txt *.csv)"});
    EXPECT_EQ(NameFilters(""), QStringList{});
}

// Choosing "*.csv" in a save dialog whose default extension is "txt" makes a name typed
// without an extension a CSV file; every other choice keeps the default.
TEST(FileDialogFilter, ChosenFilterOfOneKindGivesTheExtensionToAddElseTheDefault)
{
    const std::pair<const char*, const char*> cases[] = {
        {"*.csv (*.csv)", "csv"}, {"*.txt (*.txt)", "txt"}, {"*.* (*)", "txt"},  {"Lists (*.txt *.csv)", "txt"},
        {"Any (*.*)", "txt"},     {"Odd (*.c?v)", "txt"},   {"Broken (", "txt"}, {"", "txt"},
        {"Tar (*.tar.gz)", "txt"}};
    for (const auto& [filter, suffix] : cases)
        EXPECT_EQ(SuffixForFilter(filter, "txt").toStdString(), suffix) << filter;
}

}

namespace {

// The buttons of the password prompt speak the program's language, not Qt's.
TEST(PasswordPrompt, ButtonsFollowTheLanguage)
{
    const std::int32_t kept = CurrentLanguage;
    for (const auto& [language, cancel] : {std::pair{1, "Prekliči"}, std::pair{2, "Cancel"}}) {
        CurrentLanguage = language;
        QStringList buttons;
        QTimer::singleShot(0, [&buttons] {
            QWidget* prompt = QApplication::activeModalWidget();
            ASSERT_NE(prompt, nullptr);
            for (const QPushButton* button : prompt->findChildren<QPushButton*>())
                buttons << button->text();
            static_cast<QDialog*>(prompt)->reject();
        });
        TQtUserInterface ui;
        EXPECT_EQ(ui.AskPassword("Password"), std::nullopt);
        EXPECT_TRUE(buttons.contains(QString::fromUtf8(cancel))) << buttons.join(',').toStdString();
    }
    CurrentLanguage = kept;
}

}
