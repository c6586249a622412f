#include "app/SettingsDialog.h"

#include "app/Guard.h"
#include "app/Language.h"
#include "app/Pictures.h"
#include "app/SettingsStore.h"
#include "workflow/IntegerText.h"
#include "workflow/Messages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int FieldWidth = 280;
constexpr int DelayFieldWidth = 41;

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

TSettingsDialog::TSettingsDialog(QWidget* owner) : QDialog(owner)
{
    setObjectName("Form3");
    setWindowTitle("Varnolt Pelmar");
    setFixedSize(574, 346);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 12, 22, 14);
    headingLabel = new QLabel(this);
    headingLabel->setObjectName("headingLabel");
    headingLabel->setStyleSheet("QLabel { color: #1d4ed8; font-weight: bold; font-size: 15pt; }");
    layout->addWidget(headingLabel);
    BuildFields();
    layout->addWidget(fieldPanel);
    layout->addStretch(1);
    BuildButtons();
    ApplyInitialSettingsTexts(*this);

    setTabOrder(nameEdit, emailEdit);
    setTabOrder(emailEdit, hostEdit);
    setTabOrder(hostEdit, userIdEdit);
    setTabOrder(userIdEdit, charsetEdit);
    setTabOrder(charsetEdit, delayEdit);
    setTabOrder(delayEdit, portEdit);
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
    userIdEdit = AddField("userIdEdit", userIdLabel, "userIdLabel", 4);
    charsetEdit = AddField("charsetEdit", charsetLabel, "charsetLabel", 5);
    delayEdit = AddField("delayEdit", delayLabel, "delayLabel", 6);
    delayEdit->setFixedWidth(DelayFieldWidth);
    grid->removeWidget(delayEdit);
    auto* delayRow = new QHBoxLayout;
    delayRow->setSpacing(6);
    delayRow->addWidget(delayEdit);
    delayUnitLabel = new QLabel(fieldPanel);
    delayUnitLabel->setObjectName("delayUnitLabel");
    delayRow->addWidget(delayUnitLabel);
    delayRow->addStretch(1);
    grid->addLayout(delayRow, 6, 1);

    portLabel->setText("Port");
    portEdit->setText(FLastGoodPort);
    charsetEdit->setText("utf-8");
    delayEdit->setText(FLastGoodDelay);
    connect(delayEdit, &QLineEdit::textChanged, this, [this] { CheckNumber(delayEdit, FLastGoodDelay); });
    connect(portEdit, &QLineEdit::textChanged, this, [this] { CheckNumber(portEdit, FLastGoodPort); });
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

void TSettingsDialog::saveAndClose()
{
    Guard([this] {
        RegWriteString(SettingsKey, "ime", Text(nameEdit));
        RegWriteString(SettingsKey, "email", Text(emailEdit));
        RegWriteString(SettingsKey, "host", Text(hostEdit));
        RegWriteInteger(SettingsKey, "port", StrToInt(Text(portEdit)));
        RegWriteString(SettingsKey, "username", Text(userIdEdit));
        RegWriteString(SettingsKey, "charset", Text(charsetEdit));
        RegWriteInteger(SettingsKey, "pavza", StrToInt(Text(delayEdit)));
        accept();
    });
}

void TSettingsDialog::LoadStoredSettings()
{
    nameEdit->setText(QText(RegReadString(SettingsKey, "ime", "")));
    emailEdit->setText(QText(RegReadString(SettingsKey, "email", "")));
    hostEdit->setText(QText(RegReadString(SettingsKey, "host", "")));
    userIdEdit->setText(QText(RegReadString(SettingsKey, "username", "")));
    charsetEdit->setText(QText(RegReadString(SettingsKey, "charset", "utf-8")));
    delayEdit->setText(QString::number(RegReadInteger(SettingsKey, "pavza", 0)));
    portEdit->setText(QString::number(RegReadInteger(SettingsKey, "port", 25)));
}

bool TSettingsDialog::AccountComplete() const
{
    return !nameEdit->text().isEmpty() && !emailEdit->text().isEmpty() && !hostEdit->text().isEmpty()
        && !userIdEdit->text().isEmpty();
}

std::string TSettingsDialog::Name() const { return Text(nameEdit); }
std::string TSettingsDialog::Email() const { return Text(emailEdit); }
std::string TSettingsDialog::Host() const { return Text(hostEdit); }
std::string TSettingsDialog::UserID() const { return Text(userIdEdit); }
std::string TSettingsDialog::Charset() const { return Text(charsetEdit); }
std::string TSettingsDialog::Delay() const { return Text(delayEdit); }
std::string TSettingsDialog::Port() const { return Text(portEdit); }

void TSettingsDialog::AskForSettings()
{
    UserInterface().ExecModal(*this);
}

// Every change is checked, typed or set by the program; a refused edit is taken back.
void TSettingsDialog::CheckNumber(QLineEdit* field, QString& lastGood)
{
    if (TryStrToInt(field->text().toStdString())) {
        lastGood = field->text();
        return;
    }
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
