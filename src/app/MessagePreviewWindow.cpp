// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MessagePreviewWindow.h"

#include "app/Guard.h"
#include "workflow/program/ProgramState.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// Long enough to let a burst of typing pass, short enough to feel live.
constexpr int RefreshDelay = 200;

QString Tr(const char* slovenian, const char* english)
{
    return QString::fromUtf8(Lang(slovenian, english));
}

QLineEdit* ReadOnlyLine(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    return edit;
}

QPushButton* Button(QWidget* parent, const char* name)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}

TMessagePreviewWindow::TMessagePreviewWindow(QWidget* owner, std::function<TMessagePreview()> preview,
                                             std::function<void(int)> step)
    : QWidget(owner, Qt::Window), FPreview(std::move(preview)), FStep(std::move(step))
{
    setObjectName("MessagePreviewWindow");
    BuildWindow();
    ShowLanguage();
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, [this] { Guard([this] { Refresh(); }); });
    connect(previousButton, &QPushButton::clicked, this, [this] { FStep(-1); });
    connect(nextButton, &QPushButton::clicked, this, [this] { FStep(1); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    auto* closeKey = new QAction(this);
    closeKey->setShortcut(Qt::Key_Escape);
    addAction(closeKey);
    connect(closeKey, &QAction::triggered, this, &QWidget::close);
}

void TMessagePreviewWindow::BuildWindow()
{
    resize(640, 520);
    auto* layout = new QVBoxLayout(this);
    positionLabel = new QLabel(this);
    positionLabel->setObjectName("positionLabel");
    layout->addWidget(positionLabel);

    auto* head = new QGridLayout;
    toLabel = new QLabel(this);
    toLabel->setObjectName("toLabel");
    toEdit = ReadOnlyLine(this, "toEdit");
    subjectLabel = new QLabel(this);
    subjectLabel->setObjectName("subjectLabel");
    subjectEdit = ReadOnlyLine(this, "subjectEdit");
    head->addWidget(toLabel, 0, 0);
    head->addWidget(toEdit, 0, 1);
    head->addWidget(subjectLabel, 1, 0);
    head->addWidget(subjectEdit, 1, 1);
    layout->addLayout(head);

    problemsLabel = new QLabel(this);
    problemsLabel->setObjectName("problemsLabel");
    problemsLabel->setWordWrap(true);
    problemsLabel->setStyleSheet("QLabel { color: #b00020; font-weight: bold; }");
    problemsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problemsLabel->hide();
    layout->addWidget(problemsLabel);

    bodyPages = new QStackedWidget(this);
    textView = new QPlainTextEdit(bodyPages);
    textView->setObjectName("textView");
    textView->setReadOnly(true);
    htmlView = new QTextBrowser(bodyPages);
    htmlView->setObjectName("htmlView");
    // A preview shows the message; it does not follow its links or fetch anything.
    htmlView->setOpenLinks(false);
    bodyPages->addWidget(textView);
    bodyPages->addWidget(htmlView);
    layout->addWidget(bodyPages, 1);

    auto* buttons = new QHBoxLayout;
    previousButton = Button(this, "previousButton");
    nextButton = Button(this, "nextButton");
    closeButton = Button(this, "closeButton");
    buttons->addWidget(previousButton);
    buttons->addWidget(nextButton);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
}

void TMessagePreviewWindow::ShowLanguage()
{
    setWindowTitle(Tr("Varnolt Pelmar - predogled sporočila", "Varnolt Pelmar - Message preview"));
    toLabel->setText(Tr("Za:", "To:"));
    subjectLabel->setText(Tr("Zadeva:", "Subject:"));
    previousButton->setText(Tr("◀ Prejšnji", "◀ Previous"));
    nextButton->setText(Tr("Naslednji ▶", "Next ▶"));
    closeButton->setText(Tr("Zapri", "Close"));
    if (isVisible())
        Refresh();
}

void TMessagePreviewWindow::Refresh()
{
    FTimer.stop();
    FShown = FPreview();
    ShowPreview();
}

void TMessagePreviewWindow::RefreshSoon()
{
    if (isVisible())
        FTimer.start(RefreshDelay);
}

void TMessagePreviewWindow::ShowPreview()
{
    positionLabel->setText(FShown.Index < 0 ? Tr("Seznam prejemnikov nima naslova, ki bi mu bilo sporočilo poslano.",
                                                 "The recipient list has no entry to send the message to.")
                                            : Tr("Sporočilo, kot ga bo dobil prejemnik v vrstici %1:",
                                                 "The message as the recipient in row %1 gets it:")
                                                  .arg(FShown.Index + 1));
    toEdit->setText(QString::fromStdString(FShown.Entry));
    subjectEdit->setText(QString::fromStdString(FShown.Subject));
    subjectEdit->setCursorPosition(0);
    problemsLabel->setText(QString::fromStdString(FShown.Problems).replace('\r', '\n'));
    problemsLabel->setVisible(!FShown.Problems.empty());
    const QString body = QString::fromStdString(FShown.Body);
    if (FShown.Html) {
        htmlView->setHtml(body);
        bodyPages->setCurrentWidget(htmlView);
    } else {
        textView->setPlainText(body);
        bodyPages->setCurrentWidget(textView);
    }
}
