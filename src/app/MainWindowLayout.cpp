// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls and their layout.
#include "app/ListStatusBar.h"
#include "app/MainWindow.h"
#include "app/Pictures.h"
#include "app/Widgets.h"
#include "workflow/lists/MailboxCheck.h"
#include "workflow/ui/Messages.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int RowHeight = 16;
constexpr int LabelColumnWidth = 48;
constexpr int RecipientBandHeight = 82;
constexpr int EntryBandHeight = 25;

QAction* Action(QWidget* window, const char* name, QKeySequence::StandardKey shortcut = QKeySequence::UnknownKey)
{
    auto* action = new QAction(window);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    return action;
}

QMenu* TopMenu(QMenuBar* bar, const char* name)
{
    auto* menu = bar->addMenu(QString());
    menu->setObjectName(name);
    return menu;
}

QToolButton* PictureButton(QToolBar* bar, const char* name, const char* picture)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setFixedSize(60, 51);
    button->setIconSize(QSize(50, 45));
    button->setIcon(PictureIcon(picture));
    bar->addWidget(button);
    return button;
}

QToolButton* TextButton(QToolBar* bar, const char* name, QMenu* menu)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (menu) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setStyleSheet("QToolButton::menu-indicator { image: none; }");
    }
    bar->addWidget(button);
    return button;
}

void Gap(QToolBar* bar, int width)
{
    auto* gap = new QWidget(bar);
    gap->setFixedWidth(width);
    bar->addWidget(gap);
}

QWidget* Band(QWidget* parent, const char* name, QBoxLayout*& layout)
{
    auto* band = new QWidget(parent);
    band->setObjectName(name);
    layout = new QHBoxLayout(band);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return band;
}

QPushButton* Button(QWidget* parent, const char* name, int width)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setFixedWidth(width);
    button->setAutoDefault(false);
    return button;
}

}

void TMainWindow::BuildActions()
{
    openRecipientFileAction = Action(this, "openRecipientFileAction");
    openMessageFileAction = Action(this, "openMessageFileAction", QKeySequence::Open);
    previewHtmlAction = Action(this, "previewHtmlAction");
    previewMessageAction = Action(this, "previewMessageAction");
    previewMessageAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    clearRecipientsAction = Action(this, "clearRecipientsAction");
    saveRecipientFileAction = Action(this, "saveRecipientFileAction");
    saveMessageFileAction = Action(this, "saveMessageFileAction", QKeySequence::Save);
    showImportHelpAction = Action(this, "showImportHelpAction");
    sendToListAction = Action(this, "sendToListAction");
    sendToListAction->setIcon(PictureIcon("send"));
    stopSendingAction = Action(this, "stopSendingAction");
    stopSendingAction->setIcon(PictureIcon("stop"));
    stopSendingAction->setShortcut(Qt::Key_Escape);
    stopSendingAction->setEnabled(false);
    sendLaterAction = Action(this, "sendLaterAction");
    showSuppressionsAction = Action(this, "showSuppressionsAction");
    showHistoryAction = Action(this, "showHistoryAction");
    exitProgramAction = Action(this, "exitProgramAction", QKeySequence::Quit);
    useSlovenianAction = Action(this, "useSlovenianAction");
    useEnglishAction = Action(this, "useEnglishAction");
    showSettingsAction = Action(this, "showSettingsAction", QKeySequence::Preferences);
    showHelpAction = Action(this, "showHelpAction", QKeySequence::HelpContents);
    openWebSiteAction = Action(this, "openWebSiteAction");
    openForumAction = Action(this, "openForumAction");
    showAboutAction = Action(this, "showAboutAction");
    addRecipientAction = Action(this, "addRecipientAction");
    deleteRecipientAction = Action(this, "deleteRecipientAction");
    pickAttachmentAction = Action(this, "pickAttachmentAction");
    clearAttachmentAction = Action(this, "clearAttachmentAction");
    // Ctrl+Z belongs to the text fields wherever they have the focus; in the list it undoes.
    undoListAction = Action(this, "undoListAction", QKeySequence::Undo);
    undoListAction->setShortcutContext(Qt::WidgetShortcut);
    // Ctrl+Enter sends from anywhere in the window, also while typing the text.
    sendToListAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
}

