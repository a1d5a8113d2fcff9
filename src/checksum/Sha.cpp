#include "checksum/Sha.h"

#include <new>
#include <stdexcept>

#include <openssl/evp.h>

namespace quorvane {

namespace {

// The digest method of a kind, fetched once: an implicit fetch on every start would look it up each time.
const EVP_MD* Method(THashKind Kind) {
    static const EVP_MD* const Sha1 = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    static const EVP_MD* const Sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    static const EVP_MD* const Sha512 = EVP_MD_fetch(nullptr, "SHA512", nullptr);
    switch (Kind) {
    case THashKind::Sha1:
        return Sha1 ? Sha1 : EVP_sha1();
    case THashKind::Sha256:
        return Sha256 ? Sha256 : EVP_sha256();
    case THashKind::Sha512:
        return Sha512 ? Sha512 : EVP_sha512();
    default:
        break;
    }
    throw std::invalid_argument("no SHA kind");
}

} // namespace

void TShaContext::TFree::operator()(evp_md_ctx_st* Context) const noexcept {
    EVP_MD_CTX_free(Context);
}

TShaContext::TShaContext(THashKind Kind) : HashKind(Kind) {
    Method(Kind); // an unknown kind throws before anything is allocated
    Context.reset(EVP_MD_CTX_new());
    if (!Context)
        throw std::bad_alloc();
    Start();
}

void TShaContext::Start() {
    if (EVP_DigestInit_ex(Context.get(), Method(HashKind), nullptr) != 1)
        throw std::runtime_error("libcrypto cannot start a digest");
}

void TShaContext::Update(const void* Data, std::size_t Count) {
    if (Count != 0 && EVP_DigestUpdate(Context.get(), Data, Count) != 1)
        throw std::runtime_error("libcrypto cannot update a digest");
}

void TShaContext::Final(unsigned char* Digest) {
    unsigned int Length = 0;
    if (EVP_DigestFinal_ex(Context.get(), Digest, &Length) != 1 || Length != DigestSize())
        throw std::runtime_error("libcrypto cannot finish a digest");
    Start();
}

} // namespace quorvane
