#include "app/AboutBox.h"

#include "app/Guard.h"
#include "app/Pictures.h"
#include "app/Widgets.h"
#include "workflow/ProgramState.h"

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

TVarnoltAbout::TVarnoltAbout(QWidget* owner) : QDialog(owner)
{
    setObjectName("VarnoltAbout");
    setFixedSize(469, 381);
    setModal(true);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setStyleSheet("QLabel { color: #1d4ed8; font-weight: bold; font-size: 20px; }");
    Label2 = new QLabel(MakerLine, this);
    Label2->setObjectName("Label2");
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setFixedSize(152, 80);
    Image1->setPixmap(Logo());
    Image1->setCursor(Qt::PointingHandCursor);
    Memo2 = new QPlainTextEdit(this);
    Memo2->setObjectName("Memo2");
    Memo2->setReadOnly(true);
    Memo2->setBackgroundRole(QPalette::Window);
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo2->setFixedHeight(3 * Memo2->fontMetrics().lineSpacing() + 12);
    Memo2->setPlainText(QStringList{ProgramSiteUrl, ForumAddress, MakerSiteUrl}.join('\n'));
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setFixedSize(435, 200);
    RichEdit1->setFrameShape(QFrame::NoFrame);
    RichEdit1->setReadOnly(true);
    RichEdit1->setTextInteractionFlags(Qt::NoTextInteraction);
    RichEdit1->setFocusPolicy(Qt::NoFocus);
    RichEdit1->viewport()->setBackgroundRole(QPalette::Window);
    RichEdit1->setAcceptRichText(false);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setText("OK");
    SpeedButton1->setFixedSize(90, 28);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(17, 10, 17, 10);
    layout->addWidget(Label1);
    auto* maker = new QGridLayout;
    maker->addWidget(Image1, 0, 0, 2, 1);
    maker->addWidget(Label2, 0, 1);
    maker->addWidget(Memo2, 1, 1);
    maker->setHorizontalSpacing(12);
    layout->addLayout(maker);
    layout->addWidget(RichEdit1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(SpeedButton1);
    layout->addLayout(buttons);

    OnClick(Image1, [this] { Guard([this] { Image1DblClick(); }); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    FormCreate();
}

void TVarnoltAbout::FormCreate()
{
    setWindowTitle(QString("About ") + ApplicationTitle);
    Label1->setText(QString(ApplicationTitle) + " v " + QString::fromStdString(ProgramVersion));
}

void TVarnoltAbout::Image1DblClick()
{
    UserInterface().ShellOpen(MakerSiteAddress);
}

void TVarnoltAbout::SpeedButton1Click()
{
    accept();
}

void TVarnoltAbout::SetLines(const QStringList& lines)
{
    RichEdit1->clear();
    RichEdit1->setPlainText(lines.join('\n'));
}

void TVarnoltAbout::showEvent(QShowEvent* event)
{
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
