// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsDialog.h"

#include "app/Guard.h"
#include "app/Language.h"
#include "app/Pictures.h"
#include "base/Exception.h"
#include "workflow/account/AccountPasswords.h"
#include "workflow/autoconfig/AccountTest.h"
#include "workflow/autoconfig/SettingsFinder.h"
#include "workflow/settings/Settings.h"
#include "workflow/settings/StoredSettings.h"
#include "workflow/ui/Messages.h"
#include "workflow/ui/UserInterface.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

constexpr int FieldWidth = 280;
constexpr int DelayFieldWidth = 41;

// The port each security choice usually goes with: SMTP, submission with STARTTLS
// (RFC 6409), submission over TLS (RFC 8314).
constexpr int UsualPorts[] = {25, 587, 465};

// An empty field a job needs stands out until it is filled.
constexpr const char* NeededStyle = "QLineEdit[needed=\"true\"] { border: 2px solid #c81e1e; background: #fff1f1; }";

std::string Text(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

QString QText(const std::string& text)
{
    return QString::fromStdString(text);
}

QToolButton* PictureButton(const char* name, const QString& picture, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setFixedSize(230, 33);
    button->setIconSize(QSize(230, 33));
    button->setIcon(PictureIcon(picture));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

}

TSettingsDialog::TSettingsDialog(QWidget* owner) : QDialog(owner), FValues(DefaultSettings())
{
    setObjectName("Form3");
    setWindowTitle("Varnolt Pelmar");
    setFixedSize(690, 560);
    setModal(true);
    setStyleSheet(NeededStyle);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 12, 22, 14);
    headingLabel = new QLabel(this);
    headingLabel->setObjectName("headingLabel");
    headingLabel->setStyleSheet("QLabel { color: #1d4ed8; font-weight: bold; font-size: 15pt; }");
    layout->addWidget(headingLabel);
    BuildFields();
    layout->addWidget(fieldPanel);
    neededLabel = new QLabel(this);
    neededLabel->setObjectName("neededLabel");
    neededLabel->setStyleSheet("QLabel { color: #c81e1e; font-weight: bold; }");
    neededLabel->hide();
    layout->addWidget(neededLabel);
    BuildFinderControls();
    layout->addWidget(settingsSourceLabel);
    layout->addStretch(1);
    BuildButtons();
    WireFields();
    ApplyInitialSettingsTexts(*this);

    // The first seven keep their order (the port last of them); the secured connection's
    // follow, then the wait before retries.
    // The lookup's buttons come last, so that the fields keep their order.
    QWidget* order[] = {nameEdit,     emailEdit,       hostEdit,           userIdEdit,       charsetEdit,
                        delayEdit,    portEdit,        securityNone,       securityStartTls, securityTls,
                        passwordEdit, timeOutEdit,     retryWaitEdit,      perMinuteEdit,    perHourEdit,
                        perDayEdit,   unsubscribeEdit, findSettingsButton, testButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QLineEdit* field : {nameEdit, emailEdit, hostEdit, portEdit, userIdEdit})
        connect(field, &QLineEdit::textChanged, this, [this] { MarkNeededFields(); });
}

QLineEdit* TSettingsDialog::AddField(const char* editName, QLabel*& label, const char* labelName, int row)
{
    auto* grid = static_cast<QGridLayout*>(fieldPanel->layout());
    label = new QLabel(fieldPanel);
    label->setObjectName(labelName);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* edit = new QLineEdit(fieldPanel);
    edit->setObjectName(editName);
    edit->setFixedWidth(FieldWidth);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1, Qt::AlignLeft);
    return edit;
}

