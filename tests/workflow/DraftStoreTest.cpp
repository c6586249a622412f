// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Exception.h"
#include "base/Stream.h"
#include "support/Sandbox.h"
#include "workflow/lists/ListFields.h"
#include "workflow/lists/RecipientList.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/Draft.h"

#include <QDir>
#include <QFile>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

QStringList FilesIn(const std::string& folder)
{
    return QDir(QString::fromStdString(folder)).entryList(QDir::Files, QDir::Name);
}

class DraftStore : public ::testing::Test {
protected:
    TSandbox Sandbox;
    std::string Folder = Sandbox.Path("draft");
    TRowsColumn Entries{{"ana@example.org", "", "jože@primer.si", "Marko Horvat <marko@example.org>", " x "}};
    TRowsColumn Labels{{"Za:", "Za:", "To:", "To:", "To:"}};
    TRecipientList List{Entries, Labels};
    TDraftMessage Message{"Poletna zabava – vabilo", "Dragi,\r\n\r\nvabljeni!\r\n", "/home/ana/zemljevid.pdf", 1};

    // What a later run finds: a store of its own and empty columns.
    struct Restored {
        std::optional<TDraftMessage> message;
        TRowsColumn entries, labels;
    };
    Restored RestoreInNewRun(const std::string& label = "To:")
    {
        Restored run;
        TRecipientList list{run.entries, run.labels};
        run.message = TDraftStore(Folder).Restore(list, label);
        return run;
    }
};

TEST_F(DraftStore, ListLabelsAndMessageComeBackAsTheyWere)
{
    TDraftStore(Folder).Save(Message, &List);
    const Restored run = RestoreInNewRun();
    ASSERT_TRUE(run.message);
    EXPECT_EQ(*run.message, Message);
    EXPECT_EQ(run.entries.Rows, Entries.Rows);
    EXPECT_EQ(run.labels.Rows, Labels.Rows);
}

