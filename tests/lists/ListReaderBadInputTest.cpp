// Untrusted lists: the reader against a literal transcription of Part 2.2 (quadratic duplicate test)
// on random texts, and binary files, zero bytes, megabyte lines, invalid UTF-8, a million lines,
// folders, fifos and devices given as lists, and lists that change or vanish while read.

#include "lists/ListReader.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "lists/ListReaderReference.h"
#include "support/TestSupport.h"

namespace {

using Lines = std::vector<std::string>;

Lines Reference(const std::string& Text, bool IsMd5) {
    return qvref::CleanListText(Text, IsMd5);
}

TEST(ReaderAgainstReference, RandomTextsOfTheFormatsAlphabet) {
    const char Alphabet[] = {'a',  'A',  'b', 'B', ' ',  ' ',  ';',    '\r', '\n',
                             '\n', '\t', '*', '"', '\\', '\0', '\x01', 'z'};
    std::mt19937 Gen(12345);
    for (int Round = 0; Round < 20000; ++Round) {
        std::string Text(Gen() % 60, ' ');
        for (char& C : Text)
            C = Alphabet[Gen() % sizeof Alphabet];
        for (const bool IsMd5 : {false, true})
            ASSERT_EQ(CleanListText(Text, IsMd5), Reference(Text, IsMd5)) << ::testing::PrintToString(Text) << IsMd5;
    }
}

TEST(BadInput, BinaryBytesGiveRecordsNeverACrash) {
    for (unsigned Seed = 1; Seed <= 20; ++Seed) {
        const std::string Bytes = qvtest::PatternBytes(Seed * 5000, Seed);
        const Lines L = CleanListText(Bytes, Seed % 2 == 0);
        for (const auto& Line : L) {
            EXPECT_FALSE(Line.empty());
            EXPECT_EQ(Line.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
        }
        const std::string Text = Bytes.substr(0, std::min<std::size_t>(Bytes.find('\0'), 3000));
        EXPECT_EQ(L.size(), Reference(Text, Seed % 2 == 0).size());
    }
}

TEST(BadInput, InvalidUtf8PassesThroughUnchanged) {
    const std::string Name = "\xff\xfe\xc3(\xe2\x82 \xed\xa0\x80.bin";
    const Lines L = CleanListText(Name + " 12345678\n", false);
    ASSERT_EQ(L.size(), 1u);
    EXPECT_EQ(SplitEntryLine(L[0]).Name, Name);
}

TEST(BadInput, MegabyteLines) {
    const std::string Long(3 << 20, 'n');
    const std::string Spaced = Long + " " + Long + " 12345678";
    Lines L = CleanListText("a 1\n" + Spaced + "\r\n" + Spaced + "\r\n", false);
    ASSERT_EQ(L.size(), 2u);
    EXPECT_EQ(SplitEntryLine(L[1]).Name.size(), 2 * Long.size() + 1);
    const std::string Stars(2 << 20, '*');
    L = CleanListText("d41d8cd98f00b204e9800998ecf8427e " + Stars + "a" + Stars + "\n", true);
    EXPECT_EQ(L, Lines{"a d41d8cd98f00b204e9800998ecf8427e"});
    L = CleanListText(std::string(4 << 20, ' ') + "x 1" + std::string(4 << 20, '\t'), false);
    EXPECT_EQ(L, Lines{"x 1"});
}

TEST(BadInput, AMillionLinesInLinearTime) {
    std::string Text;
    Text.reserve(30 << 20);
    for (int I = 0; I < 1000000; ++I) {
        Text += I % 2 ? "FILE" : "file";
        Text += std::to_string(I / 2); // every name twice, in two cases
        Text += ".bin 0A1B2C3D\r\n";
    }
    const auto Start = std::chrono::steady_clock::now();
    const Lines L = CleanListText(Text, false);
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(30)); // quadratic would take hours
    ASSERT_EQ(L.size(), 500000u);
    EXPECT_EQ(L[0], "file0.bin 0A1B2C3D");
    EXPECT_EQ(L.back(), "file499999.bin 0A1B2C3D");
}

TEST(BadInput, ZeroByteInAFileEndsTheList) {
    qvtest::TempDir Dir;
    const std::string List = Dir.Write("z.sfv", std::string("a 1\nb 2\0c 3\n", 12));
    ItemList Items;
    TCounters Counters;
    bool Md5 = false;
    OpenChecksumFiles({List}, Items, Counters, Md5);
    EXPECT_EQ(Items.Count(), 2u);
}

class UnopenableList : public ::testing::Test {
protected:
    qvtest::TempDir Dir;
    ItemList Items;
    TCounters Counters;
    bool Md5 = false;