void TMainWindow::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("mainMenu");
    fileMenu = TopMenu(bar, "fileMenu");
    fileMenu->addAction(openRecipientFileAction);
    fileMenu->addAction(openMessageFileAction);
    fileMenu->addSeparator();
    fileMenu->addAction(previewHtmlAction);
    fileMenu->addAction(previewMessageAction);
    fileMenu->addSeparator();
    fileMenu->addAction(clearRecipientsAction);
    fileMenu->addSeparator();
    fileMenu->addAction(saveRecipientFileAction);
    fileMenu->addAction(saveMessageFileAction);
    fileMenu->addSeparator();
    fileMenu->addAction(showImportHelpAction);
    fileMenu->addSeparator();
    fileMenu->addAction(sendToListAction);
    fileMenu->addAction(stopSendingAction);
    fileMenu->addAction(sendLaterAction);
    fileMenu->addAction(showHistoryAction);
    fileMenu->addAction(showSuppressionsAction);
    fileMenu->addSeparator();
    fileMenu->addAction(exitProgramAction);

    languageMenu = TopMenu(bar, "languageMenu");
    languageMenu->addAction(useSlovenianAction);
    languageMenu->addAction(useEnglishAction);

    bar->addAction(showSettingsAction);

    aboutMenu = TopMenu(bar, "aboutMenu");
    aboutMenu->addAction(showHelpAction);
    aboutMenu->addAction(openWebSiteAction);
    aboutMenu->addAction(openForumAction);
    aboutMenu->addSeparator();
    aboutMenu->addAction(showAboutAction);

    recipientListMenu = new QMenu(this);
    recipientListMenu->setObjectName("recipientListMenu");
    clearRecipientsPopupRow = recipientListMenu->addAction(QString());
    clearRecipientsPopupRow->setObjectName("clearRecipientsPopupRow");
}

void TMainWindow::BuildToolBars()
{
    menuToolBar = addToolBar(QString());
    menuToolBar->setObjectName("menuToolBar");
    fileMenuButton = TextButton(menuToolBar, "fileMenuButton", fileMenu);
    languageMenuButton = TextButton(menuToolBar, "languageMenuButton", languageMenu);
    settingsMenuButton = TextButton(menuToolBar, "settingsMenuButton", nullptr);
    aboutMenuButton = TextButton(menuToolBar, "aboutMenuButton", aboutMenu);
    addToolBarBreak();

    pictureToolBar = addToolBar(QString());
    pictureToolBar->setObjectName("pictureToolBar");
    pictureToolBar->setIconSize(QSize(50, 45));
    sendButton = PictureButton(pictureToolBar, "sendButton", "send");
    stopButton = PictureButton(pictureToolBar, "stopButton", "stop");
    stopButton->setEnabled(false);
    previewButton = PictureButton(pictureToolBar, "previewButton", "preview");
    pictureToolBar->addSeparator();
    openMessageButton = PictureButton(pictureToolBar, "openMessageButton", "message");
    openRecipientsButton = PictureButton(pictureToolBar, "openRecipientsButton", "recipients");
    pictureToolBar->addSeparator();
    slovenianButton = PictureButton(pictureToolBar, "slovenianButton", "slovenian");
    englishButton = PictureButton(pictureToolBar, "englishButton", "english");
    pictureToolBar->addSeparator();
    settingsButton = PictureButton(pictureToolBar, "settingsButton", "settings");
    Gap(pictureToolBar, 45);
    webSiteButton = PictureButton(pictureToolBar, "webSiteButton", "web");
    webSiteButton->setCursor(Qt::PointingHandCursor);
}

