// Text, path, size and mask helpers of src/util.

#include <chrono>
#include <filesystem>
#include <limits>
#include <string>
#include <tuple>

#include <fcntl.h>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "util/Base64.h"
#include "util/FileIo.h"
#include "util/MatchMask.h"
#include "util/PathUtils.h"
#include "util/SizeText.h"
#include "util/StringUtils.h"

using namespace quorvane;

namespace {

// RFC 4648 vectors, then the lenient reading: padding, line breaks and stray characters are skipped,
// and a final lone character is dropped.
TEST(Base64Decode, VectorsPaddingStrayCharactersAndBinary) {
    const std::pair<const char*, std::string> Cases[] = {
        {"", ""}, {"Zg==", "f"}, {"Zm8=", "fo"}, {"Zm9v", "foo"}, {"Zm9vYg==", "foob"}, {"Zm9vYmE=", "fooba"},
        {"Zm9vYmFy", "foobar"}, {"Zm9vYg", "foob"}, {"Zm9v\r\nYmFy\n", "foobar"}, {"Z m-9_v!", "foo"}, {"Zm9vY", "foo"},
        {"=Zm=9v=", "foo"}, {"+/+/", "\xfb\xff\xbf"}, {"AP8QgA==", std::string("\x00\xff\x10\x80", 4)}};
    for (const auto& [In, Out] : Cases)
        EXPECT_EQ(Base64Decode(In), Out) << In;
}

// A used-up mask returns to its last "*" as on a difference; without "*" only names of the mask's
// length match. ASCII letters fold; ";" and "[" are ordinary characters.
TEST(MatchMask, WildcardsBacktrackingCaseAndLiterals) {
    const std::tuple<const char*, const char*, bool> Cases[] = {
        {"*", "", true}, {"*.sfv", "A.SFV", true}, {"*.sfv", "a.sfv.bak", false}, {"?", "", false},
        {"a**", "a", true}, {"*.*", "abc", false}, {"", "", true}, {"", "a", false}, {"??", "x", false},
        {"a?", "abab", false}, {"a?", "ab", true}, {"abc", "abcabc", false}, {"*aa", "aaa", true},
        {"*.sfv", "a.sfv.sfv", true}, {"a*b", "aXbXb", true}, {"a*b", "aXbX", false}, {"*a*b", "xaxxb", true},
        {"*?", "", false}, {"*x*", "abc", false}, {"@", "`", false}, {"DISC?.Md5", "disc1.md5", true},
        {"\xc3\x89*", "\xc3\xa9t", false}, {"*.sfv;*.md5", "a.md5", false}, {"*.sfv;*.md5", "a.sfv;x.md5", true},
        {"[ab]", "a", false}};
    for (const auto& [Mask, Name, Matches] : Cases)
        EXPECT_EQ(MatchMask(Mask, Name), Matches) << Mask << " / " << Name;
}

TEST(PathUtils, AddBackslashLastPathNameAndFileParts) {
    for (auto [In, Out] : {std::pair<std::string, std::string>{"", "/"}, {"/", "/"}, {"/d", "/d/"}, {"a\\", "a\\/"}}) {
        AddBackslash(In);
        EXPECT_EQ(In, Out);
    }
    const std::pair<const char*, const char*> Names[] = { // "\" and ":" are ordinary; relative paths have none
        {"/data/album/", "album"}, {"//server/share", "share"}, {"/a//", ""}, {"/", ""}, {"", ""}, {"album/", ""},
        {"/x", "x"}, {"/mnt/C:\\x", "C:\\x"}};
    for (const auto& [In, Out] : Names)
        EXPECT_EQ(LastPathName(In), Out) << In;
    const std::tuple<const char*, const char*, const char*, const char*> Parts[] = {
        {"/data/disc1.SFV", "/data/", "disc1.SFV", ".SFV"}, {"/data/", "/data/", "", ""},
        {"/data.d/list", "/data.d/", "list", ""}, {"archive.tar.md5", "", "archive.tar.md5", ".md5"},
        {"/data/.md5", "/data/", ".md5", ".md5"}, {"/data/name.", "/data/", "name.", "."},
        {"dir\\C:list.md5", "", "dir\\C:list.md5", ".md5"}};
    for (const auto& [Path, Folder, Name, Ext] : Parts) {
        EXPECT_EQ(ExtractFilePath(Path), Folder) << Path;
        EXPECT_EQ(ExtractFileName(Path), Name) << Path;
        EXPECT_EQ(ExtractFileExt(Path), Ext) << Path;
    }
}

// What is at a path, from one look-up; DirExists always follows links.
TEST(FileIo, PathKindsSizesIdentityAndOwnedDescriptors) {
    qvtest::TempDir Dir;
    std::filesystem::create_directory(Dir / "sub");
    std::filesystem::create_directory_symlink(Dir / "sub", Dir / "link");
    std::filesystem::create_symlink(Dir / "none", Dir / "broken");
    const std::string File = Dir.Write("f.txt", "abc");
    std::filesystem::create_hard_link(File, Dir / "hard");
    const std::tuple<std::string, bool, TPathKind, std::int64_t, bool> Cases[] = {
        {File, true, TPathKind::File, 3, false}, {Dir / "sub/", true, TPathKind::Folder, -1, true},
        {Dir / "link", true, TPathKind::Folder, -1, true}, {Dir / "link", false, TPathKind::Other, -1, true},
        {Dir / "broken", true, TPathKind::None, -1, false}, {Dir / "broken", false, TPathKind::Other, -1, false},
        {"/dev/null", true, TPathKind::Other, -1, false}, {"", true, TPathKind::None, -1, false}};
    for (const auto& [Path, Follow, Kind, Size, IsDir] : Cases) {
        const TPathInfo Info = PathInfo(Path, Follow);
        EXPECT_EQ(Info.Kind, Kind) << Path << Follow;
        EXPECT_EQ(Info.Size, Size) << Path;
        EXPECT_EQ(Info.Error != 0, Kind == TPathKind::None) << Path;
        EXPECT_EQ(DirExists(Path), IsDir) << Path;
    }
    EXPECT_TRUE(PathInfo(File).SameFileAs(PathInfo(Dir / "hard")));
    EXPECT_FALSE(PathInfo(File).SameFileAs(PathInfo(Dir / "sub")));
    EXPECT_FALSE(PathInfo(Dir / "none").SameFileAs(PathInfo(""))); // nothing there is no file at all
    TUniqueFd Fd(::open(File.c_str(), O_RDONLY));
    EXPECT_EQ(FdInfo(Fd.Get()).Size, 3);
    TUniqueFd Moved = std::move(Fd);
    EXPECT_FALSE(Fd.Valid());
    EXPECT_EQ(Moved.Close(), 0);
    EXPECT_FALSE(Moved.Valid());
    EXPECT_TRUE(IsOwnTemporaryName(".quorvane-tmp-ab12") && !IsOwnTemporaryName("x.quorvane-tmp-"));
}

// The console tool's separators and month names follow the environment's locale (needs de_DE.UTF-8).
TEST(EnvironmentLocaleFormat, FollowsTheEnvironment) {
    const std::string Saved = std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "";
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    const LocaleFormat De = EnvironmentLocaleFormat();
    ::setenv("LC_ALL", "C", 1);
    const LocaleFormat C = EnvironmentLocaleFormat();
    Saved.empty() ? ::unsetenv("LC_ALL") : ::setenv("LC_ALL", Saved.c_str(), 1);
    EXPECT_EQ(De.ThousandSeparator + De.DecimalSeparator + De.ShortMonthNames[2], ".,M\xC3\xA4r");
    EXPECT_EQ(C.ThousandSeparator + C.DecimalSeparator + C.ShortMonthNames[2], ",.Mar");
}

// Truncated in KB, rounded in MB and up without switching units; below 1024 every mode shows bytes.
TEST(SizeText, SizeToTextFormatNumberAndThousandSeparators) {
    const std::tuple<int, bool, double, const char*, LocaleFormat> Sizes[] = {
        {smAuto, true, 0, "0 bytes", {}}, {smAuto, false, 1023, "1,023", {}}, {smKB, true, 1023, "1,023 bytes", {}},
        {smBytes, true, 5000000, "5,000,000 bytes", {}}, {smAuto, true, 1024, "1 KB", {}},
        {smAuto, true, 1048575, "1,023 KB", {}}, {smAuto, true, 1048576, "1.00 MB", {}},
        {smAuto, true, 1073741823, "1,024.00 MB", {}}, {smAuto, true, 1073741824, "1.00 GB", {}},
        {smAuto, true, 1099511627775.0, "1,024.00 GB", {}}, {smAuto, true, 1099511627776.0, "1.00 TB", {}},
        {smAuto, true, 1099511627776.0 * 2048, "2,048.00 TB", {}}, {smAuto, true, 1179648, "1.13 MB", {}},
        {smAuto, true, 1048575, "1.023 KB", {".", ","}}, {smAuto, true, 1073741823, "1.024,00 MB", {".", ","}},
        {smBytes, false, 1234567, "1\u202f234\u202f567", {"\u202f"}}, {smBytes, true, 1234567, "1234567 bytes", {""}},
        {smKB, false, 1073741824, "1,048,576 KB", {}}, {smKB, false, 2147483648.0 * 1024, "2,147,483,648 KB", {}},
        {smKB, false, 9223372036854775807.0, "9,007,199,254,740,992 KB", {}}, // beyond 2^31 KB: no range error
        {smKB, false, std::numeric_limits<double>::infinity(), "INF KB", {}}};
    for (const auto& [Mode, UnitWord, Bytes, Text, Locale] : Sizes)
        EXPECT_EQ(SizeToText(Mode, UnitWord, Bytes, Locale), Text) << Bytes << " mode " << Mode;
    EXPECT_EQ(SizeToText(smKB, false, 1e300).substr(0, 8), "976,562,");
    const std::tuple<double, int, const char*> Numbers[] = {
        // Halves round away from zero; 1.005 and 2.675 are 1.00499.. and 2.67499.., 999.995 is 999.99500..00454..
        {0.5, 0, "1"}, {2.5, 0, "3"}, {-2.5, 0, "-3"}, {1.005, 2, "1.00"}, {2.675, 2, "2.67"},
        {999.995, 2, "1,000.00"}, {0.00005, 4, "0.0001"}, {-0.4, 0, "0"}, {-0.0, 2, "0.00"}, {-1234.5, 1, "-1,234.5"},
        {1e20, 0, "100,000,000,000,000,000,000"}, {2, -3, "2"}, {std::numeric_limits<double>::quiet_NaN(), 2, "NAN"},
        {-std::numeric_limits<double>::infinity(), 2, "-INF"}};
    for (const auto& [Value, Digits, Text] : Numbers)
        EXPECT_EQ(FormatNumber(Value, Digits), Text) << Value;
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::max(), 2).size(), 309 + 102 + 3u); // digits, groups, ".00"
    for (const auto& [In, Out] : {std::pair{"", ""}, {"123", "123"}, {"1234", "1'234"}, {"1234567", "1'234'567"}})
        EXPECT_EQ(InsertThousandSeparators(In, "'"), Out) << In;
}

