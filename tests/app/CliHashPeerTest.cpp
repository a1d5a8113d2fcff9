// quorvane-cli hash agrees with the peer tools on the same files.

#include <string>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

std::string Upper(std::string Text) {
    for (char& C : Text)
        if (C >= 'a' && C <= 'z')
            C = static_cast<char>(C - 'a' + 'A');
    return Text;
}

TEST(CliHashPeers, Crc32AgreesWithRhash) {
    if (!qvtest::HaveProgram("rhash"))
        GTEST_SKIP() << "rhash is not installed";
    qvtest::TempDir Dir;
    for (std::size_t Size : {0u, 1u, 65536u, 1000003u}) {
        const std::string Name = "f" + std::to_string(Size);
        Dir.Write(Name, qvtest::PatternBytes(Size, 11));
        const auto Ours = qvtest::RunCli({"hash", "--crc32", Name}, Dir.Path().string());
        const auto Theirs = qvtest::Run({"rhash", "--crc32", "--simple", Name}, Dir.Path().string());
        ASSERT_EQ(Theirs.ExitCode, 0) << Theirs.Err;
        // rhash --simple writes "crc  name" in lower case.
        const std::string Crc = Upper(Theirs.Out.substr(0, 8));
        EXPECT_EQ(Ours.Out, Name + " " + Crc + "\n");
    }
}

TEST(CliHashPeers, Md5AgreesWithMd5sum) {
    if (!qvtest::HaveProgram("md5sum"))
        GTEST_SKIP() << "md5sum is not installed";
    qvtest::TempDir Dir;
    for (std::size_t Size : {0u, 55u, 65536u, 1000003u}) {
        const std::string Name = "f" + std::to_string(Size);
        Dir.Write(Name, qvtest::PatternBytes(Size, 12));
        const auto Ours = qvtest::RunCli({"hash", "--md5", Name}, Dir.Path().string());
        const auto Theirs = qvtest::Run({"md5sum", Name}, Dir.Path().string());
        ASSERT_EQ(Theirs.ExitCode, 0);
        EXPECT_EQ(Ours.Out, Upper(Theirs.Out.substr(0, 32)) + " " + Name + "\n");
    }
}

} // namespace
