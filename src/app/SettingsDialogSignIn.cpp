// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog's sign-in fields: how the account signs in, and the OAuth 2.0 client or the
// token command that goes with it. Only the fields of the chosen way are shown.
#include "app/SettingsDialog.h"

#include "workflow/account/SignInMessages.h"
#include "workflow/settings/StoredSettings.h"
#include "workflow/ui/UserInterface.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace {

const char* const Modes[] = {"password", "oauth2", "command"};
const char* const Providers[] = {"google", "microsoft", "other"};

std::string Text(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

template <std::size_t N>
int IndexOf(const char* const (&names)[N], const std::string& name, int fallback)
{
    for (std::size_t i = 0; i < N; ++i)
        if (name == names[i])
            return static_cast<int>(i);
    return fallback;
}

}

QHBoxLayout* TSettingsDialog::AddChoices(std::vector<QRadioButton*>& buttons, const std::vector<const char*>& names)
{
    auto* line = new QHBoxLayout;
    line->setSpacing(14);
    // A group of its own: the radio buttons of one panel would otherwise exclude each other.
    auto* group = new QButtonGroup(this);
    for (const char* name : names) {
        auto* button = new QRadioButton(fieldPanel);
        button->setObjectName(name);
        group->addButton(button);
        buttons.push_back(button);
        line->addWidget(button);
        connect(button, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                FollowSignInChoice();
        });
    }
    line->addStretch(1);
    buttons.front()->setChecked(true);
    return line;
}

void TSettingsDialog::BuildSignInFields(int firstRow)
{
    auto* grid = static_cast<QGridLayout*>(fieldPanel->layout());
    for (auto [label, name, row] : {std::tuple{&signInLabel, "signInLabel", firstRow},
                                    std::tuple{&providerLabel, "providerLabel", firstRow + 1}}) {
        *label = new QLabel(fieldPanel);
        (*label)->setObjectName(name);
        (*label)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(*label, row, 0);
    }
    grid->addLayout(AddChoices(signInChoices, {"signInPassword", "signInOAuth", "signInCommand"}), firstRow, 1);
    grid->addLayout(AddChoices(providerChoices, {"providerGoogle", "providerMicrosoft", "providerOther"}), firstRow + 1,
                    1);
    clientIdEdit = AddField("clientIdEdit", clientIdLabel, "clientIdLabel", firstRow + 2);
    clientSecretEdit = AddField("clientSecretEdit", clientSecretLabel, "clientSecretLabel", firstRow + 3);
    authUrlEdit = AddField("authUrlEdit", authUrlLabel, "authUrlLabel", firstRow + 4);
    tokenUrlEdit = AddField("tokenUrlEdit", tokenUrlLabel, "tokenUrlLabel", firstRow + 5);
    scopeEdit = AddField("scopeEdit", scopeLabel, "scopeLabel", firstRow + 6);
    tokenCommandEdit = AddField("tokenCommandEdit", tokenCommandLabel, "tokenCommandLabel", firstRow + 7);
    FollowSignInChoice();
}

int TSettingsDialog::Chosen(const std::vector<QRadioButton*>& buttons)
{
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i]->isChecked())
            return static_cast<int>(i);
    return 0;
}

// A provider's preset shows its endpoints and scope; "Other" takes them by hand. The
// password field belongs to the password only.
void TSettingsDialog::FollowSignInChoice()
{
    if (signInChoices.size() < 3 || providerChoices.size() < 3 || !tokenCommandEdit)
        return;
    const int mode = Chosen(signInChoices);
    const int provider = Chosen(providerChoices);
    const TOAuthPreset preset = PresetOf(Providers[provider]);
    for (auto [edit, value] : {std::pair{authUrlEdit, &preset.AuthUrl}, std::pair{tokenUrlEdit, &preset.TokenUrl},
                               std::pair{scopeEdit, &preset.Scope}}) {
        edit->setReadOnly(!value->empty());
        if (!value->empty())
            edit->setText(QString::fromStdString(*value));
    }
    const bool oauth = mode == 1;
    passwordLabel->setVisible(mode == 0);
    passwordEdit->setVisible(mode == 0);
    providerLabel->setVisible(oauth);
    for (QRadioButton* button : providerChoices)
        button->setVisible(oauth);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{clientIdLabel, clientIdEdit, clientSecretLabel, clientSecretEdit, authUrlLabel,
                                         authUrlEdit, tokenUrlLabel, tokenUrlEdit, scopeLabel, scopeEdit})
        widget->setVisible(oauth);
    tokenCommandLabel->setVisible(mode == 2);
    tokenCommandEdit->setVisible(mode == 2);
}

TSignInSettings TSettingsDialog::SignIn() const
{
    TSignInSettings settings;
    settings.Mode = Modes[Chosen(signInChoices)];
    settings.Provider = Providers[Chosen(providerChoices)];
    settings.ClientId = Text(clientIdEdit);
    settings.ClientSecret = Text(clientSecretEdit);
    settings.AuthUrl = Text(authUrlEdit);
    settings.TokenUrl = Text(tokenUrlEdit);
    settings.Scope = Text(scopeEdit);
    settings.TokenCommand = Text(tokenCommandEdit);
    return settings;
}

void TSettingsDialog::ShowSignIn(const TSignInSettings& settings)
{
    providerChoices[IndexOf(Providers, settings.Provider, 2)]->setChecked(true);
    signInChoices[IndexOf(Modes, settings.Mode, 0)]->setChecked(true);
    clientIdEdit->setText(QString::fromStdString(settings.ClientId));
    clientSecretEdit->setText(QString::fromStdString(settings.ClientSecret));
    authUrlEdit->setText(QString::fromStdString(settings.AuthUrl));
    tokenUrlEdit->setText(QString::fromStdString(settings.TokenUrl));
    scopeEdit->setText(QString::fromStdString(settings.Scope));
    tokenCommandEdit->setText(QString::fromStdString(settings.TokenCommand));
    FollowSignInChoice();
}

// Where no keyring takes the password, the person hears that it will be asked for at
// each start, rather than finding it gone.
void TSettingsDialog::SavePassword()
{
    if (!FPasswords || !passwordEdit->isModified())
        return;
    const bool kept = FPasswords->Store(Text(userIdEdit), Text(hostEdit), Text(passwordEdit));
    FPasswordAccount = Text(userIdEdit) + "@" + Text(hostEdit);
    passwordEdit->setModified(false);
    if (!kept && !passwordEdit->text().isEmpty())
        UserInterface().ShowMessage(Messages::NoKeyring());
}
