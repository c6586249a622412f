// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFixture.h"
#include "workflow/program/ProgramState.h"
#include "workflow/settings/SettingsStore.h"

#include <QLabel>
#include <QRadioButton>

namespace {

class SettingsDialog : public ::testing::Test {
protected:
    TSandbox Sandbox;
    TScriptedUi Ui;
    TSettingsDialog Dialog{nullptr};

    void Fill(const std::vector<std::pair<QLineEdit*, const char*>>& fields)
    {
        for (const auto& [field, text] : fields)
            field->setText(text);
    }
};

enum class TEdit { End, Home, SelectAll, Backspace };

struct NumberEditCase {
    const char* name;
    const char* start;
    TEdit where;
    const char* typed; // empty with Backspace
    const char* result;
    bool refused;
    int cursorAfter;
};

void PrintTo(const NumberEditCase& c, std::ostream* os)
{
    *os << c.name;
}

class NumberCheck : public SettingsDialog, public ::testing::WithParamInterface<NumberEditCase> { };

TEST_P(NumberCheck, RefusedEditIsTakenBackAfterTheMessage)
{
    const auto& c = GetParam();
    for (QLineEdit* field : {Dialog.delayEdit, Dialog.portEdit}) {
        Ui.Messages.clear();
        field->setText(c.start);
        switch (c.where) {
        case TEdit::End: field->end(false); break;
        case TEdit::Home: field->home(false); break;
        case TEdit::SelectAll: field->selectAll(); break;
        case TEdit::Backspace:
            field->end(false);
            SendKey(field, QEvent::KeyPress, Qt::Key_Backspace);
            break;
        }
        Type(field, c.typed);
        EXPECT_EQ(Str(field->text()), c.result) << field->objectName().toStdString();
        EXPECT_EQ(field->cursorPosition(), c.cursorAfter) << "the cursor returns to where it stood";
        EXPECT_EQ(Ui.Messages,
                  c.refused ? std::vector<std::string>{"You can enter only numbers!"} : std::vector<std::string>{});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Edits, NumberCheck,
    ::testing::Values(NumberEditCase{"LetterAfterNumber", "25", TEdit::End, "a", "25", true, 2},
                      NumberEditCase{"DigitAfterNumber", "25", TEdit::End, "0", "250", false, 3},
                      NumberEditCase{"DeletingLastCharacter", "0", TEdit::Backspace, "", "0", true, 1},
                      NumberEditCase{"ReplacingSelection", "25", TEdit::SelectAll, "7", "7", false, 1},
                      NumberEditCase{"MinusInFront", "5", TEdit::Home, "-", "-5", false, 1},
                      NumberEditCase{"BlankAtEnd", "5", TEdit::End, " ", "5", true, 1},
                      NumberEditCase{"HexPrefixInFront", "10", TEdit::Home, "$", "$10", false, 1},
                      NumberEditCase{"TooLarge", "2147483647", TEdit::End, "0", "2147483647", true, 10},
                      NumberEditCase{"PortAbove65535Passes", "6553", TEdit::End, "6", "65536", false, 5}),
    [](const auto& info) { return info.param.name; });

TEST_F(SettingsDialog, NumberMessageFollowsTheLanguage)
{
    CurrentLanguage = 1;
    Dialog.portEdit->setText("25");
    Dialog.portEdit->end(false);
    Type(Dialog.portEdit, "x");
    EXPECT_EQ(Str(Dialog.portEdit->text()), "25");
    EXPECT_EQ(Ui.Messages, std::vector<std::string>{"V polje vnesite številsko vrednost!"});
}

TEST_F(SettingsDialog, StartsWithItsInitialTexts)
{
    EXPECT_EQ(Str(Dialog.portEdit->text()), "25");
    EXPECT_EQ(Str(Dialog.charsetEdit->text()), "utf-8");
    EXPECT_EQ(Str(Dialog.delayEdit->text()), "0");
}

TEST_F(SettingsDialog, TabGoesThroughTheFieldsWithThePortLast)
{
    const std::vector<QLineEdit*> order = {Dialog.nameEdit,    Dialog.emailEdit, Dialog.hostEdit, Dialog.userIdEdit,
                                           Dialog.charsetEdit, Dialog.delayEdit, Dialog.portEdit};
    for (size_t i = 0; i + 1 < order.size(); ++i) {
        QWidget* next = order[i]->nextInFocusChain();
        while (next && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, order[i + 1]) << order[i]->objectName().toStdString();
    }
}

TEST_F(SettingsDialog, SaveStoresEveryFieldAsTypedAndCloses)
{
    Fill({{Dialog.nameEdit, " Ana "},
          {Dialog.emailEdit, "ana@example.org"},
          {Dialog.hostEdit, "mail.example.org"},
          {Dialog.portEdit, "$24B"},
          {Dialog.userIdEdit, "ana"},
          {Dialog.charsetEdit, "utf-8"},
          {Dialog.delayEdit, "-5"},
          {Dialog.retryWaitEdit, "90"},
          {Dialog.perHourEdit, "1000"},
          {Dialog.unsubscribeEdit, "mailto"}});
    Dialog.okButton->click();
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Sandbox.ReadSettings(),
              "[General]\ncharset=utf-8\nemail=ana@example.org\n"
              "host=mail.example.org\nime=\" Ana \"\npavza=-5\nperday=0\nperhour=1000\n"
              "perminute=0\nport=587\nretrywait=90\n"
              "security=0\nsignin=password\ntimeout=60\nunsubscribe=mailto\nusername=ana\n");
    EXPECT_EQ(Dialog.Values().RetryWait, 90);
    EXPECT_EQ(RegReadString(SettingsKey, "ime", ""), " Ana ");
    EXPECT_TRUE(Ui.Errors.empty());
}

// The settings table names the fields by their object names: each must be one of the dialog's.
TEST_F(SettingsDialog, EveryFieldTheTableNamesIsInTheDialog)
{
    for (const TSettingRow& row : SettingRows) {
        if (row.Field) {
            EXPECT_NE(Dialog.findChild<QWidget*>(row.Field), nullptr) << row.Key;
        }
    }
}

TEST_F(SettingsDialog, CancelWritesNothingAndKeepsTheTypedTexts)
{
    RegWriteString(SettingsKey, "host", "old.example.org");
    Dialog.hostEdit->setText("new.example.org");
    Dialog.cancelButton->click();
    EXPECT_EQ(Dialog.result(), QDialog::Rejected);
    EXPECT_EQ(RegReadString(SettingsKey, "host", ""), "old.example.org");
    EXPECT_EQ(Str(Dialog.hostEdit->text()), "new.example.org");
}

TEST_F(SettingsDialog, PortThatDoesNotConvertStopsTheSaveThere)
{
    Fill(
        {{Dialog.nameEdit, "Ana"}, {Dialog.emailEdit, "a@x.org"}, {Dialog.hostEdit, "mx"}, {Dialog.userIdEdit, "ana"}});
    {
        const QSignalBlocker unchecked(Dialog.portEdit);
        Dialog.portEdit->setText("2x");
    }
    Dialog.setResult(QDialog::Rejected);
    Dialog.okButton->click();
    EXPECT_EQ(Ui.Errors, std::vector<std::string>{"'2x' is not a valid integer value"});
    EXPECT_EQ(Dialog.result(), QDialog::Rejected);
    EXPECT_EQ(RegReadString(SettingsKey, "host", ""), "mx");
    EXPECT_EQ(RegReadString(SettingsKey, "pavza", "none"), "0");
    EXPECT_EQ(RegReadString(SettingsKey, "security", "none"), "none");
}

}