QWidget* TMainWindow::BuildRecipientBands()
{
    auto* bands = new QWidget(this);
    auto* column = new QVBoxLayout(bands);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    QBoxLayout* row = nullptr;
    QWidget* recipientBand = Band(bands, "recipientBand", row);
    recipientBand->setMinimumHeight(RecipientBandHeight);
    labelColumn = new TListBox("labelColumn", RowHeight, recipientBand);
    labelColumn->setFixedWidth(LabelColumnWidth);
    labelColumn->setEnabled(false);
    labelColumn->setFocusPolicy(Qt::NoFocus);
    labelColumn->setBackgroundRole(QPalette::Button);
    labelColumn->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    labelColumn->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    recipientList = new TListBox("recipientList", RowHeight, recipientBand);
    recipientList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    recipientList->setContextMenuPolicy(Qt::CustomContextMenu);
    // An empty entry is no recipient (the job passes over it), so it is not marked.
    recipientList->SetRowCheck({[](const std::string& entry) { return entry.empty() || IsValidEntry(entry); },
                                [] { return QString::fromStdString(Messages::NotAnAddress()); }});
    row->addWidget(labelColumn);
    row->addWidget(recipientList, 1);
    column->addWidget(recipientBand, 1);

    QWidget* addressBand = Band(bands, "addressBand", row);
    addressBand->setFixedHeight(EntryBandHeight);
    addRecipientButton = Button(addressBand, "addRecipientButton", 43);
    addRecipientButton->setFocusPolicy(Qt::ClickFocus);
    addressEdit = new QLineEdit(addressBand);
    addressEdit->setObjectName("addressEdit");
    row->addWidget(addRecipientButton);
    row->addWidget(addressEdit, 1);
    column->addWidget(addressBand);

    QWidget* attachmentBand = Band(bands, "attachmentBand", row);
    attachmentBand->setFixedHeight(EntryBandHeight);
    pickAttachmentButton = Button(attachmentBand, "pickAttachmentButton", 145);
    attachmentEdit = new QLineEdit(attachmentBand);
    attachmentEdit->setObjectName("attachmentEdit");
    attachmentEdit->setReadOnly(true);
    clearAttachmentButton = Button(attachmentBand, "clearAttachmentButton", 25);
    QFont bold = clearAttachmentButton->font();
    bold.setBold(true);
    clearAttachmentButton->setFont(bold);
    row->addWidget(pickAttachmentButton);
    row->addWidget(attachmentEdit, 1);
    row->addWidget(clearAttachmentButton);
    column->addWidget(attachmentBand);
    return bands;
}

QWidget* TMainWindow::BuildMessageArea()
{
    auto* area = new QWidget(this);
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    QBoxLayout* row = nullptr;
    QWidget* subjectBand = Band(area, "subjectBand", row);
    row->setContentsMargins(4, 0, 0, 0);
    row->setSpacing(6);
    subjectLabel = new QLabel(subjectBand);
    subjectLabel->setObjectName("subjectLabel");
    subjectEdit = new QLineEdit(subjectBand);
    subjectEdit->setObjectName("subjectEdit");
    formatChoice = new TRadioGroup("formatChoice", 2, subjectBand);
    formatChoice->setMinimumWidth(220);
    formatChoice->SetItemIndex(0);
    subjectLabel->setBuddy(subjectEdit);
    row->addWidget(subjectLabel);
    row->addWidget(subjectEdit, 1, Qt::AlignVCenter);
    row->addWidget(formatChoice);
    column->addWidget(subjectBand);

    auto* bodyPanel = new QWidget(area);
    bodyPanel->setObjectName("bodyPanel");
    auto* body = new QVBoxLayout(bodyPanel);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    bodyEdit = new QPlainTextEdit(bodyPanel);
    bodyEdit->setObjectName("bodyEdit");
    bodyEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    bodyEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sendStatusBar = new TStatusBar("sendStatusBar", {300, 250, 50}, bodyPanel);
    body->addWidget(bodyEdit, 1);
    body->addWidget(sendStatusBar);
    column->addWidget(bodyPanel, 1);
    return area;
}

void TMainWindow::BuildWindow()
{
    setObjectName("Form1");
    setWindowTitle("Varnolt Pelmar");
    resize(747, 580);
    BuildActions();
    BuildMenus();
    BuildToolBars();

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(2, 2, 2, 0);
    column->setSpacing(2);
    // The recipient bands and the message share the height; the user moves the border.
    auto* splitter = new QSplitter(Qt::Vertical, central);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(BuildRecipientBands());
    splitter->addWidget(BuildMessageArea());
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({RecipientBandHeight + 2 * (EntryBandHeight + 2), 400});
    column->addWidget(splitter, 1);
    siteStatusBar = new TStatusBar("siteStatusBar", {200, 200, 50}, central);
    siteStatusBar->setCursor(Qt::PointingHandCursor);
    column->addWidget(siteStatusBar);
    setCentralWidget(central);
    listStatusBar = new TListStatusBar(this);
    setStatusBar(listStatusBar);

    // The label column has no scroll bar of its own: it follows the entries row for row.
    connect(recipientList->verticalScrollBar(), &QScrollBar::valueChanged, labelColumn->verticalScrollBar(),
            &QScrollBar::setValue);
    const auto level = [this] {
        labelColumn->verticalScrollBar()->setValue(recipientList->verticalScrollBar()->value());
    };
    connect(recipientList->verticalScrollBar(), &QScrollBar::rangeChanged, this, level);
    connect(labelColumn->verticalScrollBar(), &QScrollBar::rangeChanged, this, level);
}