    // Opening the path fails with the specified text, within a few seconds (a fifo must not block).
    void ExpectCannotOpen(const std::string& Path) {
        auto Outcome = std::async(std::launch::async, [Path] {
            ItemList Local;
            TCounters LocalCounters;
            bool LocalMd5 = false;
            try {
                OpenChecksumFiles({Path}, Local, LocalCounters, LocalMd5);
                return std::string("opened");
            } catch (const ListFileError& E) {
                return std::string(E.what());
            }
        });
        if (Outcome.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            const int Writer = ::open(Path.c_str(), O_WRONLY | O_NONBLOCK); // unblock a waiting reader
            ADD_FAILURE() << "opening " << Path << " hangs";
            Outcome.wait();
            if (Writer >= 0)
                ::close(Writer);
            return;
        }
        EXPECT_EQ(Outcome.get(), "Cannot open file " + Path);
    }
};

TEST_F(UnopenableList, MissingFolderFifoDeviceAndDanglingLink) {
    ExpectCannotOpen(Dir / "missing.sfv");
    ExpectCannotOpen(Dir.Path().string());
    ExpectCannotOpen(Dir.Path().string() + "/");
    ASSERT_EQ(::mkfifo((Dir / "fifo.sfv").c_str(), 0600), 0);
    ExpectCannotOpen(Dir / "fifo.sfv");
    ExpectCannotOpen("/dev/null");
    ExpectCannotOpen("/dev/zero"); // would never end if it were read
    std::filesystem::create_symlink(Dir / "nowhere.sfv", Dir / "dangling.sfv");
    ExpectCannotOpen(Dir / "dangling.sfv");
    ExpectCannotOpen("");
}

TEST_F(UnopenableList, NoReadPermission) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const std::string List = Dir.Write("secret.sfv", "a 1\n");
    ::chmod(List.c_str(), 0);
    ExpectCannotOpen(List);
}

TEST_F(UnopenableList, ALinkToAListIsRead) {
    Dir.Write("real.sfv", "a 1\n");
    std::filesystem::create_symlink(Dir / "real.sfv", Dir / "link.md5");
    OpenChecksumFiles({Dir / "link.md5"}, Items, Counters, Md5);
    EXPECT_EQ(Items.Count(), 1u);
    EXPECT_TRUE(Md5); // the kind comes from the name given, not the link's target
}

TEST(VanishingList, RewrittenTruncatedAndRemovedWhileRead) {
    qvtest::TempDir Dir;
    const std::string List = Dir / "moving.sfv";
    std::string Content;
    for (int I = 0; I < 20000; ++I)
        Content += "file" + std::to_string(I) + ".bin 0A1B2C3D\r\n";
    std::atomic<bool> Stop{false};
    std::thread Changer([&] {
        for (unsigned Round = 0; !Stop; ++Round) {
            const int Fd = ::open(List.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (Fd >= 0) {
                const std::size_t Part = Content.size() * (Round % 5) / 4; // up to the whole, sometimes none
                const ssize_t Written = ::write(Fd, Content.data(), std::min(Part, Content.size()));
                (void)Written;
                ::close(Fd);
            }
            if (Round % 3 == 0)
                ::unlink(List.c_str());
            std::this_thread::yield();
        }
    });
    int Opened = 0, Failed = 0;
    const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < Until) {
        ItemList Items;
        TCounters Counters;
        bool Md5 = false;
        try {
            OpenChecksumFiles({List}, Items, Counters, Md5);
            ++Opened;
            ASSERT_LE(Items.Count(), 20000u);
            for (const auto& Rec : Items)
                ASSERT_EQ(*Rec.ListFile, List);
        } catch (const ListFileError& E) {
            ++Failed;
            ASSERT_EQ(std::string(E.what()), "Cannot open file " + List);
        }
        ASSERT_EQ(Counters.UncheckedCount, static_cast<std::int32_t>(Items.Count()));
    }
    Stop = true;
    Changer.join();
    EXPECT_GT(Opened + Failed, 0);
}

} // namespace
