// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/settings/SettingsStore.h"
#include "base/Exception.h"
#include "support/Sandbox.h"
#include "workflow/settings/Settings.h"
#include "workflow/settings/StoredSettings.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class SettingsStore : public ::testing::Test {
protected:
    TSandbox Sandbox;

    std::string ErrorOf(const std::function<void()>& access)
    {
        try {
            access();
        } catch (const Exception& e) {
            return e.Message();
        }
        return "no error";
    }
};

TEST_F(SettingsStore, EmptyStoreGivesTheDefaults)
{
    const std::pair<const char*, const char*> strings[] = {{"ime", ""},      {"email", ""},           {"host", ""},
                                                           {"username", ""}, {"charset", "us-ascii"}, {"imenik", ""}};
    for (const auto& [name, fallback] : strings)
        EXPECT_EQ(RegReadString(SettingsKey, name, fallback), fallback) << name;
    const std::pair<const char*, int> integers[] = {{"port", 25},   {"pavza", 0},    {"left", 10}, {"top", 20},
                                                    {"width", 750}, {"height", 550}, {"jezik", 2}, {"HTML", 0}};
    for (const auto& [name, fallback] : integers)
        EXPECT_EQ(RegReadInteger(SettingsKey, name, fallback), fallback) << name;
}

TEST_F(SettingsStore, EveryValueIsStoredAsTextInTheGeneralSection)
{
    RegWriteString(SettingsKey, "ime", "Bob");
    RegWriteInteger(SettingsKey, "port", 587);
    RegWriteInteger(SettingsKey, "pavza", -5);
    EXPECT_EQ(Sandbox.ReadSettings(), "[General]\nime=Bob\npavza=-5\nport=587\n");
    EXPECT_EQ(RegReadString(SettingsKey, "ime", ""), "Bob");
    EXPECT_EQ(RegReadString(SettingsKey, "port", ""), "587");
    EXPECT_EQ(RegReadInteger(SettingsKey, "port", 25), 587);
    EXPECT_EQ(RegReadInteger(SettingsKey, "pavza", 0), -5);
}

TEST_F(SettingsStore, TextsComeBackExactlyAsWritten)
{
    for (const std::string text : {"  padded  ", "Vaše ime Žiga", "a, b", "@at", "semi;colon", "x=y", "\"q\""}) {
        RegWriteString(SettingsKey, "ime", text);
        EXPECT_EQ(RegReadString(SettingsKey, "ime", "?"), text);
    }
}

TEST_F(SettingsStore, IntegerThatIsNotDecimalTextReadsAsItsDefault)
{
    for (const char* stored : {"25x", "", "abc", "$1F", "99999999999"}) {
        Sandbox.WriteSettings(std::string("[General]\nport=") + stored + "\n");
        EXPECT_EQ(RegReadInteger(SettingsKey, "port", 25), 25) << stored;
    }
}

TEST_F(SettingsStore, ValueOfAnotherTypeIsAnInvalidDataTypeError)
{
    Sandbox.WriteSettings("[General]\nport=@Variant(\\0\\0\\0\\x2\\0\\0\\x2K)\nime=@ByteArray(Bob)\n");
    EXPECT_EQ(ErrorOf([] { RegReadInteger(SettingsKey, "port", 25); }), "Invalid data type for 'port'");
    EXPECT_EQ(ErrorOf([] { RegReadString(SettingsKey, "ime", ""); }), "Invalid data type for 'ime'");
}

TEST_F(SettingsStore, UnwritableStoreIsAFailedSetError)
{
    // A folder where the settings file should be cannot be written, whoever runs the test.
    QDir().mkpath(QString::fromStdString(Sandbox.SettingsFile()));
    EXPECT_EQ(ErrorOf([] { RegWriteString(SettingsKey, "ime", "Bob"); }), "Failed to set data for 'ime'");
    EXPECT_EQ(ErrorOf([] { RegWriteInteger(SettingsKey, "port", 25); }), "Failed to set data for 'port'");
}

// What a job started without the window sends with is what the settings dialog would show.
TEST_F(SettingsStore, StoredAccountReadsAsTheDialogShowsIt)
{
    const TSettings empty = ReadAccount();
    EXPECT_EQ(std::vector<std::string>({empty.Name, empty.Email, empty.Host, empty.UserID, empty.Charset}),
              std::vector<std::string>({"", "", "", "", "utf-8"}));
    EXPECT_EQ(std::vector<std::int32_t>({empty.Delay, empty.Port, empty.Security, empty.TimeOut, empty.RetryWait}),
              std::vector<std::int32_t>({0, 25, 0, 60, 60}));

    Sandbox.WriteSettings("[General]\nime=Ana Kos\nemail=ana@x.org\nhost=mail.x.org\nusername=ana\n"
                          "charset=iso-8859-2\npavza=007\nport=587x\nsecurity=1\ntimeout=-1\nretrywait=5\njezik=1\n");
    const TSettings settings = TStoredSendSettings().Values();
    EXPECT_EQ(
        std::vector<std::string>({settings.Name, settings.Email, settings.Host, settings.UserID, settings.Charset}),
        std::vector<std::string>({"Ana Kos", "ana@x.org", "mail.x.org", "ana", "iso-8859-2"}));
    EXPECT_EQ(settings.Port, 25) << "a port that is no number reads as the default";
    EXPECT_EQ(std::vector<std::int32_t>({settings.Delay, settings.Security, settings.TimeOut, settings.RetryWait}),
              std::vector<std::int32_t>({7, 1, -1, 5}));
    EXPECT_EQ(ReadSetting(&TSettings::Language), 1);
}

// A security choice the program does not know is the plain dialogue, as a missing one is.
TEST_F(SettingsStore, IntegerOutsideItsRangeReadsAsTheDefault)
{
    for (const char* stored : {"3", "-1", "2147483647"}) {
        Sandbox.WriteSettings(std::string("[General]\nsecurity=") + stored + "\n");
        EXPECT_EQ(ReadSetting(&TSettings::Security), 0) << stored;
    }
}

// Every row writes its member under its key and reads it back unchanged.
TEST_F(SettingsStore, EveryRowRoundTripsUnderItsKey)
{
    TSettings written = DefaultSettings();
    int next = 1;
    for (const TSettingRow& row : SettingRows) {
        TakeFieldText(row, std::to_string(std::min<std::int32_t>(next++, row.Most)), written);
        WriteSetting(row, written);
        TSettings read = DefaultSettings();
        ReadSetting(row, read);
        EXPECT_EQ(FieldText(row, read), FieldText(row, written)) << row.Key;
        EXPECT_EQ(RegReadString(SettingsKey, row.Key, "?"), FieldText(row, written)) << row.Key;
    }
}

TEST_F(SettingsStore, StoredAccountStopsAtAValueItCannotRead)
{
    Sandbox.WriteSettings("[General]\nime=Ana\nhost=@ByteArray(mail)\nusername=ana\n");
    TSettings account = DefaultSettings();
    account.UserID = "bob";
    EXPECT_EQ(ErrorOf([&] { ReadAccount(account); }), "Invalid data type for 'host'");
    EXPECT_EQ(account.Name, "Ana");
    EXPECT_EQ(account.UserID, "bob") << "values after the bad one stay as they were";
}

TEST_F(SettingsStore, SettingsFileIsTheOneTheStoreWrites)
{
    RegWriteString(SettingsKey, "ime", "Ana");
    EXPECT_EQ(SettingsFileName(SettingsKey), Sandbox.SettingsFile());
}

}
