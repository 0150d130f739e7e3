#pragma once

#include <QByteArray>
#include <memory>

struct evp_md_ctx_st;

// SHA-256 through OpenSSL, which uses the processor's own instructions for it where Qt's hash
// runs a few times slower: the digests of the store's files are most of a backup's work.
class Sha256 {
public:
    Sha256();  // throws EngineError when OpenSSL cannot be loaded or start a digest
    void add(const char* data, qint64 length);
    // In hex, as sha256sum writes it.
    QByteArray hex();

private:
    struct Free {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, Free> context_;
};