void TSettingsDialog::BuildFields()
{
    fieldPanel = new QFrame(this);
    fieldPanel->setObjectName("fieldPanel");
    fieldPanel->setFrameShape(QFrame::Panel);
    fieldPanel->setFrameShadow(QFrame::Sunken);
    fieldPanel->setAutoFillBackground(true);
    auto* grid = new QGridLayout(fieldPanel);
    grid->setContentsMargins(14, 10, 14, 10);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(0, 1);

    nameEdit = AddField("nameEdit", nameLabel, "nameLabel", 0);
    emailEdit = AddField("emailEdit", emailLabel, "emailLabel", 1);
    hostEdit = AddField("hostEdit", hostLabel, "hostLabel", 2);
    portEdit = AddField("portEdit", portLabel, "portLabel", 3);
    userIdEdit = AddField("userIdEdit", userIdLabel, "userIdLabel", 5);
    charsetEdit = AddField("charsetEdit", charsetLabel, "charsetLabel", 7);
    delayEdit = AddField("delayEdit", delayLabel, "delayLabel", 8);
    delayUnitLabel = AddUnit(delayEdit, "delayUnitLabel", 8);
    BuildSecurityFields(4);
    BuildLimitFields(19); // under the sign-in rows (BuildSignInFields: 11 to 18)

    portLabel->setText("Port");
}

// A short number field followed by its unit.
QLabel* TSettingsDialog::AddUnit(QLineEdit* field, const char* unitName, int row)
{
    auto* grid = static_cast<QGridLayout*>(fieldPanel->layout());
    field->setFixedWidth(DelayFieldWidth);
    grid->removeWidget(field);
    auto* line = new QHBoxLayout;
    line->setSpacing(6);
    line->addWidget(field);
    auto* unit = new QLabel(fieldPanel);
    unit->setObjectName(unitName);
    line->addWidget(unit);
    line->addStretch(1);
    grid->addLayout(line, row, 1);
    return unit;
}

// The security choice under the port, the password under the user name, the time-out and
// the wait before retries last.
void TSettingsDialog::BuildSecurityFields(int firstRow)
{
    auto* grid = static_cast<QGridLayout*>(fieldPanel->layout());
    securityLabel = new QLabel(fieldPanel);
    securityLabel->setObjectName("securityLabel");
    securityLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* choices = new QHBoxLayout;
    choices->setSpacing(14);
    QRadioButton** buttons[] = {&securityNone, &securityStartTls, &securityTls};
    const char* names[] = {"securityNone", "securityStartTls", "securityTls"};
    for (int index = 0; index < 3; ++index) {
        QRadioButton* button = new QRadioButton(fieldPanel);
        button->setObjectName(names[index]);
        *buttons[index] = button;
        choices->addWidget(button);
        connect(button, &QRadioButton::toggled, this, [this, index](bool on) {
            if (on)
                FollowSecurityWithPort(index);
        });
    }
    choices->addStretch(1);
    securityNone->setChecked(true);
    securityLabel->setBuddy(securityNone);
    grid->addWidget(securityLabel, firstRow, 0);
    grid->addLayout(choices, firstRow, 1);

    passwordEdit = AddField("passwordEdit", passwordLabel, "passwordLabel", firstRow + 2);
    passwordEdit->setEchoMode(QLineEdit::Password);
    timeOutEdit = AddField("timeOutEdit", timeOutLabel, "timeOutLabel", firstRow + 5);
    timeOutUnitLabel = AddUnit(timeOutEdit, "timeOutUnitLabel", firstRow + 5);
    retryWaitEdit = AddField("retryWaitEdit", retryWaitLabel, "retryWaitLabel", firstRow + 6);
    retryWaitUnitLabel = AddUnit(retryWaitEdit, "retryWaitUnitLabel", firstRow + 6);
    BuildSignInFields(firstRow + 7);
}

// Every field the settings table names shows its setting's default until the store is read;
// a number field refuses what its row does not take.
void TSettingsDialog::WireFields()
{
    for (const TSettingRow& row : SettingRows) {
        QLineEdit* field = FieldOf(row);
        if (!field)
            continue;
        field->setText(QText(FieldText(row, FValues)));
        field->setProperty("lastGood", field->text());
        if (std::holds_alternative<TIntegerSetting>(row.Member))
            connect(field, &QLineEdit::textChanged, this, [this, field, &row] { CheckNumber(field, row); });
    }
}

// Null for a setting the dialog shows in no line field of its own (the security choice's
// buttons, the sign-in's controls).
QLineEdit* TSettingsDialog::FieldOf(const TSettingRow& row) const
{
    return row.Field ? fieldPanel->findChild<QLineEdit*>(row.Field) : nullptr;
}

