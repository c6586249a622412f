// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/history/HistoryAccess.h"
#include "support/Sandbox.h"
#include "support/ScriptedUi.h"
#include "workflow/history/DeliveryHistory.h"
#include "workflow/history/HistoryMessages.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

class HistoryAccess : public ::testing::Test {
protected:
    TSandbox Sandbox;
    TScriptedUi Ui;
    THistoryAccess Access;
};

TEST_F(HistoryAccess, OpensAtTheFirstUseAndKeepsThatHistoryForTheRun)
{
    EXPECT_FALSE(Access.IsOpen());
    EXPECT_FALSE(FileExists(Sandbox.UserDataFolder() + "history.sqlite"));
    TDeliveryHistory& first = Access.History();
    EXPECT_TRUE(Access.IsOpen());
    const auto job = first.BeginJob({"list.txt", "Hello", "m", {"ana@example.org"}});
    EXPECT_EQ(&Access.History(), &first);
    EXPECT_EQ(Access.History().Job(job).subject, "Hello");
    EXPECT_TRUE(Ui.Events.empty());
}

TEST_F(HistoryAccess, DamagedHistoryIsMovedAsideAndTheUserToldOnce)
{
    Sandbox.MakeFile("data/history.sqlite", std::string(20000, 'x'));
    TDeliveryHistory& history = Access.History();
    ASSERT_FALSE(history.DamagedCopy().empty());
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"message:" + Messages::HistoryMovedAside(history.DamagedCopy())});
    Access.History();
    Access.History();
    EXPECT_EQ(Ui.Events.size(), 1u);
    EXPECT_TRUE(history.Jobs().empty());
}

TEST_F(HistoryAccess, HistoryThatCannotBeOpenedIsTriedAgainAtTheNextUse)
{
    const std::string blocker = Sandbox.MakeFile("data", "not a folder");
    try {
        Access.History();
        FAIL() << "opened a history in a file";
    } catch (const EHistoryError& error) {
        EXPECT_EQ(error.Kind(), EHistoryError::TKind::Open);
        EXPECT_EQ(error.Message().rfind("The delivery history cannot be opened.", 0), 0u) << error.Message();
    }
    EXPECT_FALSE(Access.IsOpen());
    ASSERT_TRUE(QDir().remove(QString::fromStdString(blocker)));
    EXPECT_NO_THROW(Access.History());
    EXPECT_TRUE(Access.IsOpen());
    EXPECT_TRUE(Ui.Events.empty());
}

}
