// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's list count, the Undo of Clear and Delete, and the keys that reach
// the menus and commands.
#include "app/Guard.h"
#include "app/ListStatusBar.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"
#include "workflow/program/ProgramState.h"

#include <QAction>
#include <QEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

namespace {

// The key that runs the action, as the tool tip names it: "(Ctrl+Return)".
QString ShortcutNote(const QAction* action)
{
    const QKeySequence key = action->shortcut();
    return key.isEmpty() ? QString() : " (" + key.toString(QKeySequence::NativeText) + ")";
}

}

void TMainWindow::WireListStatus()
{
    // A list of 50,000 entries changes in one step when loaded; the count follows once the
    // step is done, not for each row.
    auto* recount = new QTimer(this);
    recount->setSingleShot(true);
    recount->setInterval(0);
    connect(recount, &QTimer::timeout, this, [this] { RefreshListCount(); });
    const auto changed = [this, recount] {
        if (!FChangingList && FListUndo) {
            FListUndo.reset();
            listStatusBar->WithdrawUndo();
        }
        recount->start();
    };
    QAbstractItemModel* rows = recipientList->model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, changed);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(rows, &QAbstractItemModel::modelReset, this, changed);
    connect(rows, &QAbstractItemModel::dataChanged, this, changed);
    recipientList->addAction(undoListAction);
    connect(listStatusBar->undoButton, &QPushButton::clicked, undoListAction, &QAction::trigger);
    RefreshListCount();
}

void TMainWindow::RefreshListCount()
{
    listStatusBar->ShowCount(CountEntries(recipientList->Items()));
}

TMainWindow::TListSnapshot TMainWindow::ListSnapshot() const
{
    return {recipientList->Items(), labelColumn->Items(), recipientFields, FListFile, recipientList->ItemIndex()};
}

void TMainWindow::UndoableListChange(const std::function<void()>& change, const QString& note)
{
    TListSnapshot before = ListSnapshot();
    FChangingList = true;
    const auto done = qScopeGuard([this] { FChangingList = false; });
    change();
    FListUndo = std::move(before);
    listStatusBar->OfferUndo(note);
}

void TMainWindow::undoListChange()
{
    if (!FListUndo)
        return;
    const TListSnapshot before = std::move(*FListUndo);
    FListUndo.reset();
    listStatusBar->WithdrawUndo();
    recipientList->SetItems(before.Entries);
    labelColumn->SetItems(before.Labels);
    recipientFields = before.Fields;
    FListFile = before.ListFile;
    recipientList->SetItemIndex(before.Selected);
    if (before.Selected >= 0)
        recipientList->ScrollToRow(before.Selected);
}

// Alt+F opens the File menu whatever the language calls it; Alt+L the language menu and
// Alt+A the About menu. The tool tips of the buttons name the key of their command.
void TMainWindow::WireKeys()
{
    const std::pair<QKeySequence, QMenu*> menus[] = {{QKeySequence(Qt::ALT | Qt::Key_F), fileMenu},
                                                     {QKeySequence(Qt::ALT | Qt::Key_L), languageMenu},
                                                     {QKeySequence(Qt::ALT | Qt::Key_A), aboutMenu}};
    for (const auto& [key, menu] : menus) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this,
                [this, menu = menu] { menuBar()->setActiveAction(menu->menuAction()); });
    }
    const std::pair<QToolButton*, QAction*> buttons[] = {
        {sendButton, sendToListAction},        {stopButton, stopSendingAction},
        {previewButton, previewMessageAction}, {openMessageButton, openMessageFileAction},
        {settingsButton, showSettingsAction},  {openRecipientsButton, openRecipientFileAction}};
    for (const auto& [button, action] : buttons)
        HookEvents(button, [button = button, action = action](QEvent* event) {
            if (event->type() != QEvent::ToolTip || button->toolTip().isEmpty())
                return false;
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), ToolTipWithKey(button, action), button);
            return true;
        });
}

QString ToolTipWithKey(const QWidget* button, const QAction* action)
{
    return button->toolTip() + ShortcutNote(action);
}