// The account's sending limits on one line, and the unsubscribe choice under them.
void TSettingsDialog::BuildLimitFields(int row)
{
    auto* grid = static_cast<QGridLayout*>(fieldPanel->layout());
    limitsLabel = new QLabel(fieldPanel);
    limitsLabel->setObjectName("limitsLabel");
    limitsLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* line = new QHBoxLayout;
    line->setSpacing(6);
    const auto addLimit = [&](const char* editName, const char* unitName, QLabel*& unit) {
        auto* edit = new QLineEdit(fieldPanel);
        edit->setObjectName(editName);
        edit->setFixedWidth(DelayFieldWidth);
        unit = new QLabel(fieldPanel);
        unit->setObjectName(unitName);
        line->addWidget(edit);
        line->addWidget(unit);
        return edit;
    };
    perMinuteEdit = addLimit("perMinuteEdit", "perMinuteUnitLabel", perMinuteUnitLabel);
    perHourEdit = addLimit("perHourEdit", "perHourUnitLabel", perHourUnitLabel);
    perDayEdit = addLimit("perDayEdit", "perDayUnitLabel", perDayUnitLabel);
    line->addStretch(1);
    limitsLabel->setBuddy(perMinuteEdit);
    grid->addWidget(limitsLabel, row, 0);
    grid->addLayout(line, row, 1);
    unsubscribeEdit = AddField("unsubscribeEdit", unsubscribeLabel, "unsubscribeLabel", row + 1);
}

// A port that still holds the previous choice's usual port was not chosen by the user:
// it follows the new choice.
void TSettingsDialog::FollowSecurityWithPort(int index)
{
    const int previous = std::exchange(FSecurityIndex, index);
    if (portEdit->text() == QString::number(UsualPorts[previous]))
        portEdit->setText(QString::number(UsualPorts[index]));
}

int TSettingsDialog::SecurityIndex() const
{
    return FSecurityIndex;
}

// Any value but 1 and 2 is the plain dialogue, as a missing one is.
void TSettingsDialog::SetSecurityIndex(int index)
{
    QRadioButton* button = index == 1 ? securityStartTls : index == 2 ? securityTls : securityNone;
    const QSignalBlocker quiet(button);
    button->setChecked(true);
    FSecurityIndex = index == 1 || index == 2 ? index : 0;
}

void TSettingsDialog::BuildButtons()
{
    cancelButton = PictureButton("cancelButton", "cancel", this);
    okButton = PictureButton("okButton", "ok", this);
    auto* row = new QHBoxLayout;
    row->addWidget(cancelButton);
    row->addStretch(1);
    row->addWidget(okButton);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
    connect(okButton, &QToolButton::clicked, this, &TSettingsDialog::saveAndClose);
    connect(cancelButton, &QToolButton::clicked, this, &QDialog::reject);
}

// "Find settings" beside the address, "Test" beside the password, and under the fields
// the line that says where found settings came from.
void TSettingsDialog::BuildFinderControls()
{
    auto* grid = static_cast<QGridLayout*>(fieldPanel->layout());
    findSettingsButton = new QPushButton(fieldPanel);
    findSettingsButton->setObjectName("findSettingsButton");
    grid->addWidget(findSettingsButton, 1, 2);
    testButton = new QPushButton(fieldPanel);
    testButton->setObjectName("testButton");
    grid->addWidget(testButton, 6, 2);
    settingsSourceLabel = new QLabel(this);
    settingsSourceLabel->setObjectName("settingsSourceLabel");
    settingsSourceLabel->setWordWrap(true);
    settingsSourceLabel->setStyleSheet("QLabel { color: #1d4ed8; }");
    connect(findSettingsButton, &QPushButton::clicked, this, &TSettingsDialog::findSettings);
    connect(testButton, &QPushButton::clicked, this, &TSettingsDialog::testSettings);
    connect(emailEdit, &QLineEdit::textChanged, this,
            [this] { findSettingsButton->setEnabled(!FFinder && emailEdit->text().contains('@')); });
}

