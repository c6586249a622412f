// SPDX-License-Identifier: GPL-3.0-or-later
// The settings of the secured connection: the security choice and the port that follows
// it, the time-out, the password that never reaches the settings file, and the marks on
// the fields a job still needs.
#include "AppFixture.h"
#include "app/QtUserInterface.h"
#include "keyring/KeyringPasswords.h"
#include "support/MemoryKeeper.h"
#include "workflow/account/AccountPasswords.h"
#include "workflow/settings/SettingsStore.h"

#include <QInputDialog>
#include <QLabel>
#include <QRadioButton>
#include <QTimer>

#include <map>

namespace {

class SecuritySettings : public ::testing::Test {
protected:
    TSandbox Sandbox;
    TScriptedUi Ui;
    TMemoryKeeper Keeper;
    TAccountPasswords Passwords;
    TSettingsDialog Dialog{nullptr};

    void SetUp() override
    {
        Passwords.SetKeeper(&Keeper);
        Dialog.SetPasswords(&Passwords);
    }
    QRadioButton* Choice(int index) const
    {
        return index == 0 ? Dialog.securityNone : index == 1 ? Dialog.securityStartTls : Dialog.securityTls;
    }
};

struct PortCase {
    const char* Name;
    friend void PrintTo(const PortCase& c, std::ostream* out) { *out << c.Name; }
    int From;
    const char* PortBefore;
    int To;
    const char* PortAfter;
};

class PortFollows : public SecuritySettings, public ::testing::WithParamInterface<PortCase> { };

TEST_P(PortFollows, OnlyWhileItHoldsThePreviousChoicesUsualPort)
{
    Choice(GetParam().From)->setChecked(true);
    Dialog.portEdit->setText(GetParam().PortBefore);
    Choice(GetParam().To)->click();
    EXPECT_EQ(Str(Dialog.portEdit->text()), GetParam().PortAfter);
    EXPECT_EQ(Dialog.SecurityIndex(), GetParam().To);
    EXPECT_EQ(Dialog.Values().Security, GetParam().To);
}

INSTANTIATE_TEST_SUITE_P(SecuritySettings, PortFollows,
                         ::testing::Values(PortCase{"NoneToStartTls", 0, "25", 1, "587"},
                                           PortCase{"StartTlsToTls", 1, "587", 2, "465"},
                                           PortCase{"TlsToNone", 2, "465", 0, "25"},
                                           PortCase{"NoneToTls", 0, "25", 2, "465"},
                                           PortCase{"OwnPortStays", 0, "2525", 1, "2525"},
                                           PortCase{"AnotherChoicesPortStays", 1, "465", 0, "465"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SecuritySettings, SecurityAndTimeOutAreStoredButThePasswordOnlyInTheKeyring)
{
    Dialog.nameEdit->setText("Ana");
    Dialog.hostEdit->setText("smtp.example.org");
    Dialog.userIdEdit->setText("ana");
    Dialog.securityStartTls->click();
    Dialog.timeOutEdit->setText("30");
    Type(Dialog.passwordEdit, "s3cret");
    Dialog.okButton->click();
    EXPECT_EQ(RegReadString(SettingsKey, "security", ""), "1");
    EXPECT_EQ(RegReadString(SettingsKey, "port", ""), "587");
    EXPECT_EQ(RegReadString(SettingsKey, "timeout", ""), "30");
    EXPECT_EQ(Sandbox.ReadSettings().find("s3cret"), std::string::npos);
    EXPECT_EQ(Keeper.Entries, (std::map<std::string, std::string>{{"ana@smtp.example.org", "s3cret"}}));
    EXPECT_EQ(Passwords.Stored("ana", "smtp.example.org"), "s3cret");

    // A password not typed again is not written again; an emptied one is removed.
    Keeper.Entries.clear();
    Dialog.okButton->click();
    EXPECT_TRUE(Keeper.Entries.empty());
    Keeper.Entries["ana@smtp.example.org"] = "s3cret";
    Dialog.passwordEdit->selectAll();
    SendKey(Dialog.passwordEdit, QEvent::KeyPress, Qt::Key_Backspace);
    Dialog.okButton->click();
    EXPECT_TRUE(Keeper.Entries.empty());
}

TEST_F(SecuritySettings, StoredValuesLoadAndAMissingOrUnknownSecurityIsNone)
{
    const std::pair<const char*, int> cases[] = {
        {"", 0}, {"security=2\n", 2}, {"security=1\n", 1}, {"security=7\n", 0}};
    for (const auto& [line, index] : cases) {
        Sandbox.WriteSettings(std::string("[General]\n") + line);
        Dialog.LoadStoredSettings();
        EXPECT_EQ(Dialog.SecurityIndex(), index) << line;
        EXPECT_TRUE(Choice(index)->isChecked()) << line;
        EXPECT_EQ(Str(Dialog.portEdit->text()), "25") << "loading a choice moves no port";
    }
    EXPECT_EQ(Str(Dialog.timeOutEdit->text()), "60");
}

TEST_F(SecuritySettings, TheTimeOutTakesNumbersOnly)
{
    Dialog.timeOutEdit->setText("45");
    Dialog.timeOutEdit->end(false);
    Type(Dialog.timeOutEdit, "s");
    EXPECT_EQ(Str(Dialog.timeOutEdit->text()), "45");
    EXPECT_EQ(Ui.Messages, std::vector<std::string>{"You can enter only numbers!"});
}

TEST_F(SecuritySettings, TheKeyringsPasswordFillsTheMaskedFieldWhenTheDialogOpens)
{
    Keeper.Entries["ana@smtp.example.org"] = "s3cret";
    Dialog.userIdEdit->setText("ana");
    Dialog.hostEdit->setText("smtp.example.org");
    Dialog.show();
    EXPECT_EQ(Str(Dialog.passwordEdit->text()), "s3cret");
    EXPECT_EQ(Dialog.passwordEdit->echoMode(), QLineEdit::Password);
    Dialog.hide();
}

// The fields a job needs are marked while empty, and the dialog opens on the first one.
TEST_F(SecuritySettings, AnEmptyFieldAJobNeedsIsMarkedAndHasTheFocus)
{
    Dialog.nameEdit->setText("Ana");
    Dialog.emailEdit->setText("ana@example.org");
    Dialog.hostEdit->setText("smtp.example.org");
    Dialog.userIdEdit->setText("");
    Dialog.show();
    Dialog.activateWindow();
    PumpUntil([this] { return Dialog.focusWidget() == Dialog.userIdEdit; });
    EXPECT_EQ(Dialog.focusWidget(), Dialog.userIdEdit);
    EXPECT_EQ(Dialog.NeededFields(), std::vector<QLineEdit*>{Dialog.userIdEdit});
    EXPECT_TRUE(Dialog.userIdEdit->property("needed").toBool());
    EXPECT_FALSE(Dialog.hostEdit->property("needed").toBool());
    EXPECT_TRUE(Dialog.neededLabel->isVisible());
    Type(Dialog.userIdEdit, "ana");
    EXPECT_FALSE(Dialog.userIdEdit->property("needed").toBool());
    EXPECT_FALSE(Dialog.neededLabel->isVisible());
    Dialog.hide();
}

TEST(PasswordPrompt, IsMaskedAndAnswersWhatWasTyped)
{
    TQtUserInterface ui;
    bool masked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        masked = dialog->textEchoMode() == QLineEdit::Password;
        dialog->setTextValue("s3cret");
        dialog->accept();
    });
    EXPECT_EQ(ui.AskPassword("Password for ana on smtp.example.org:"), "s3cret");
    EXPECT_TRUE(masked);
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(ui.AskPassword("again"), std::nullopt) << "closing the prompt declines";
}

// Runs only inside a private session bus with a keyring daemon (see keyring-test.sh).
TEST(Keyring, KeepsAPasswordPerAccountAndForgetsItOnRemove)
{
    if (qEnvironmentVariableIsEmpty("PELMAR_KEYRING_TEST"))
        GTEST_SKIP() << "needs the private session bus of keyring-test.sh";
    TKeyringPasswords keyring;
    ASSERT_TRUE(keyring.Write("ana@smtp.example.org", "s3cret"));
    ASSERT_TRUE(keyring.Write("ana@other.example.org", "other"));
    EXPECT_EQ(keyring.Read("ana@smtp.example.org"), "s3cret");
    EXPECT_EQ(keyring.Read("ana@other.example.org"), "other");
    keyring.Remove("ana@smtp.example.org");
    EXPECT_EQ(keyring.Read("ana@smtp.example.org"), std::nullopt);
    EXPECT_EQ(keyring.Read("nobody@smtp.example.org"), std::nullopt);
}

TEST(Keyring, WithoutAKeyringNothingIsReadOrKept)
{
    if (!qEnvironmentVariableIsEmpty("PELMAR_KEYRING_TEST"))
        GTEST_SKIP() << "a keyring answers here";
    TKeyringPasswords keyring;
    EXPECT_FALSE(keyring.Write("ana@smtp.example.org", "s3cret"));
    EXPECT_EQ(keyring.Read("ana@smtp.example.org"), std::nullopt);
}

} // namespace
