#include "settings/Registry.h"

#include <filesystem>
#include <thread>

#include "ScratchRegistry.h"

using namespace quorvane;

namespace {

using RegistryTest = ScratchRegistry;

std::string ErrorOf(const std::function<void()>& F) {
    try {
        F();
    } catch (const ERegistryException& E) {
        return E.what();
    }
    return "(no error)";
}

TEST_F(RegistryTest, ValuesSurviveInTheFileNamesIgnoreCaseAndErrorsNameTheValue) {
    const std::string Note = "a \"quoted\" \\ text\nwith\ttabs \x01 and UTF-8 \xc3\xa9";
    {
        TRegistry Reg;
        ASSERT_TRUE(Reg.OpenKey("\\Software\\Quorvane", true));
        Reg.WriteInteger("Width", -606);
        Reg.WriteString("Note", Note);
    }
    TRegistry Reg;
    ASSERT_TRUE(Reg.OpenKey("software\\QUORVANE\\", false));
    EXPECT_EQ(Reg.ReadInteger("width"), -606);
    EXPECT_EQ(Reg.ReadString("NOTE"), Note);
    EXPECT_TRUE(Reg.ValueExists("wIdTh"));
    EXPECT_FALSE(Reg.ValueExists("Height"));
    // Human-readable: a key line and one line per value, names as first written.
    std::string Text = qvtest::ReadFile(UserFile());
    EXPECT_NE(Text.find("[Software\\Quorvane]\n"), std::string::npos);
    EXPECT_NE(Text.find("\"Width\"=int:-606\n"), std::string::npos);

    // Errors carry the value name.
    EXPECT_EQ(ErrorOf([&] { Reg.ReadInteger("Note"); }), "Invalid data type for 'Note'");
    EXPECT_EQ(ErrorOf([&] { Reg.ReadString("Width"); }), "Invalid data type for 'Width'");
    EXPECT_EQ(ErrorOf([&] { Reg.ReadInteger("Nothing"); }), "Failed to get data for 'Nothing'");
    EXPECT_EQ(ErrorOf([&] { TRegistry().WriteInteger("Top", 1); }), "Failed to set data for 'Top'"); // no key open
    // The folder becomes a plain file: nothing can be written below it any more.
    std::filesystem::remove_all(Dir / "cfg");
    Dir.Write("cfg", "not a folder");
    EXPECT_EQ(ErrorOf([&] { Reg.WriteInteger("Left", 1); }), "Failed to set data for 'Left'");
}

TEST_F(RegistryTest, KeysAreMadeOnlyWhenAskedAndDeletedWithTheirSubkeys) {
    TRegistry Reg, Classes(TRegRoot::ClassesRoot);
    EXPECT_FALSE(Reg.OpenKey(".sfv", false));
    EXPECT_FALSE(Reg.HasCurrentKey());
    EXPECT_FALSE(std::filesystem::exists(UserFile()));
    ASSERT_TRUE(Reg.OpenKey(".sfv", true));
    Reg.WriteString("", "Quorvane.Document");
    EXPECT_FALSE(Classes.OpenKey(".sfv", false)); // the other root is apart
    ASSERT_TRUE(Reg.OpenKey("Quorvane.Document\\shell\\open\\command", true));
    Reg.WriteString("", "quorvane \"%1\"");
    ASSERT_TRUE(Reg.OpenKey("Quorvane.DocumentX", true)); // shares the prefix, is no subkey
    Reg.WriteInteger("Keep", 1);
    EXPECT_TRUE(Reg.DeleteValue("keep"));
    EXPECT_FALSE(Reg.ValueExists("Keep"));
    EXPECT_FALSE(Reg.DeleteValue("keep"));

    EXPECT_TRUE(Reg.DeleteKey("quorvane.document"));
    EXPECT_FALSE(Reg.KeyExists("Quorvane.Document\\shell\\open\\command"));
    EXPECT_FALSE(Reg.KeyExists("Quorvane.Document"));
    EXPECT_TRUE(Reg.KeyExists("Quorvane.DocumentX"));
    EXPECT_FALSE(Reg.DeleteKey("Quorvane.Document"));
    ASSERT_TRUE(Reg.OpenKey(".SFV", false));
    EXPECT_EQ(Reg.ReadString(""), "Quorvane.Document");
}

TEST_F(RegistryTest, ADamagedFileIsKeptAsideNeverOverwritten) {
    const std::string Damaged = "[Software\\Quorvane]\n\"Width\"=int:12abc\n";
    WriteUserFile(Damaged);
    TRegistry Reg;
    std::string Error = ErrorOf([&] { Reg.OpenKey("Software\\Quorvane", true); });
    EXPECT_NE(Error.find("damaged"), std::string::npos) << Error;
    EXPECT_NE(Error.find(UserFile() + ".bad"), std::string::npos) << Error;
    EXPECT_EQ(qvtest::ReadFile(UserFile() + ".bad"), Damaged);
    // The next opening starts afresh; a second damaged file does not replace the first copy.
    ASSERT_TRUE(Reg.OpenKey("Software\\Quorvane", true));
    Reg.WriteInteger("Width", 5);
    WriteUserFile("garbage\n");
    EXPECT_NE(ErrorOf([&] { Reg.OpenKey("Software\\Quorvane", true); }).find(".bad.1"), std::string::npos);
    EXPECT_EQ(qvtest::ReadFile(UserFile() + ".bad"), Damaged);
    EXPECT_EQ(qvtest::ReadFile(UserFile() + ".bad.1"), "garbage\n");
}

TEST_F(RegistryTest, ParseRejectsWhatItCannotRead) {
    for (const char* Bad : {"\"A\"=int:1\n", "[K]\n\"A\"=int:99999999999\n", "[K]\nA=int:1\n", "[K]\n\"A\"=\"open\n",
                            "[K]\n\"A\"=\"x\"y\n", "[K\n", "[K]\n\"A\"=\"\\q\"\n"})
        EXPECT_THROW(TRegData::Parse(Bad), std::invalid_argument) << Bad;
    TRegData Data = TRegData::Parse("; comment\r\n\r\n[A\\\\B\\]\r\n@=\"d\"\r\n\"n\"=int:-2147483648\r\n");
    ASSERT_EQ(Data.Keys.size(), 1u);
    EXPECT_EQ(Data.Keys.begin()->second.Path, "A\\B");
    EXPECT_EQ(TRegData::Parse(Data.Text()).Text(), Data.Text());
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
