#include "libcrypto.h"

#include <openssl/opensslv.h>

#include "data/sharedlibrary.h"

#define VALDRAMENO_TEXT(x) #x
#define VALDRAMENO_SONAME(version) "libcrypto.so." VALDRAMENO_TEXT(version)

const LibCrypto& libcrypto()
{
    static const LibCrypto functions = [] {
        // The version the headers were built against (OpenSSL 3: "libcrypto.so.3").
        static const SharedLibrary library(VALDRAMENO_SONAME(OPENSSL_SHLIB_VERSION));
        return LibCrypto{
            LIBRARY_FUNCTION(library, PKCS5_PBKDF2_HMAC),
            LIBRARY_FUNCTION(library, RAND_bytes),
            LIBRARY_FUNCTION(library, CRYPTO_memcmp),
            LIBRARY_FUNCTION(library, EVP_sha256),
            LIBRARY_FUNCTION(library, EVP_MD_CTX_new),
            LIBRARY_FUNCTION(library, EVP_MD_CTX_free),
            LIBRARY_FUNCTION(library, EVP_DigestInit_ex),
            LIBRARY_FUNCTION(library, EVP_DigestUpdate),
            LIBRARY_FUNCTION(library, EVP_DigestFinal_ex),
        };
    }();
    return functions;
}
