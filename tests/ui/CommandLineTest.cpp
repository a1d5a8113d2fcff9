// The desktop program's -makesfv / -makemd5, run as the file manager runs it: one list per argument, then
// the program exits by itself with status 0.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GuiTestSupport.h"

namespace {

using namespace qvtest;
using TArgs = std::vector<std::string>;

TEST(CommandLineTest, MakeListsWritesOneListPerFolderArgumentAndExits) {
    TempDir Dir;
    for (const char* F : {"a/one.bin", "a/two.txt", "b/three.bin", "d/x.jpg", "d/y.bin"})
        Dir.Write(F, std::string(F) + " bytes");
    Dir.Write("a/old.SFV", "not listed");
    Dir.Write("a/sums.md5", "not listed");
    Dir.Write("a/sub/inner.bin", "not descended into");
    Dir.Write("c/c.sfv", "an existing list\n");
    Dir.Write("c/c.bin", "c");
    Dir.Write("e/e.bin", "e");
    Dir.Write("cfg/.keep", "");
    struct Case {
        TArgs Args;
        std::vector<std::string> Written; // lists the run writes (c/c.sfv stays as it was)
    };
    const std::vector<Case> Cases{
        {{"-makesfv"}, {}},
        {{"-MakeSFV", Dir / "a", "b", Dir / "c", Dir / "nowhere/x.sfv"}, {"a/a.sfv", "b/b.sfv"}},
        {{"-makemd5", "d/x.jpg", "e/"}, {"d/d.md5", "e/e.md5"}},
    };
    std::vector<std::string> Present; // the lists written so far
    for (const Case& C : Cases) {
        SCOPED_TRACE(::testing::PrintToString(C.Args));
        Present.insert(Present.end(), C.Written.begin(), C.Written.end());
        TArgs Argv{"env", "XDG_CONFIG_HOME=" + (Dir / "cfg"), "timeout", "60", QUORVANE_GUI_PATH};
        Argv.insert(Argv.end(), C.Args.begin(), C.Args.end());
        EXPECT_EQ(qvtest::Run(Argv, Dir.Path().string()).ExitCode, 0);
        for (const char* L : {"a/a.sfv", "b/b.sfv", "d/d.md5", "e/e.md5"})
            EXPECT_EQ(std::filesystem::exists(Dir / L), std::ranges::count(Present, std::string(L)) == 1) << L;
        EXPECT_EQ(ReadFile(Dir / "c/c.sfv"), "an existing list\n");
        // The same entries as the console tool's list of that folder (its lists left out, not descending).
        for (const std::string& L : C.Written) {
            const std::string Folder = Dir / L.substr(0, 1), Other = Dir / ("cfg/" + L.substr(2));
            ASSERT_EQ(RunCli({"create", L.ends_with(".md5") ? "--md5" : "--sfv", "--force", "-o", Other, Folder}).ExitCode, 0);
            EXPECT_EQ(ListBody(Dir / L), ListBody(Other));
        }
    }
    EXPECT_EQ(ListBody(Dir / "e/e.md5"), "E1671797C52E15F763380B45E841EC32 e.bin\r\n");
    EXPECT_EQ(std::ranges::count(ListBody(Dir / "a/a.sfv"), '\n'), 5); // ";", two comment lines, two entries
}

} // namespace