void TSettingsDialog::findSettings()
{
    const std::string address = Text(emailEdit).substr(0, Text(emailEdit).find_last_not_of(' ') + 1);
    TSettingsFinder::TOptions options;
    bool read = false;
    Guard([&] {
        options = TSettingsFinder::StoredOptions();
        read = true;
    });
    if (!read)
        return;
    options.AllowHttp = [](const std::string& url) {
        return UserInterface().Ask(Messages::AskHttp(url), Messages::HttpAnswers()) == 1;
    };
    delete FFinder;
    FFinder = new TSettingsFinder(options, this);
    findSettingsButton->setEnabled(false);
    settingsSourceLabel->setToolTip({});
    settingsSourceLabel->setText(QText(Messages::FindingSettings(address)));
    FFinder->Start(address, [this](const std::optional<TFoundAccount>& account, const std::vector<std::string>& notes) {
        ShowFoundSettings(account, notes);
    });
}

// The fields take what was found and stay the user's to change; what each source said
// is in the line's tool tip.
void TSettingsDialog::ShowFoundSettings(const std::optional<TFoundAccount>& account,
                                        const std::vector<std::string>& notes)
{
    FFinder->deleteLater();
    FFinder = nullptr;
    findSettingsButton->setEnabled(true);
    QStringList said;
    for (const std::string& note : notes)
        said << QText(note);
    settingsSourceLabel->setToolTip(said.join('\n'));
    if (!account) {
        settingsSourceLabel->setText(QText(Messages::NoSettingsFound(Text(emailEdit))));
        return;
    }
    SetSecurityIndex(account->Security);
    hostEdit->setText(QText(account->Host));
    portEdit->setText(QString::number(account->Port));
    userIdEdit->setText(QText(account->UserName));
    // A provider's published limits replace the fields' figures; the user may change them.
    if (account->Limits.Any()) {
        perMinuteEdit->setText(QString::number(account->Limits.PerMinute));
        perHourEdit->setText(QString::number(account->Limits.PerHour));
        perDayEdit->setText(QString::number(account->Limits.PerDay));
    }
    TSignInSettings signIn = SignIn();
    signIn.Mode = account->SignIn;
    if (!account->OAuthProvider.empty())
        signIn.Provider = account->OAuthProvider;
    ShowSignIn(signIn);
    settingsSourceLabel->setText(
        QText(FoundAccountOrigin(*account) + "\n" + Messages::SignInWith(account->SignIn, account->OAuthProvider)));
}

void TSettingsDialog::testSettings()
{
    for (QWidget* control : {static_cast<QWidget*>(testButton), static_cast<QWidget*>(okButton)})
        control->setEnabled(false);
    const auto enable = qScopeGuard([this] {
        testButton->setEnabled(true);
        okButton->setEnabled(true);
    });
    settingsSourceLabel->setText(QText(Messages::FindingSettings(Text(hostEdit))));
    // A number field that holds no number is said as a save of it would say it.
    Guard([&] {
        std::string report;
        {
            const auto clear = qScopeGuard([this] { settingsSourceLabel->clear(); });
            report = TestAccount(Values(), Text(passwordEdit));
        }
        UserInterface().ShowMessage(report);
    });
}

void TSettingsDialog::saveAndClose()
{
    Guard([this] {
        // Each value is written as soon as it is taken: a field that holds no number stops
        // the save there. The sign-in writes only the keys of the way chosen.
        for (const TSettingRow& row : SettingRows) {
            if (!row.Account || IsSignInRow(row))
                continue;
            TakeField(row, FValues);
            WriteSetting(row, FValues);
        }
        TakeSignIn(SignIn(), FValues);
        WriteSignInSettings(SignIn());
        SavePassword();
        accept();
    });
}

// The keyring is asked when the dialog opens (it may ask the user to unlock it), not at
// every activation of the main window.
void TSettingsDialog::LoadPassword()
{
    const std::string account = Text(userIdEdit) + "@" + Text(hostEdit);
    if (!FPasswords || passwordEdit->isModified() || account == FPasswordAccount)
        return;
    FPasswordAccount = account;
    passwordEdit->setText(QText(FPasswords->Stored(Text(userIdEdit), Text(hostEdit)).value_or("")));
    passwordEdit->setModified(false);
}

void TSettingsDialog::showEvent(QShowEvent* event)
{
    LoadPassword();
    MarkNeededFields();
    // Offered at the first start: an account without a server can be found from the address.
    findSettingsButton->setEnabled(!FFinder && emailEdit->text().contains('@'));
    if (hostEdit->text().isEmpty() && settingsSourceLabel->text().isEmpty())
        settingsSourceLabel->setText(QText(Messages::FindSettingsHint()));
    const std::vector<QLineEdit*> needed = NeededFields();
    if (!needed.empty())
        needed.front()->setFocus(Qt::OtherFocusReason);
    QDialog::showEvent(event);
}

