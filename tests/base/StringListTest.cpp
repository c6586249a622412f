// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/StringList.h"
#include "base/Exception.h"
#include "base/Stream.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* name;
    std::string text;
    std::vector<std::string> lines;
};

class StringListSplit : public ::testing::TestWithParam<SplitCase> { };

TEST_P(StringListSplit, SplitsAtEveryKindOfLineEnd)
{
    TStringList list;
    list.SetText(GetParam().text);
    EXPECT_EQ(list.Lines(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, StringListSplit,
                         ::testing::Values(SplitCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                                           SplitCase{"Lf", "a\nb\n", {"a", "b"}}, SplitCase{"Cr", "a\rb\r", {"a", "b"}},
                                           SplitCase{"NoFinalEnd", "a\r\nb", {"a", "b"}},
                                           SplitCase{"EmptyMiddleLine", "a\n\nc\n", {"a", "", "c"}},
                                           SplitCase{"CrThenLfIsOneEnd", "a\r\n\r\nc", {"a", "", "c"}},
                                           SplitCase{"LfThenCrIsTwoEnds", "a\n\rc", {"a", "", "c"}},
                                           SplitCase{"MixedEnds", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
                                           SplitCase{"NulEndsText", std::string("a\nb\0c\nd", 7), {"a", "b"}},
                                           SplitCase{"Empty", "", {}}, SplitCase{"OnlyLineEnd", "\r\n", {""}}),
                         [](const auto& info) { return info.param.name; });

TEST(StringList, SavesCrLfAfterEveryLineAndLoadsBack)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("list.txt").toStdString();
    TStringList list{"one", "", "three"};
    list.SaveToFile(path);
    EXPECT_EQ(ReadWholeFile(path), "one\r\n\r\nthree\r\n");
    TStringList back;
    back.LoadFromFile(path);
    EXPECT_EQ(back, list);
}

TEST(StringList, JoinsWithTheSeparatorBetweenLinesOnly)
{
    EXPECT_EQ(TStringList{}.Joined('\n'), "");
    EXPECT_EQ(TStringList{""}.Joined('\n'), "");
    EXPECT_EQ((TStringList{"", ""}.Joined('\n')), "\n");
    EXPECT_EQ((TStringList{"Dear Ana,", "", "hi"}.Joined('\n')), "Dear Ana,\n\nhi");
}

TEST(StringList, MissingFileRaisesOpenErrorWithName)
{
    TStringList list{"keep"};
    try {
        list.LoadFromFile("/nonexistent/x.txt");
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file /nonexistent/x.txt");
    }
    EXPECT_EQ(list.Count(), 1);
}

TEST(StringList, FolderIsNotAFile)
{
    QTemporaryDir dir;
    TStringList list;
    EXPECT_THROW(list.LoadFromFile(dir.path().toStdString()), EFOpenError);
    EXPECT_THROW(list.SaveToFile(dir.path().toStdString()), EFCreateError);
}

TEST(StringList, SortedAddKeepsCaseInsensitiveOrder)
{
    TStringList list;
    list.SetSorted(true);
    list.Add("b");
    list.Add("C");
    list.Add("a");
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"a", "b", "C"}));
    EXPECT_THROW(list[3], Exception);
}

TEST(MemoryStream, ReadWriteSeekFromEveryOrigin)
{
    TMemoryStream stream;
    stream.WriteString("hello world");
    EXPECT_EQ(stream.Size(), 11);
    EXPECT_EQ(stream.Seek(-5, soEnd), 6);
    char out[5];
    EXPECT_EQ(stream.Read(out, 5), 5);
    EXPECT_EQ(std::string(out, 5), "world");
    EXPECT_EQ(stream.Read(out, 5), 0);
    EXPECT_EQ(stream.Seek(-11, soCurrent), 0);
    stream.WriteString("J");
    EXPECT_EQ(stream.ToString(), "Jello world");
}

TEST(FileStream, WritesAndReadsBack)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("f.bin").toStdString();
    {
        TFileStream out(path, TFileMode::Create);
        out.WriteString(std::string("a\0b", 3));
    }
    TFileStream in(path, TFileMode::OpenRead);
    EXPECT_EQ(in.Size(), 3);
    char buffer[3];
    in.ReadBuffer(buffer, 3);
    EXPECT_EQ(std::string(buffer, 3), std::string("a\0b", 3));
    EXPECT_THROW(in.ReadBuffer(buffer, 1), EStreamError);
}

} // namespace
