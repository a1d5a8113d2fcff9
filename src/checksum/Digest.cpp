#include "checksum/Digest.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "checksum/ThreadHash.h"

namespace quorvane {

namespace {

TDigestValue Started(THashKind Kind) {
    TDigestValue Value;
    Value.Kind = Kind;
    Value.Size = HexDigits(Kind) / 2;
    return Value;
}

} // namespace

TDigest::TDigest(THashKind Kind) : HashKind(Kind), State(std::uint32_t{0xFFFFFFFFu}) {
    switch (Kind) {
    case THashKind::Crc32:
        break;
    case THashKind::Md5:
        MD5Init(State.emplace<MD5Context>());
        break;
    case THashKind::Sha1:
    case THashKind::Sha256:
    case THashKind::Sha512:
        State.emplace<TShaContext>(Kind);
        break;
    case THashKind::Blake3:
        State.emplace<TBlake3Hasher>();
        break;
    }
}

void TDigest::Update(const void* Data, std::size_t Count) {
    if (auto* Crc = std::get_if<std::uint32_t>(&State))
        *Crc = Crc32Update(*Crc, Data, static_cast<std::ptrdiff_t>(Count));
    else if (auto* Md5 = std::get_if<MD5Context>(&State))
        MD5Update(*Md5, Data, static_cast<std::ptrdiff_t>(Count));
    else if (auto* Sha = std::get_if<TShaContext>(&State))
        Sha->Update(Data, Count);
    else
        std::get<TBlake3Hasher>(State).Update(Data, Count);
}

TDigestValue TDigest::Final() {
    TDigestValue Value = Started(HashKind);
    if (auto* Crc = std::get_if<std::uint32_t>(&State)) {
        const std::uint32_t Result = *Crc ^ 0xFFFFFFFFu;
        for (int I = 0; I < 4; ++I)
            Value.Bytes[I] = static_cast<unsigned char>(Result >> (24 - 8 * I));
        *Crc = 0xFFFFFFFFu;
    } else if (auto* Md5 = std::get_if<MD5Context>(&State)) {
        MD5Digest Digest;
        MD5Final(Digest, *Md5);
        std::copy(std::begin(Digest), std::end(Digest), Value.Bytes.begin());
        MD5Init(*Md5);
    } else if (auto* Sha = std::get_if<TShaContext>(&State)) {
        Sha->Final(Value.Bytes.data());
    } else {
        auto& Blake3 = std::get<TBlake3Hasher>(State);
        unsigned char Digest[TBlake3Hasher::DigestSize];
        Blake3.Final(Digest);
        std::copy(std::begin(Digest), std::end(Digest), Value.Bytes.begin());
        Blake3.Reset();
    }
    return Value;
}

std::string DigestToText(const TDigestValue& Value) {
    if (Value.Kind == THashKind::Crc32)
        return Crc32ToText(std::uint32_t{Value.Bytes[0]} << 24 | std::uint32_t{Value.Bytes[1]} << 16 |
                           std::uint32_t{Value.Bytes[2]} << 8 | Value.Bytes[3]);
    if (Value.Kind == THashKind::Md5) {
        MD5Digest Digest;
        std::copy_n(Value.Bytes.begin(), sizeof Digest, Digest);
        return Md5ToText(Digest);
    }
    static const char Hex[] = "0123456789abcdef";
    std::string Text(2 * Value.Size, '0');
    for (std::size_t I = 0; I < Value.Size; ++I) {
        Text[2 * I] = Hex[Value.Bytes[I] >> 4];
        Text[2 * I + 1] = Hex[Value.Bytes[I] & 15];
    }
    return Text;
}

std::string DigestFileText(THashKind Kind, const std::string& FileName, TPumpMode Pump, FileReadOutcome* Outcome) {
    FileReadOutcome Local;
    FileReadOutcome& Out = Outcome ? *Outcome : Local;
    if (Kind == THashKind::Crc32)
        return Pump == TPumpMode::Never ? ThreadCrcText(FileName, Outcome) : FileCrcText(FileName, Outcome);
    if (Kind == THashKind::Md5)
        return Pump == TPumpMode::Never ? ThreadMd5Text(FileName, Outcome) : FileMd5Text(FileName, Outcome);
    Out = {};
    TFileReader File(FileName);
    if ((Out.Error = File.OpenError()) != 0)
        return {};
    Out.Opened = true;
    try {
        TDigest Digest(Kind);
        HashFileChunks(
            File, [&Digest](const unsigned char* Data, std::size_t Count) { Digest.Update(Data, Count); }, Pump, Out);
        if (Out.Complete())
            return DigestToText(Digest.Final());
    } catch (const std::bad_alloc&) {
        throw; // out of memory is no verdict on the file: the run that asked must end with an error
    } catch (...) {
        Out.ReadError = true; // a failing callback, or libcrypto
    }
    return {};
}

std::string FileDigestText(THashKind Kind, const std::string& FileName, FileReadOutcome* Outcome) {
    return DigestFileText(Kind, FileName, TPumpMode::Always, Outcome);
}

} // namespace quorvane
