// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/program/ProgramFolder.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace {

// Where the program writes log.txt and msg.html and where it finds help.htm, for the
// layouts it meets: the build tree, an installed prefix (also one the user may write to,
// such as ~/.local), and a folder that is gone.
TEST(ProgramFolderRule, TellsAnInstalledProgramFromOneInTheBuildTree)
{
    TSandbox sandbox;
    const std::string data = sandbox.Path("user-data");
    sandbox.MakeFile("build/bin/pelmar", "");
    sandbox.MakeFile("build/bin/help.htm", "");
    sandbox.MakeFile("prefix/bin/pelmar", "");
    sandbox.MakeFile("prefix/share/pelmar/help.htm", "");
    sandbox.MakeFile("lonely/share/other/file", "");
    sandbox.MakeFile("lonely/bin/pelmar", "");
    struct Case {
        std::string Exe, Installed, Program, Help;
    } cases[] = {
        {"build/bin", "", "build/bin/", "build/bin/help.htm"},
        {"prefix/bin", "prefix/share/pelmar/", "user-data/", "prefix/share/pelmar/help.htm"},
        {"lonely/bin", "", "lonely/bin/", "lonely/bin/help.htm"},
        {"gone/bin", "", "user-data/", "gone/bin/help.htm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Exe);
        const std::string exe = sandbox.Path(c.Exe);
        EXPECT_EQ(InstalledDataFolder(exe), c.Installed.empty() ? "" : sandbox.Path(c.Installed));
        EXPECT_EQ(ChooseProgramFolder(exe + "/", data), sandbox.Path(c.Program));
        EXPECT_EQ(ChooseHelpFile(exe + "/"), sandbox.Path(c.Help));
        EXPECT_EQ(ChooseHelpFile(exe), sandbox.Path(c.Help)) << "without the trailing separator";
    }
}

}
