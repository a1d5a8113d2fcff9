#pragma once

// SHA-1, SHA-256 and SHA-512 (FIPS 180-4) through OpenSSL's libcrypto, which picks the CPU's SHA extensions
// or vector code by itself. A context belongs to one thread. The constructor throws std::invalid_argument for
// a kind that is no SHA and std::runtime_error (std::bad_alloc) when libcrypto cannot set one up; Update
// and Final throw std::runtime_error when libcrypto fails.

#include <cstddef>
#include <memory>

#include "checksum/HashKind.h"

struct evp_md_ctx_st; // EVP_MD_CTX

namespace quorvane {

class TShaContext {
public:
    static constexpr std::size_t MaxDigestSize = 64;

    explicit TShaContext(THashKind Kind); // Sha1, Sha256 or Sha512

    THashKind Kind() const { return HashKind; }
    std::size_t DigestSize() const { return HexDigits(HashKind) / 2; } // 20, 32 or 64 bytes
    void Update(const void* Data, std::size_t Count);
    // Writes DigestSize() bytes, the digest of everything fed; the context then starts afresh.
    void Final(unsigned char* Digest);

private:
    struct TFree {
        void operator()(evp_md_ctx_st* Context) const noexcept;
    };
    void Start();

    THashKind HashKind;
    std::unique_ptr<evp_md_ctx_st, TFree> Context;
};

} // namespace quorvane
