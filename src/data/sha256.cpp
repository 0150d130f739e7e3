#include "sha256.h"

#include "errors.h"
#include "internal/libcrypto.h"

using namespace Qt::StringLiterals;

void Sha256::Free::operator()(evp_md_ctx_st* context) const
{
    libcrypto().EVP_MD_CTX_free(context);
}

Sha256::Sha256() : context_(libcrypto().EVP_MD_CTX_new())
{
    const LibCrypto& crypto = libcrypto();
    if (!context_ || crypto.EVP_DigestInit_ex(context_.get(), crypto.EVP_sha256(), nullptr) != 1)
        throw EngineError(EngineErrorCode::Internal, u"SHA-256"_s);
}

void Sha256::add(const char* data, qint64 length)
{
    libcrypto().EVP_DigestUpdate(context_.get(), data, size_t(length));
}

QByteArray Sha256::hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    libcrypto().EVP_DigestFinal_ex(context_.get(), digest, &length);
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}