namespace {

TEST(SettingsDialogCheck, TextSetByTheProgramIsCheckedToo)
{
    TSandbox sandbox;
    TScriptedUi ui;
    TSettingsDialog form3(nullptr);
    form3.portEdit->setText("587");
    form3.portEdit->setText("abc");
    EXPECT_EQ(Str(form3.portEdit->text()), "587");
    EXPECT_EQ(ui.Messages, std::vector<std::string>{"You can enter only numbers!"});
}

}

namespace {

// The sign-in row: what each way shows, and the keys OK writes for it.
struct SignInCase {
    const char* Name;
    friend void PrintTo(const SignInCase& c, std::ostream* out) { *out << c.Name; }
    int Mode;     // password, OAuth 2.0, command
    int Provider; // Google, Microsoft, Other
    std::vector<std::string> Shown;
    std::string Written; // the sign-in lines of the settings file
};

class SignInFields : public SettingsDialog, public ::testing::WithParamInterface<SignInCase> { };

TEST_P(SignInFields, ShowTheChosenWaysFieldsAndWriteItsKeys)
{
    const SignInCase& c = GetParam();
    Dialog.providerChoices[c.Provider]->setChecked(true);
    Dialog.signInChoices[c.Mode]->setChecked(true);
    Fill({{Dialog.clientIdEdit, "id-1"}, {Dialog.tokenCommandEdit, "oama access ana"}});
    if (c.Provider == 2)
        Fill({{Dialog.authUrlEdit, "https://id.example/auth"},
              {Dialog.tokenUrlEdit, "https://id.example/token"},
              {Dialog.scopeEdit, "smtp"}});
    std::vector<std::string> shown;
    for (QWidget* field : std::initializer_list<QWidget*>{Dialog.passwordEdit, Dialog.clientIdEdit, Dialog.scopeEdit,
                                                          Dialog.tokenCommandEdit})
        if (!field->isHidden())
            shown.push_back(field->objectName().toStdString());
    EXPECT_EQ(shown, c.Shown);
    EXPECT_EQ(Dialog.scopeEdit->isReadOnly(), c.Provider != 2);
    Dialog.okButton->click();
    const std::string file = Sandbox.ReadSettings();
    std::string written;
    for (const char* key : {"oauth", "signin", "tokencommand"})
        for (std::size_t at = file.find(std::string("\n") + key); at != std::string::npos;
             at = file.find(std::string("\n") + key, at + 1))
            written += file.substr(at + 1, file.find('\n', at + 1) - at);
    EXPECT_EQ(written, c.Written);
}

INSTANTIATE_TEST_SUITE_P(
    SettingsDialog, SignInFields,
    ::testing::Values(
        SignInCase{"Password", 0, 0, {"passwordEdit"}, "signin=password\n"},
        SignInCase{"Microsoft",
                   1,
                   1,
                   {"clientIdEdit", "scopeEdit"},
                   "oauthauthurl=https://login.microsoftonline.com/common/oauth2/v2.0/authorize\n"
                   "oauthclientid=id-1\noauthclientsecret=\noauthprovider=microsoft\n"
                   "oauthscope=https://outlook.office.com/SMTP.Send offline_access\n"
                   "oauthtokenurl=https://login.microsoftonline.com/common/oauth2/v2.0/token\nsignin=oauth2\n"},
        SignInCase{"Other",
                   1,
                   2,
                   {"clientIdEdit", "scopeEdit"},
                   "oauthauthurl=https://id.example/auth\noauthclientid=id-1\noauthclientsecret=\n"
                   "oauthprovider=other\noauthscope=smtp\noauthtokenurl=https://id.example/token\nsignin=oauth2\n"},
        SignInCase{"Command", 2, 0, {"tokenCommandEdit"}, "signin=command\ntokencommand=oama access ana\n"}),
    [](const auto& info) { return std::string(info.param.Name); });

class NoKeyring : public SettingsDialog {
protected:
    TAccountPasswords Passwords; // no keeper
};

// Without a keyring the typed password holds for the run only, and the person is told.
TEST_F(NoKeyring, SavingAPasswordSaysItWillBeAskedAtEachStart)
{
    Dialog.SetPasswords(&Passwords);
    for (const int language : {2, 1}) {
        CurrentLanguage = language;
        Ui.Messages.clear();
        Dialog.passwordEdit->setText("s3cret");
        Dialog.passwordEdit->setModified(true);
        Dialog.okButton->click();
        EXPECT_EQ(Ui.Messages,
                  std::vector<std::string>{language == 1
                                               ? "Shramba gesel se ne odziva: geslo bo vprašano ob vsakem zagonu."
                                               : "No keyring answers: the password will be asked for at each start."});
    }
    CurrentLanguage = 2;
}

} // namespace
