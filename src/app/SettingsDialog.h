// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/job/SendJob.h"
#include "workflow/settings/SettingsTable.h"

#include <QDialog>
#include <optional>
#include <vector>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TSettingsFinder;
struct TFoundAccount;
class QToolButton;
class TAccountPasswords;

// The settings dialog: the user's mail account data. Its fields edit the program's
// working copy of the settings, which is what the send job reads; OK writes them to the
// settings store, except the password, which goes to the keyring only. A field that a
// job still needs is marked, and the focus goes to the first such field.
class TSettingsDialog : public QDialog, public TSendSettings {
public:
    explicit TSettingsDialog(QWidget* owner);

    QLabel* headingLabel;
    QFrame* fieldPanel;
    QLabel* nameLabel;
    QLineEdit* nameEdit;
    QLabel* emailLabel;
    QLineEdit* emailEdit;
    QLabel* hostLabel;
    QLineEdit* hostEdit; // outgoing mail server
    QLabel* portLabel;
    QLineEdit* portEdit;
    QLabel* userIdLabel;
    QLineEdit* userIdEdit;
    QLabel* charsetLabel;
    QLineEdit* charsetEdit;
    QLabel* delayLabel;
    QLineEdit* delayEdit; // seconds after each message
    QLabel* delayUnitLabel;
    QLabel* securityLabel;
    QRadioButton* securityNone;     // security 0: the plain dialogue
    QRadioButton* securityStartTls; // 1
    QRadioButton* securityTls;      // 2: TLS from the first byte
    QLabel* passwordLabel;
    QLineEdit* passwordEdit; // masked; never in the settings file
    QLabel* timeOutLabel;
    QLineEdit* timeOutEdit; // seconds, 0 waits for ever
    QLabel* timeOutUnitLabel;
    QLabel* retryWaitLabel;
    QLineEdit* retryWaitEdit; // seconds before each round of retries of deferred entries
    QLabel* retryWaitUnitLabel;
    QLabel* limitsLabel; // messages per minute, hour and 24 hours the account may send
    QLineEdit* perMinuteEdit;
    QLabel* perMinuteUnitLabel;
    QLineEdit* perHourEdit;
    QLabel* perHourUnitLabel;
    QLineEdit* perDayEdit;
    QLabel* perDayUnitLabel;
    QLabel* unsubscribeLabel;
    QLineEdit* unsubscribeEdit; // empty, "mailto" or an https address
    QLabel* signInLabel;
    std::vector<QRadioButton*> signInChoices; // password, OAuth 2.0, token command
    QLabel* providerLabel;
    std::vector<QRadioButton*> providerChoices; // Google, Microsoft, Other
    QLabel* clientIdLabel;
    QLineEdit* clientIdEdit;
    QLabel* clientSecretLabel;
    QLineEdit* clientSecretEdit;
    QLabel* authUrlLabel;
    QLineEdit* authUrlEdit;
    QLabel* tokenUrlLabel;
    QLineEdit* tokenUrlEdit;
    QLabel* scopeLabel;
    QLineEdit* scopeEdit;
    QLabel* tokenCommandLabel;
    QLineEdit* tokenCommandEdit = nullptr;
    QLabel* neededLabel;             // says what the marks on empty fields mean
    QPushButton* findSettingsButton; // fills server, port, security and user name from the address
    QPushButton* testButton;         // connects and logs in with the fields, sends nothing
    QLabel* settingsSourceLabel;     // where found settings came from, or the hint to find them
    QToolButton* cancelButton;
    QToolButton* okButton;

    // Where the typed password is kept for the run and in the keyring (not owned).
    void SetPasswords(TAccountPasswords* passwords) { FPasswords = passwords; }

    // The settings store into the fields.
    void LoadStoredSettings();
    // The fields a job needs that are empty, in the window's order.
    std::vector<QLineEdit*> NeededFields() const;
    // 0, 1 or 2 by the security choice.
    int SecurityIndex() const;
    void SetSecurityIndex(int index);
    // Name, address, host and user ID are all filled in.
    bool AccountComplete() const;

    // The fields into the settings store; the dialog closes once all are written.
    void saveAndClose();
    // Looks up the address's settings in the background; the fields fill when found.
    void findSettings();
    // Connects with the fields as they are and says what the server offers.
    void testSettings();
    // The sign-in the last settings found ask for (password or oauth2), empty before.

    // The settings as the fields hold them, as the send job reads them; a number field
    // holding no number raises.
    TSettings Values() const override;
    // The address as typed: the suppression list is kept per sending address.
    std::string Email() const;
    // The sign-in controls' choice and fields (SettingsDialogSignIn.cpp).
    TSignInSettings SignIn() const;
    void AskForSettings() override;
    // Marks the empty fields a job needs, and says so under them in the current language.
    void MarkNeededFields();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildFields();
    void BuildSecurityFields(int firstRow);
    void BuildLimitFields(int row);
    void BuildButtons();
    // The sign-in fields (SettingsDialogSignIn.cpp).
    void BuildSignInFields(int firstRow);
    class QHBoxLayout* AddChoices(std::vector<QRadioButton*>& buttons, const std::vector<const char*>& names);
    static int Chosen(const std::vector<QRadioButton*>& buttons);
    void FollowSignInChoice();
    void ShowSignIn(const TSignInSettings& settings);
    QLineEdit* AddField(const char* editName, QLabel*& label, const char* labelName, int row);
    QLabel* AddUnit(QLineEdit* field, const char* unitName, int row);
    // The number fields and those of text take their checks from the settings table.
    void WireFields();
    QLineEdit* FieldOf(const TSettingRow& row) const;
    void CheckNumber(QLineEdit* field, const TSettingRow& row);
    void FollowSecurityWithPort(int index);
    void TakeField(const TSettingRow& row, TSettings& settings) const;
    void ShowSettings(const TSettings& settings);
    void LoadPassword();
    void SavePassword();
    void BuildFinderControls();
    void ShowFoundSettings(const std::optional<TFoundAccount>& account, const std::vector<std::string>& notes);

    TSettings FValues; // the copy the fields edit: as last read or saved
    int FSecurityIndex = 0;
    TAccountPasswords* FPasswords = nullptr;
    std::string FPasswordAccount; // user name and host the password field was loaded for
    TSettingsFinder* FFinder = nullptr;
};
