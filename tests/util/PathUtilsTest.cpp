#include "util/PathUtils.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

TEST(AddBackslash, AppendsOneSlashUnlessThereIsOne) {
    const std::pair<std::string, std::string> Cases[] = {
        {"", "/"}, {"/", "/"}, {"/data", "/data/"}, {"/data/", "/data/"}, {"C:", "C:/"}, {"a\\", "a\\/"},
    };
    for (auto [In, Out] : Cases) {
        AddBackslash(In);
        EXPECT_EQ(In, Out);
    }
}

TEST(DirExists, OnlyExistingFolders) {
    qvtest::TempDir Dir;
    const std::string File = Dir.Write("f.txt", "x");
    std::filesystem::create_directory(Dir / "sub");
    std::filesystem::create_directory_symlink(Dir / "sub", Dir / "link");
    EXPECT_TRUE(DirExists(Dir.Path().string()));
    EXPECT_TRUE(DirExists(Dir / "sub"));
    EXPECT_TRUE(DirExists(Dir / "sub/"));
    EXPECT_TRUE(DirExists(Dir / "link")); // links are followed
    EXPECT_FALSE(DirExists(File));
    EXPECT_FALSE(DirExists(Dir / "missing"));
    EXPECT_FALSE(DirExists(""));
}

TEST(LastPathName, LastNameWithOrWithoutFinalSlash) {
    const std::pair<const char*, const char*> Cases[] = {
        {"/data/album", "album"},
        {"/data/album/", "album"},
        {"//server/share", "share"},
        {"/a//", ""},
        {"/", ""},
        {"", ""},
        {"album", ""},
        {"album/", ""},
        {"/x", "x"},
        {"C:\\data\\album", ""},
        {"/mnt/C:\\x", "C:\\x"}, // "\" and ":" are ordinary characters
    };
    for (const auto& [In, Out] : Cases)
        EXPECT_EQ(LastPathName(In), Out) << In;
}

TEST(ExtractFileParts, FolderNameAndExtension) {
    struct Case {
        const char* Path;
        const char* Folder;
        const char* Name;
        const char* Ext;
    };
    const Case Cases[] = {
        {"/data/disc1.sfv", "/data/", "disc1.sfv", ".sfv"},
        {"disc1.SFV", "", "disc1.SFV", ".SFV"},
        {"/data/", "/data/", "", ""},
        {"/data.d/list", "/data.d/", "list", ""},
        {"/data/archive.tar.md5", "/data/", "archive.tar.md5", ".md5"},
        {"/data/.md5", "/data/", ".md5", ".md5"},
        {"/data/name.", "/data/", "name.", "."},
        {"C:list.sfv", "", "C:list.sfv", ".sfv"},
        {"dir\\list.md5", "", "dir\\list.md5", ".md5"},
        {"", "", "", ""},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(ExtractFilePath(C.Path), C.Folder) << C.Path;
        EXPECT_EQ(ExtractFileName(C.Path), C.Name) << C.Path;
        EXPECT_EQ(ExtractFileExt(C.Path), C.Ext) << C.Path;
    }
}

} // namespace
