// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFixture.h"

#include <QScreen>

namespace {

// A settings file cut short, edited by hand into the wrong types, or holding garbage:
// the program starts, shows what it can read, reports what it cannot in the standard
// error box, and what the user had stored is still there after it closes.
struct SettingsCase {
    const char* name;
    std::string stored;
    // Name, e-mail address, host, user, character set, delay, port as shown after start.
    std::vector<std::string> fields;
    std::vector<std::string> errors;
    // Lines that must still be in the file after the program closed.
    std::vector<std::string> kept;
};

void PrintTo(const SettingsCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::string Account = "[General]\nime=Ana\nemail=ana@x.org\nhost=mail.x.org\nusername=ana\n";
const std::vector<std::string> AccountLines = {"ime=Ana", "email=ana@x.org", "host=mail.x.org", "username=ana"};

std::vector<std::string> With(std::vector<std::string> lines, const std::vector<std::string>& more)
{
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

class BadSettingsFile : public AppTest, public ::testing::WithParamInterface<SettingsCase> {
protected:
    std::vector<std::string> Fields()
    {
        TSettingsDialog& f = Settings();
        std::vector<std::string> fields;
        for (QLineEdit* field :
             {f.nameEdit, f.emailEdit, f.hostEdit, f.userIdEdit, f.charsetEdit, f.delayEdit, f.portEdit})
            fields.push_back(Str(field->text()));
        return fields;
    }
};

TEST_P(BadSettingsFile, StartsShowsWhatItCanAndLosesNothing)
{
    const SettingsCase& c = GetParam();
    Sandbox.WriteSettings(c.stored);
    Start();
    EXPECT_EQ(Fields(), c.fields);
    EXPECT_EQ(Ui.Errors, c.errors);
    Window().close();
    const std::string after = Sandbox.ReadSettings();
    for (const std::string& line : c.kept)
        EXPECT_NE(after.find(line + "\n"), std::string::npos) << line << " lost from:\n" << after;
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadSettingsFile,
    ::testing::Values(SettingsCase{"TruncatedInAValue",
                                   Account + "charset=utf-8\nport=58",
                                   {"Ana", "ana@x.org", "mail.x.org", "ana", "utf-8", "0", "58"},
                                   {},
                                   With(AccountLines, {"charset=utf-8", "port=58"})},
                      SettingsCase{"TruncatedInAKey",
                                   Account + "pav",
                                   {"Ana", "ana@x.org", "mail.x.org", "ana", "utf-8", "0", "25"},
                                   {},
                                   AccountLines},
                      SettingsCase{"IntegersThatAreNoNumbers",
                                   Account + "port=twenty-five\npavza=9999999999\nwidth=-\n",
                                   {"Ana", "ana@x.org", "mail.x.org", "ana", "utf-8", "0", "25"},
                                   {},
                                   With(AccountLines, {"port=twenty-five", "pavza=9999999999"})},
                      // The reading stops at the first value of another type; those before it are shown.
                      SettingsCase{"ValueOfAnotherType",
                                   Account + "charset=utf-8\npavza=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\nport=587\n",
                                   {"Ana", "ana@x.org", "mail.x.org", "ana", "utf-8", "0", "25"},
                                   {"Invalid data type for 'pavza'"},
                                   // kept as the number it holds, now in plain text
                                   With(AccountLines, {"charset=utf-8", "pavza=5", "port=587"})},
                      SettingsCase{"GarbageLinesAround",
                                   "\x01\x02\xff\xfe garbage\n=no key\n[General\n" + Account.substr(10)
                                       + "\xff=\xfe\n\n[General]\nport=587\n",
                                   {"Ana", "ana@x.org", "mail.x.org", "ana", "utf-8", "0", "587"},
                                   {},
                                   With(AccountLines, {"port=587"})}),
    [](const auto& info) { return info.param.name; });

// Geometry edited by hand to the ends of the integer range: the window still opens,
// whole and where it can be seen, instead of failing to paint.
class StoredGeometry : public AppTest, public ::testing::WithParamInterface<const char*> { };

TEST_P(StoredGeometry, WindowFitsTheScreen)
{
    Sandbox.WriteSettings(Account + GetParam());
    Start();
    Pump();
    const QRect area = Window().screen()->availableGeometry();
    EXPECT_LE(Window().width(), area.width());
    EXPECT_LE(Window().height(), area.height());
    EXPECT_TRUE(area.contains(Window().pos())) << Window().x() << "," << Window().y();
}

INSTANTIATE_TEST_SUITE_P(Values, StoredGeometry,
                         ::testing::Values("width=2147483647\nheight=2147483647\n", "width=2147483647\nheight=400\n",
                                           "left=-2147483648\ntop=2147483647\n",
                                           "left=100000\ntop=-100000\nwidth=-5\nheight=0\n"));

} // namespace