// ReplaceText works left to right, never rescans the replacement and takes linear time. PosFrom counts from 1
// (a start of 0 too); blanks are codes up to 32; only ASCII letters fold.
TEST(StringUtils, ReplaceTextPosFromBlanksAndAsciiCase) {
    const std::tuple<std::string, std::string, std::string, bool, std::string> Cases[] = {
        {"a**b*", "*", "", false, "ab"}, {"xxx", "x", "xx", false, "xxxxxx"}, {"a*b*c", "*", "-", true, "a-b*c"},
        {"abc", "", "z", false, "abc"}, {"abc", "B", "z", false, "abc"}, {"aaa", "aa", "b", false, "ba"},
        {std::string("a\0*b", 4), "*", "", false, std::string("a\0b", 3)}};
    for (const auto& [Text, Old, New, FirstOnly, Result] : Cases)
        EXPECT_EQ(ReplaceText(Text, Old, New, FirstOnly), Result) << Text;
    const std::string Stars(8 << 20, '*');
    const auto Began = std::chrono::steady_clock::now();
    EXPECT_EQ(ReplaceText(Stars + "name" + Stars, "*", ""), "name");
    EXPECT_LT(std::chrono::steady_clock::now() - Began, std::chrono::seconds(10));
    const std::tuple<const char*, const char*, int, int> Positions[] = {
        {"b", "abcb", 0, 2}, {"b", "abcb", 2, 2}, {"b", "abcb", 3, 4}, {"b", "abcb", 5, 0}, {"b", "abcb", -1, 0},
        {"", "abc", 1, 0}, {"a", "", 1, 0}, {"cb", "abcb", 1, 3}, {"B", "abcb", 1, 0}, {"abcbx", "abcb", 1, 0}};
    for (const auto& [Sub, Text, Start, Pos] : Positions)
        EXPECT_EQ(PosFrom(Sub, Text, Start), Pos) << Sub << " in " << Text << " from " << Start;
    for (int C = 0; C < 256; ++C)
        EXPECT_EQ(IsBlank(static_cast<char>(C)), C <= 32) << C;
    EXPECT_EQ(TrimBlanks(std::string_view("\t\x01 a b\x1f \r\n", 10)), "a b");
    EXPECT_EQ(TrimBlanks("\xa0\x7f\xa0"), "\xa0\x7f\xa0"); // DEL and a non-breaking space byte are no blanks
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(LowerAscii("AbZ@[`{09\xc3\x89"), "abz@[`{09\xc3\x89");
    EXPECT_EQ(UpperAscii("aBz@[`{09\xc3\xa9"), "ABZ@[`{09\xc3\xa9");
    EXPECT_TRUE(SameTextAscii("Disc1.SFV", "disc1.sfv"));
    // É and é in UTF-8 are bytes, not letters; "@" and "`" differ by the case bit only.
    for (const auto& [A, B] : {std::pair{"\xc3\x89", "\xc3\xa9"}, {"@", "`"}, {"a", "ab"}})
        EXPECT_FALSE(SameTextAscii(A, B)) << A << " / " << B;
}

} // namespace
