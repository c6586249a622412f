// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutBox.h"

#include "app/Guard.h"
#include "app/Pictures.h"
#include "app/Widgets.h"
#include "workflow/program/ProgramState.h"
#include "workflow/ui/UserInterface.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QPixmap Logo()
{
    QPixmap logo(152, 80);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    PaintPicture(painter, "logo", logo.rect());
    return logo;
}

}

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner)
{
    setObjectName("VarnoltAbout");
    setFixedSize(469, 381);
    setModal(true);

    titleLabel = new QLabel(this);
    titleLabel->setObjectName("titleLabel");
    titleLabel->setStyleSheet("QLabel { color: #1d4ed8; font-weight: bold; font-size: 20px; }");
    makerLabel = new QLabel(MakerLine, this);
    makerLabel->setObjectName("makerLabel");
    logo = new QLabel(this);
    logo->setObjectName("logo");
    logo->setFixedSize(152, 80);
    logo->setPixmap(Logo());
    logo->setCursor(Qt::PointingHandCursor);
    addressesText = new QPlainTextEdit(this);
    addressesText->setObjectName("addressesText");
    addressesText->setReadOnly(true);
    addressesText->setBackgroundRole(QPalette::Window);
    addressesText->setLineWrapMode(QPlainTextEdit::NoWrap);
    addressesText->setFixedHeight(3 * addressesText->fontMetrics().lineSpacing() + 12);
    addressesText->setPlainText(QStringList{ProgramSiteUrl, ForumAddress, MakerSiteUrl}.join('\n'));
    descriptionText = new QTextEdit(this);
    descriptionText->setObjectName("descriptionText");
    descriptionText->setFixedSize(435, 200);
    descriptionText->setFrameShape(QFrame::NoFrame);
    descriptionText->setReadOnly(true);
    descriptionText->setTextInteractionFlags(Qt::NoTextInteraction);
    descriptionText->setFocusPolicy(Qt::NoFocus);
    descriptionText->viewport()->setBackgroundRole(QPalette::Window);
    descriptionText->setAcceptRichText(false);
    okButton = new QToolButton(this);
    okButton->setObjectName("okButton");
    okButton->setText("OK");
    okButton->setFixedSize(90, 28);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(17, 10, 17, 10);
    layout->addWidget(titleLabel);
    auto* maker = new QGridLayout;
    maker->addWidget(logo, 0, 0, 2, 1);
    maker->addWidget(makerLabel, 0, 1);
    maker->addWidget(addressesText, 1, 1);
    maker->setHorizontalSpacing(12);
    layout->addLayout(maker);
    layout->addWidget(descriptionText);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    layout->addLayout(buttons);

    OnClick(logo, [] { Guard([] { OpenOnDesktop(MakerSiteAddress); }); });
    connect(okButton, &QToolButton::clicked, this, &QDialog::accept);
    setWindowTitle(QString("About ") + ApplicationTitle);
    titleLabel->setText(QString(ApplicationTitle) + " v " + QString::fromStdString(ProgramVersion));
}

void TAboutBox::SetDescription(const QStringList& lines)
{
    descriptionText->clear();
    descriptionText->setPlainText(lines.join('\n'));
}

void TAboutBox::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
