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

TForm3::TForm3(QWidget* owner) : QDialog(owner)
{
    setObjectName("Form3");
    setWindowTitle("Varnolt Pelmar");
    setFixedSize(574, 346);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 12, 22, 14);
    Label5 = new QLabel(this);
    Label5->setObjectName("Label5");
    Label5->setStyleSheet("QLabel { color: #1d4ed8; font-weight: bold; font-size: 15pt; }");
    layout->addWidget(Label5);
    BuildFields();
    layout->addWidget(Panel2);
    layout->addStretch(1);
    BuildButtons();
    ApplyInitialTexts(*this);

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, Edit4);
    setTabOrder(Edit4, Edit5);
    setTabOrder(Edit5, Edit6);
    setTabOrder(Edit6, Edit7);
}

QLineEdit* TForm3::AddField(const char* editName, QLabel*& label, const char* labelName, int row)
{
    auto* grid = static_cast<QGridLayout*>(Panel2->layout());
    label = new QLabel(Panel2);
    label->setObjectName(labelName);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* edit = new QLineEdit(Panel2);
    edit->setObjectName(editName);
    edit->setFixedWidth(FieldWidth);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1, Qt::AlignLeft);
    return edit;
}

void TForm3::BuildFields()
{
    Panel2 = new QFrame(this);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Sunken);
    Panel2->setAutoFillBackground(true);
    auto* grid = new QGridLayout(Panel2);
    grid->setContentsMargins(14, 10, 14, 10);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(0, 1);

    Edit1 = AddField("Edit1", Label1, "Label1", 0);
    Edit2 = AddField("Edit2", Label2, "Label2", 1);
    Edit3 = AddField("Edit3", Label3, "Label3", 2);
    Edit7 = AddField("Edit7", Label10, "Label10", 3);
    Edit4 = AddField("Edit4", Label4, "Label4", 4);
    Edit5 = AddField("Edit5", Label6, "Label6", 5);
    Edit6 = AddField("Edit6", Label8, "Label8", 6);
    Edit6->setFixedWidth(DelayFieldWidth);
    grid->removeWidget(Edit6);
    auto* delayRow = new QHBoxLayout;
    delayRow->setSpacing(6);
    delayRow->addWidget(Edit6);
    Label7 = new QLabel(Panel2);
    Label7->setObjectName("Label7");
    delayRow->addWidget(Label7);
    delayRow->addStretch(1);
    grid->addLayout(delayRow, 6, 1);

    Label10->setText("Port");
    Edit7->setText(FLastGoodPort);
    Edit5->setText("us-ascii");
    Edit6->setText(FLastGoodDelay);
    connect(Edit6, &QLineEdit::textChanged, this, [this] { Edit6Change(); });
    connect(Edit7, &QLineEdit::textChanged, this, [this] { Edit7Change(); });
}

void TForm3::BuildButtons()
{
    SpeedButton2 = PictureButton("SpeedButton2", "cancel", this);
    SpeedButton1 = PictureButton("SpeedButton1", "ok", this);
    auto* row = new QHBoxLayout;
    row->addWidget(SpeedButton2);
    row->addStretch(1);
    row->addWidget(SpeedButton1);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
}

void TForm3::SpeedButton1Click()
{
    Guard([this] {
        const auto text = [](QLineEdit* edit) { return edit->text().toStdString(); };
        RegWriteString(SettingsKey, "ime", text(Edit1));
        RegWriteString(SettingsKey, "email", text(Edit2));
        RegWriteString(SettingsKey, "host", text(Edit3));
        RegWriteInteger(SettingsKey, "port", StrToInt(text(Edit7)));
        RegWriteString(SettingsKey, "username", text(Edit4));
        RegWriteString(SettingsKey, "charset", text(Edit5));
        RegWriteInteger(SettingsKey, "pavza", StrToInt(text(Edit6)));
        accept();
    });
}

void TForm3::SpeedButton2Click()
{
    reject();
}

void TForm3::Edit6Change()
{
    CheckNumber(Edit6, FLastGoodDelay);
}

void TForm3::Edit7Change()
{
    CheckNumber(Edit7, FLastGoodPort);
}

// Every change is checked, typed or set by the program; a refused edit is taken back.
void TForm3::CheckNumber(QLineEdit* field, QString& lastGood)
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

void TForm3::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    PaintPicture(painter, "settings-background", rect());
    QDialog::paintEvent(event);
}
