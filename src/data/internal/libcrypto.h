#pragma once
// The functions of OpenSSL's libcrypto that the engine uses (the files' and users' password
// hashes, file digests), loaded at the first call of libcrypto() rather than at the program's
// start.

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

struct LibCrypto {
    decltype(&::PKCS5_PBKDF2_HMAC) PKCS5_PBKDF2_HMAC;
    decltype(&::RAND_bytes) RAND_bytes;
    decltype(&::CRYPTO_memcmp) CRYPTO_memcmp;
    decltype(&::EVP_sha256) EVP_sha256;
    decltype(&::EVP_MD_CTX_new) EVP_MD_CTX_new;
    decltype(&::EVP_MD_CTX_free) EVP_MD_CTX_free;
    decltype(&::EVP_DigestInit_ex) EVP_DigestInit_ex;
    decltype(&::EVP_DigestUpdate) EVP_DigestUpdate;
    decltype(&::EVP_DigestFinal_ex) EVP_DigestFinal_ex;
};

// Loads the library once, from any thread; throws EngineError when the system cannot.
const LibCrypto& libcrypto();
