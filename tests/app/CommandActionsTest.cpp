// SPDX-License-Identifier: GPL-3.0-or-later
// Every way to run a command goes through the command's one action, the desktop's standard
// keys reach their commands, and every toolbar button explains itself.
#include "AppFixture.h"
#include "support/LoopbackPeers.h"

#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QToolBar>
#include <map>

namespace {

class CommandActions : public AppTest {
protected:
    RefusingPort Refusing; // the send command fails at once instead of waiting for a server
    std::map<std::string, int> Triggered;

    void SetUp() override
    {
        Sandbox.WriteSettings(SettingsFor(Refusing.Port()));
        Start();
        // The commands' actions, not the menu rows that only pass a click on to one.
        for (QAction* action : Window().findChildren<QAction*>())
            if (action->objectName().endsWith("Action"))
                QObject::connect(action, &QAction::triggered, &Window(),
                                 [this, action] { ++Triggered[action->objectName().toStdString()]; });
    }

    static void Send(QWidget* target, QEvent::Type type)
    {
        QMouseEvent event(type, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
};

TEST_F(CommandActions, EveryButtonClickAndKeyTriggersTheActionOfItsCommand)
{
    TMainWindow& w = Window();
    const std::vector<std::pair<std::function<void()>, std::string>> ways = {
        {[&] { w.sendButton->click(); }, "sendToListAction"},
        {[&] { w.openMessageButton->click(); }, "openMessageFileAction"},
        {[&] { Send(w.bodyEdit->viewport(), QEvent::MouseButtonDblClick); }, "openMessageFileAction"},
        {[&] { w.openRecipientsButton->click(); }, "openRecipientFileAction"},
        {[&] { Send(w.recipientList->viewport(), QEvent::MouseButtonDblClick); }, "openRecipientFileAction"},
        {[&] { w.slovenianButton->click(); }, "useSlovenianAction"},
        {[&] { w.englishButton->click(); }, "useEnglishAction"},
        {[&] { w.settingsButton->click(); }, "showSettingsAction"},
        {[&] { w.settingsMenuButton->click(); }, "showSettingsAction"},
        {[&] { w.webSiteButton->click(); }, "openWebSiteAction"},
        {[&] { Send(w.siteStatusBar, QEvent::MouseButtonRelease); }, "openWebSiteAction"},
        {[&] { w.addRecipientButton->click(); }, "addRecipientAction"},
        {[&] { Send(w.addressEdit, QEvent::MouseButtonDblClick); }, "addRecipientAction"},
        {[&] { SendKey(w.addressEdit, QEvent::KeyPress, Qt::Key_Return, "\r"); }, "addRecipientAction"},
        {[&] { SendKey(w.recipientList, QEvent::KeyRelease, Qt::Key_Delete); }, "deleteRecipientAction"},
        {[&] { w.clearRecipientsPopupRow->trigger(); }, "clearRecipientsAction"},
        {[&] { w.pickAttachmentButton->click(); }, "pickAttachmentAction"},
        {[&] { Send(w.attachmentEdit, QEvent::MouseButtonRelease); }, "pickAttachmentAction"},
        {[&] { w.clearAttachmentButton->click(); }, "clearAttachmentAction"},
    };
    Ui.OpenAnswers = std::deque<std::string>(6, ""); // every file dialog is cancelled
    for (const auto& [run, action] : ways) {
        Triggered.clear();
        run();
        EXPECT_EQ(Triggered, (std::map<std::string, int>{{action, 1}})) << action;
    }
    EXPECT_TRUE(Ui.OpenAnswers.empty());
    EXPECT_TRUE(Ui.Errors.empty());
}

// A key the platform has no binding for (the offscreen one has none for Quit) is left out.
TEST_F(CommandActions, StandardKeysRunTheirCommands)
{
    const std::pair<QKeySequence::StandardKey, std::string> keys[] = {{QKeySequence::Open, "openMessageFileAction"},
                                                                      {QKeySequence::Save, "saveMessageFileAction"},
                                                                      {QKeySequence::HelpContents, "showHelpAction"},
                                                                      {QKeySequence::Preferences, "showSettingsAction"},
                                                                      {QKeySequence::Quit, "exitProgramAction"}};
    Ui.OpenAnswers = {""};
    Ui.SaveAnswers = {""};
    int pressed = 0;
    for (const auto& [key, action] : keys) {
        if (QKeySequence::keyBindings(key).isEmpty())
            continue;
        Triggered.clear();
        QTest::keySequence(&Window(), key);
        EXPECT_EQ(Triggered, (std::map<std::string, int>{{action, 1}})) << action;
        ++pressed;
    }
    EXPECT_GE(pressed, 3);
}

TEST_F(CommandActions, EveryToolbarButtonHasAToolTipInEitherLanguage)
{
    for (QAction* language : {Window().useSlovenianAction, Window().useEnglishAction}) {
        language->trigger();
        for (QToolBar* bar : {Window().menuToolBar, Window().pictureToolBar})
            for (QToolButton* button : bar->findChildren<QToolButton*>())
                if (button->isVisible()) { // not the bar's own extension button
                    EXPECT_FALSE(button->toolTip().isEmpty())
                        << Str(button->objectName()) << " in " << Str(language->text());
                }
    }
    EXPECT_EQ(Str(Window().fileMenuButton->toolTip()), "Open, save or send");
    Window().useSlovenianAction->trigger();
    EXPECT_EQ(Str(Window().fileMenuButton->toolTip()), "Odpri, shrani ali pošlji");
}

}
