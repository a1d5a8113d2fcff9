// Prints the digest text of one file as the list-creation routine computes it, for compare-digests.sh:
//   DigestFile crc32|md5|sha1|sha256|sha512|blake3 FILE
// Exit status 1 when the file cannot be hashed, 2 on wrong usage.

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "checksum/Digest.h"

using namespace quorvane;

int main(int Argc, char** Argv) {
    if (Argc != 3) {
        std::fprintf(stderr, "usage: DigestFile crc32|md5|sha1|sha256|sha512|blake3 FILE\n");
        return 2;
    }
    for (const THashKind Kind : AllHashKinds) {
        const std::string_view Tag = TagName(Kind);
        if (Tag.size() != std::strlen(Argv[1]) || strncasecmp(Tag.data(), Argv[1], Tag.size()) != 0)
            continue;
        FileReadOutcome Outcome;
        const std::string Text = FileDigestText(Kind, Argv[2], &Outcome);
        if (!Outcome.Complete()) {
            std::fprintf(stderr, "DigestFile: cannot hash %s: %s\n", Argv[2], std::strerror(Outcome.Error));
            return 1;
        }
        std::printf("%s  %s\n", Text.c_str(), Argv[2]);
        return 0;
    }
    std::fprintf(stderr, "DigestFile: unknown kind %s\n", Argv[1]);
    return 2;
}
