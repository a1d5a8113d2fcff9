#include "settings/Registry.h"

#include <filesystem>
#include <thread>

#include "ScratchRegistry.h"
#include "util/FileIo.h"

namespace {

using RegistryTest = ScratchRegistry;

std::string ErrorOf(const std::function<void()>& F) try {
    F();
    return "(no error)";
} catch (const ERegistryException& E) {
    return E.what();
}

TEST_F(RegistryTest, ValuesSurviveInTheFileNamesIgnoreCaseAndErrorsNameTheValue) {
    const std::string Note = "a \"quoted\" \\ text\nwith\ttabs \x01 and UTF-8 \xc3\xa9";
    TRegistry Writer, Reg;
    ASSERT_TRUE(Writer.OpenKey("\\Software\\Quorvane", true));
    Writer.WriteInteger("Width", -606);
    const TPathInfo Before = PathInfo(UserFile());
    Writer.WriteString("Note", Note);
    EXPECT_FALSE(PathInfo(UserFile()).SameFileAs(Before)); // replaced by a new file, never rewritten in place
    ASSERT_TRUE(Reg.OpenKey("software\\QUORVANE\\", false));
    EXPECT_EQ(Reg.ReadInteger("width"), -606);
    EXPECT_EQ(Reg.ReadString("NOTE"), Note);
    EXPECT_TRUE(Reg.ValueExists("wIdTh") && !Reg.ValueExists("Height"));
    const std::string Text = qvtest::ReadFile(UserFile()); // human-readable, names as first written
    EXPECT_NE(Text.find("[Software\\Quorvane]\n\"Note\"=\"a \\\"quoted"), std::string::npos) << Text;
    EXPECT_NE(Text.find("\"Width\"=int:-606\n"), std::string::npos) << Text;
    EXPECT_EQ(ErrorOf([&] { Reg.ReadInteger("Note"); }), "Invalid data type for 'Note'");
    EXPECT_EQ(ErrorOf([&] { Reg.ReadString("Width"); }), "Invalid data type for 'Width'");
    EXPECT_EQ(ErrorOf([&] { Reg.ReadInteger("Nothing"); }), "Failed to get data for 'Nothing'");
    EXPECT_EQ(ErrorOf([&] { TRegistry().WriteInteger("Top", 1); }), "Failed to set data for 'Top'"); // no key open
    std::filesystem::remove_all(Dir / "cfg");
    Dir.Write("cfg", "not a folder"); // nothing can be written below it any more
    EXPECT_EQ(ErrorOf([&] { Reg.WriteInteger("Left", 1); }), "Failed to set data for 'Left'");
}

TEST_F(RegistryTest, KeysAreMadeOnlyWhenAskedAndDeletedWithTheirSubkeys) {
    TRegistry Reg, Classes(TRegRoot::ClassesRoot);
    EXPECT_FALSE(Reg.OpenKey(".sfv", false) || Reg.HasCurrentKey());
    EXPECT_FALSE(std::filesystem::exists(UserFile()));
    ASSERT_TRUE(Reg.OpenKey(".sfv", true));
    Reg.WriteString("", "Quorvane.Document");
    EXPECT_FALSE(Classes.OpenKey(".sfv", false)); // the other root is apart
    ASSERT_TRUE(Reg.OpenKey("Quorvane.Document\\shell\\open\\command", true));
    ASSERT_TRUE(Reg.OpenKey("Quorvane.DocumentX", true)); // shares the prefix, is no subkey
    Reg.WriteInteger("Keep", 1);
    EXPECT_TRUE(Reg.DeleteValue("keep"));
    EXPECT_FALSE(Reg.ValueExists("Keep") || Reg.DeleteValue("keep"));
    EXPECT_TRUE(Reg.DeleteKey("quorvane.document"));
    EXPECT_FALSE(Reg.KeyExists("Quorvane.Document\\shell\\open\\command"));
    EXPECT_TRUE(Reg.KeyExists("Quorvane.DocumentX"));
    EXPECT_FALSE(Reg.DeleteKey("Quorvane.Document"));
    ASSERT_TRUE(Reg.OpenKey(".SFV", false));
    EXPECT_EQ(Reg.ReadString(""), "Quorvane.Document");
}

// A damaged file is kept aside, the next opening starts afresh; a second one does not replace the first copy.
TEST_F(RegistryTest, DamagedFilesAreRejectedAndKeptAsideNeverOverwritten) {
    for (const char* Bad : {"\"A\"=int:1\n", "[K]\n\"A\"=int:99999999999\n", "[K]\nA=int:1\n", "[K]\n\"A\"=\"open\n",
                            "[K]\n\"A\"=\"x\"y\n", "[K\n", "[K]\n\"A\"=\"\\q\"\n", "[K]\n\"A\"=int: 5\n",
                            "[K]\n\"A\"=int:+5\n"})
        EXPECT_THROW(TRegData::Parse(Bad), std::invalid_argument) << Bad;
    EXPECT_THROW(TRegData::Parse(std::string("[K]\n\"A\"=int:5\0junk\n", 18)), std::invalid_argument);
    const auto Text = TRegData::Parse("; comment\r\n\r\n[A\\\\B\\]\r\n@=\"d\"\r\n\"n\"=int:-2147483648\r\n").Text();
    EXPECT_EQ(Text.substr(Text.find("\n[")), "\n[A\\B]\n@=\"d\"\n\"n\"=int:-2147483648\n");
    EXPECT_EQ(TRegData::Parse(Text).Text(), Text);
    const std::string Damaged = "[Software\\Quorvane]\n\"Width\"=int:12abc\n";
    WriteUserFile(Damaged);
    TRegistry Reg;
    const std::string Error = ErrorOf([&] { Reg.OpenKey("Software\\Quorvane", true); });
    EXPECT_NE(Error.find("damaged"), std::string::npos) << Error;
    EXPECT_NE(Error.find(UserFile() + ".bad"), std::string::npos) << Error;
    ASSERT_TRUE(Reg.OpenKey("Software\\Quorvane", true));
    WriteUserFile("garbage\n");
    EXPECT_NE(ErrorOf([&] { Reg.OpenKey("Software\\Quorvane", true); }).find(".bad.1"), std::string::npos);
    EXPECT_EQ(qvtest::ReadFile(UserFile() + ".bad"), Damaged);
    EXPECT_EQ(qvtest::ReadFile(UserFile() + ".bad.1"), "garbage\n");
}

TEST_F(RegistryTest, TwoWritersLoseNothing) {
    auto Writer = [](const std::string& Prefix) {
        TRegistry Reg;
        Reg.OpenKey("Software\\Quorvane", true);
        for (int I = 0; I < 15; ++I)
            Reg.WriteInteger(Prefix + std::to_string(I), I);
    };
    { std::jthread A(Writer, "A"), B(Writer, "B"); }
    TRegistry Reg;
    ASSERT_TRUE(Reg.OpenKey("Software\\Quorvane", false));
    EXPECT_EQ(Reg.ValueNames().size(), 30u);
    EXPECT_EQ(Reg.ReadInteger("b14"), 14);
}

} // namespace
