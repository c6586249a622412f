// SPDX-License-Identifier: GPL-3.0-or-later
// "Find settings" in the settings dialog: the preset table fills the fields in the
// background, says where they came from in the language in force, leaves them
// editable, and OK writes the sign-in they need.
#include "AppFixture.h"
#include "workflow/program/ProgramState.h"
#include "workflow/settings/SettingsStore.h"

#include <gmock/gmock.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

struct FindCase {
    const char* Name;
    friend void PrintTo(const FindCase& c, std::ostream* out) { *out << c.Name; }
    int Language;
    const char* Address;
    const char* Host;
    const char* Port;
    int Security;
    const char* Origin;
    const char* SignIn;
    const char* OAuthProvider;
    const char* PerDay; // the provider's published limit, or the figure the user had typed
};

class FindSettingsDialog : public testing::TestWithParam<FindCase> {
protected:
    TSandbox Sandbox;
    TScriptedUi Ui;
};

TEST_P(FindSettingsDialog, FillsTheFieldsAndSaysWhereFrom)
{
    const FindCase& c = GetParam();
    const std::int32_t language = std::exchange(CurrentLanguage, c.Language);
    TSettingsDialog dialog(nullptr);
    dialog.show();
    EXPECT_FALSE(dialog.settingsSourceLabel->text().isEmpty()) << "a new account is offered the lookup";
    dialog.nameEdit->setText("Ana");
    dialog.emailEdit->setText(c.Address);
    dialog.perDayEdit->setText("250");
    ASSERT_TRUE(dialog.findSettingsButton->isEnabled());
    dialog.findSettingsButton->click();
    EXPECT_FALSE(dialog.findSettingsButton->isEnabled()) << "one lookup at a time";
    ASSERT_TRUE(PumpUntil([&] { return dialog.findSettingsButton->isEnabled(); }));
    EXPECT_EQ(Str(dialog.hostEdit->text()), c.Host);
    EXPECT_EQ(Str(dialog.portEdit->text()), c.Port);
    EXPECT_EQ(dialog.SecurityIndex(), c.Security);
    EXPECT_EQ(Str(dialog.userIdEdit->text()), c.Address);
    EXPECT_EQ(Str(dialog.perDayEdit->text()), c.PerDay);
    EXPECT_THAT(Str(dialog.settingsSourceLabel->text()), testing::HasSubstr(c.Origin));
    EXPECT_FALSE(dialog.hostEdit->isReadOnly());
    dialog.userIdEdit->setText("ana.novak");
    dialog.saveAndClose();
    CurrentLanguage = language;
    EXPECT_EQ(RegReadString(SettingsKey, "username", ""), "ana.novak");
    EXPECT_EQ(RegReadString(SettingsKey, "host", ""), c.Host);
    EXPECT_EQ(RegReadString(SettingsKey, "signin", ""), c.SignIn);
    EXPECT_EQ(RegReadString(SettingsKey, "oauthprovider", ""), c.OAuthProvider);
}

INSTANTIATE_TEST_SUITE_P(
    Providers, FindSettingsDialog,
    testing::Values(FindCase{"GmailEnglish", 2, "ana@gmail.com", "smtp.gmail.com", "465", 2,
                             "Settings for Gmail, known to the program", "oauth2", "google", "500"},
                    FindCase{"OutlookSlovenian", 1, "ana@hotmail.com", "smtp-mail.outlook.com", "587", 1,
                             "Nastavitve za Outlook.com iz programa", "oauth2", "microsoft", "250"},
                    FindCase{"YahooPassword", 2, "ana@yahoo.com", "smtp.mail.yahoo.com", "465", 2,
                             "Sign-in with the password.", "password", "", "250"},
                    FindCase{"WebDe", 1, "ana@web.de", "smtp.web.de", "587", 1, "Prijava z geslom.", "password", "",
                             "250"}),
    [](const testing::TestParamInfo<FindCase>& info) { return std::string(info.param.Name); });

TEST(FindSettingsDialogClose, StopsTheLookupUnderWay)
{
    TSandbox sandbox;
    TScriptedUi ui;
    TSettingsDialog dialog(nullptr);
    dialog.show();
    dialog.emailEdit->setText("ana@gmail.com");
    dialog.findSettingsButton->click();
    dialog.hide();
    for (int i = 0; i < 20; ++i)
        Pump();
    EXPECT_EQ(Str(dialog.hostEdit->text()), "") << "nothing is filled in behind a closed dialog";
    EXPECT_TRUE(dialog.findSettingsButton->isEnabled());
}

} // namespace