// A lookup still under way when the dialog closes would fill fields nobody looks at.
void TSettingsDialog::hideEvent(QHideEvent* event)
{
    if (FFinder) {
        FFinder->Cancel();
        FFinder->deleteLater();
        FFinder = nullptr;
        findSettingsButton->setEnabled(true);
        settingsSourceLabel->clear();
    }
    QDialog::hideEvent(event);
}

std::vector<QLineEdit*> TSettingsDialog::NeededFields() const
{
    std::vector<QLineEdit*> needed;
    for (QLineEdit* field : {nameEdit, emailEdit, hostEdit, portEdit, userIdEdit})
        if (field->text().isEmpty())
            needed.push_back(field);
    return needed;
}

void TSettingsDialog::MarkNeededFields()
{
    const std::vector<QLineEdit*> needed = NeededFields();
    for (QLineEdit* field : {nameEdit, emailEdit, hostEdit, portEdit, userIdEdit}) {
        const bool mark = std::find(needed.begin(), needed.end(), field) != needed.end();
        if (field->property("needed").toBool() == mark)
            continue;
        field->setProperty("needed", mark);
        field->style()->unpolish(field);
        field->style()->polish(field);
    }
    neededLabel->setText(NeededFieldsNote(static_cast<int>(needed.size())));
    neededLabel->setVisible(!needed.empty());
}

// A value that cannot be read stops the reading; the fields show what was read before it.
void TSettingsDialog::LoadStoredSettings()
{
    TSettings settings = FValues;
    for (const TSettingRow& row : SettingRows) {
        try {
            TakeField(row, settings);
        } catch (const Exception&) {
            // a number field holding no number: the copy's value stands
        }
    }
    const auto show = qScopeGuard([&] {
        FValues = settings;
        ShowSettings(settings);
    });
    ReadAccount(settings);
}

TSettings TSettingsDialog::Values() const
{
    TSettings settings = FValues;
    for (const TSettingRow& row : SettingRows)
        TakeField(row, settings);
    TakeSignIn(SignIn(), settings);
    return settings;
}

std::string TSettingsDialog::Email() const
{
    return Text(emailEdit);
}

void TSettingsDialog::TakeField(const TSettingRow& row, TSettings& settings) const
{
    if (const QLineEdit* field = FieldOf(row))
        TakeFieldText(row, Text(field), settings);
    else if (const auto* member = std::get_if<TIntegerSetting>(&row.Member); member && *member == &TSettings::Security)
        settings.Security = SecurityIndex();
}

void TSettingsDialog::ShowSettings(const TSettings& settings)
{
    for (const TSettingRow& row : SettingRows)
        if (QLineEdit* field = FieldOf(row))
            field->setText(QText(FieldText(row, settings)));
    SetSecurityIndex(settings.Security);
    ShowSignIn(SignInOf(settings));
}

bool TSettingsDialog::AccountComplete() const
{
    return !nameEdit->text().isEmpty() && !emailEdit->text().isEmpty() && !hostEdit->text().isEmpty()
        && !userIdEdit->text().isEmpty();
}

void TSettingsDialog::AskForSettings()
{
    UserInterface().ExecModal(*this);
}

// Every change is checked, typed or set by the program; a refused edit is taken back.
void TSettingsDialog::CheckNumber(QLineEdit* field, const TSettingRow& row)
{
    if (FieldInteger(row, Text(field))) {
        field->setProperty("lastGood", field->text());
        return;
    }
    const QString lastGood = field->property("lastGood").toString();
    Guard([] { UserInterface().ShowMessage(Messages::NumbersOnly()); });
    const QSignalBlocker quiet(field);
    // A typed edit is undone with its cursor; a text set by the program has no undo step.
    field->undo();
    if (field->text() != lastGood)
        field->setText(lastGood);
}

void TSettingsDialog::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    PaintPicture(painter, "settings-background", rect());
    QDialog::paintEvent(event);
}