// The draft holds the user's recipients and text: a shared computer's other users may
// not read it, also when the folder existed before with the usual modes.
TEST_F(DraftStore, FolderAndFilesAreTheUsersAlone)
{
    namespace fs = std::filesystem;
    fs::create_directories(Folder);
    fs::permissions(Folder, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    TDraftStore(Folder).Save(Message, &List);
    EXPECT_EQ(fs::status(Folder).permissions(), fs::perms::owner_all);
    for (const QString& name : FilesIn(Folder))
        EXPECT_EQ(fs::status(Folder + "/" + name.toStdString()).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write)
            << name.toStdString();
}

TEST_F(DraftStore, NoDraftRestoresNothingAndLeavesTheList)
{
    TRowsColumn entries{{"keep@example.org"}}, labels{{"To:"}};
    TRecipientList list{entries, labels};
    EXPECT_FALSE(TDraftStore(Folder).Restore(list, "To:"));
    EXPECT_EQ(entries.Rows, std::vector<std::string>{"keep@example.org"});
}

TEST_F(DraftStore, SaveWithoutAListKeepsTheListSavedLastAlsoInALaterRun)
{
    TDraftStore(Folder).Save(Message, &List);
    TDraftStore later(Folder);
    TRowsColumn entries, labels;
    TRecipientList list{entries, labels};
    ASSERT_TRUE(later.Restore(list, "To:"));
    TDraftMessage changed = Message;
    changed.subject = "Changed";
    later.Save(changed, nullptr);
    const Restored run = RestoreInNewRun();
    EXPECT_EQ(run.message->subject, "Changed");
    EXPECT_EQ(run.entries.Rows, Entries.Rows);
}

TEST_F(DraftStore, OnlyTheNewestListFilesStayAlsoAfterASaveThatDied)
{
    QDir().mkpath(QString::fromStdString(Folder));
    Sandbox.MakeFile("draft/recipients-1-1.txt", "left by a save that died\r\n");
    TDraftStore store(Folder);
    for (int i = 0; i < 3; ++i) {
        Entries.Append("more" + std::to_string(i) + "@example.org");
        Labels.Append("To:");
        store.Save(Message, &List);
    }
    const QStringList files = FilesIn(Folder);
    EXPECT_EQ(files.size(), 3) << files.join(' ').toStdString();
    EXPECT_EQ(files.filter("recipients-").size(), 1);
    EXPECT_EQ(files.filter("labels-").size(), 1);
    EXPECT_EQ(RestoreInNewRun().entries.Rows, Entries.Rows);
}

// A draft file damaged or edited by hand: nothing is taken that could be wrong.
struct BadDraftCase {
    const char* name;
    std::function<void(const std::string& folder)> spoil;
    bool messageBack;
    bool listBack;
    std::vector<std::string> labelsBack;
};

void PrintTo(const BadDraftCase& c, std::ostream* os)
{
    *os << c.name;
}

class BadDraft : public DraftStore, public ::testing::WithParamInterface<BadDraftCase> { };

TEST_P(BadDraft, TakesOnlyWhatIsWhole)
{
    TDraftStore(Folder).Save(Message, &List);
    GetParam().spoil(Folder + "/");
    const Restored run = RestoreInNewRun("Za:");
    EXPECT_EQ(run.message.has_value(), GetParam().messageBack);
    EXPECT_EQ(run.entries.Rows, GetParam().listBack ? Entries.Rows : std::vector<std::string>{});
    EXPECT_EQ(run.labels.Rows, GetParam().labelsBack);
    EXPECT_EQ(run.labels.Count(), run.entries.Count());
}

void Rewrite(const std::string& file, const std::string& from, const std::string& to)
{
    std::string text = ReadFileBytes(file);
    text.replace(text.find(from), from.size(), to);
    WriteWholeFile(file, text);
}

std::string OnlyFile(const std::string& folder, const char* pattern)
{
    return folder + FilesIn(folder).filter(pattern).front().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadDraft,
    ::testing::Values(
        BadDraftCase{"NotJson",
                     [](const std::string& f) { WriteWholeFile(f + "draft.json", "{\"subject\": \"cut"); },
                     false,
                     false,
                     {}},
        BadDraftCase{"ListFileGone",
                     [](const std::string& f) { QFile::remove(QString::fromStdString(OnlyFile(f, "recipients-"))); },
                     true,
                     false,
                     {}},
        BadDraftCase{"LabelsFileGone",
                     [](const std::string& f) { QFile::remove(QString::fromStdString(OnlyFile(f, "labels-"))); }, true,
                     true, std::vector<std::string>(5, "Za:")},
        BadDraftCase{"LabelsOneShort",
                     [](const std::string& f) { WriteWholeFile(OnlyFile(f, "labels-"), "To:\r\nTo:\r\n"); }, true, true,
                     std::vector<std::string>(5, "Za:")},
        BadDraftCase{"ListNamedOutsideTheFolder",
                     [](const std::string& f) { Rewrite(f + "draft.json", "\"recipients-", "\"../recipients-"); },
                     true,
                     false,
                     {}}),
    [](const auto& info) { return info.param.name; });

// A list read from an address book comes back with its columns and each entry's values,
// typed entries and entries that are not addresses included; a later plain list takes
// the columns' file away.
TEST_F(DraftStore, ListWithColumnsComesBackWithEveryEntrysValues)
{
    TRowsColumn entries, labels;
    TListFields fields;
    TRecipientList list{entries, labels, &fields};
    list.LoadFromFile(Sandbox.MakeFile("export.csv",
                                       "First Name;Last Name;E-mail Address;Note\r\n"
                                       "Ana;Novak;ana@x.org;\"two\r\nlines; and a \"\"quote\"\"\"\r\n"
                                       "Bor;;bor@x.org;\r\n"),
                      "To:");
    list.Add("Marko Horvat <marko@x.org>", "Za:");
    list.Add("not an address", "Za:");
    TDraftStore store(Folder);
    store.Save(Message, &list);

    TRowsColumn entriesBack, labelsBack;
    TListFields fieldsBack;
    TRecipientList listBack{entriesBack, labelsBack, &fieldsBack};
    ASSERT_TRUE(TDraftStore(Folder).Restore(listBack, "To:"));
    EXPECT_EQ(entriesBack.Rows, entries.Rows);
    EXPECT_EQ(labelsBack.Rows, labels.Rows);
    EXPECT_EQ(fieldsBack.Columns(), fields.Columns());
    EXPECT_EQ(fieldsBack.Delimiter(), ';');
    ASSERT_EQ(fieldsBack.Count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(*fieldsBack.Values(i), *fields.Values(i)) << i;

    list.Clear();
    list.Add("plain@x.org", "To:");
    store.Save(Message, &list);
    EXPECT_TRUE(FilesIn(Folder).filter("fields-").isEmpty());
    ASSERT_TRUE(TDraftStore(Folder).Restore(listBack, "To:"));
    EXPECT_EQ(entriesBack.Rows, std::vector<std::string>{"plain@x.org"});
    EXPECT_FALSE(fieldsBack.HasColumns());
}

TEST_F(DraftStore, FolderThatCannotBeMadeIsACreateError)
{
    const std::string blocked = Sandbox.MakeFile("blocked", "a file") + "/draft";
    EXPECT_THROW(TDraftStore(blocked).Save(Message, &List), EFCreateError);
}

}
