#pragma once

// The lines of the digest lists other tools write: coreutils' sha1sum, sha256sum and sha512sum (plain, binary
// mode, escaped names, --tag), BSD tag and reversed lines, and b3sum; also inside a clear-signed wrapper.
// A parser of text in memory: no file I/O, linear time in the text, any bytes accepted. Throws nothing but
// std::bad_alloc; any thread may call it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/HashKind.h"

namespace quorvane {

// The kind a list's extension names: .sfv Crc32, .md5 Md5, .sha1, .sha256, .sha512, .b3 and .blake3 (any case).
std::optional<THashKind> KindFromExtension(std::string_view Path);

// The extension a new list of the kind gets: ".sfv", ".md5", ".sha1", ".sha256", ".sha512", ".b3".
std::string_view ListExtension(THashKind Kind);

// One entry: the name unescaped ("\" is part of the name, not a folder separator), the digest as written.
struct TDigestEntry {
    std::string Name;
    std::string Digest;
    std::size_t Line = 0; // 1-based line number in the text
};

// A line that fits no form, or whose digest does not fit the list's kind: its number and its first 200 bytes.
struct TDigestProblem {
    std::size_t Line = 0;
    std::string Text;
};

struct TDigestList {
    std::optional<THashKind> Kind;     // empty: no line fits any form (the text is for the SFV rules)
    std::vector<TDigestEntry> Entries; // in the order of the text
    std::vector<TDigestProblem> Problems;
    bool Signed = false; // a whole clear-signed wrapper was read (the signature is not verified)
};

// Reads Text as a list of Kind, or, when Kind is empty, of the kind its first line of any form names: a tag
// line by its tag, any other by its digest length (40 SHA-1, 64 SHA-256, 128 SHA-512). When that first line
// names no digest kind (an MD5 or SFV list), or no line fits a form, Kind stays empty and nothing is read.
// The text ends at its first zero byte; lines end at LF (a CR before it is dropped, a CR elsewhere is part
// of the name, as b3sum writes it); a leading UTF-8 byte-order mark, blank lines and "#" lines are skipped.
TDigestList ReadDigestLines(std::string_view Text, std::optional<THashKind> Kind);

// The line sha1sum / sha256sum / sha512sum write in text mode, or b3sum, for Name: lower-case digest, two
// spaces, the name; with a leading "\" and the name escaped when it holds "\" or LF (or CR, but not for
// BLAKE3: b3sum writes CR as it is). No line end.
std::string EscapeDigestLine(THashKind Kind, std::string_view Digest, std::string_view Name);

} // namespace quorvane
