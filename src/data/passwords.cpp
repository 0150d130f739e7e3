#include "passwords.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QMutex>
#include <QStringList>
#include <atomic>
#include <optional>
#include <stdexcept>

#include "errors.h"
#include "filereplace.h"
#include "internal/libcrypto.h"
#include "paths.h"

using namespace Qt::StringLiterals;

namespace passwords {

namespace {

std::atomic<int> derived{0};

QByteArray derive(const QString& password, const QByteArray& salt, int iterations)
{
    ++derived;
    const QByteArray utf8 = password.toUtf8();
    QByteArray out(32, Qt::Uninitialized);
    const LibCrypto& crypto = libcrypto();
    if (crypto.PKCS5_PBKDF2_HMAC(utf8.constData(), int(utf8.size()),
                                 reinterpret_cast<const unsigned char*>(salt.constData()),
                                 int(salt.size()), iterations, crypto.EVP_sha256(), int(out.size()),
                                 reinterpret_cast<unsigned char*>(out.data())) != 1)
        throw std::runtime_error("PBKDF2 failed");
    return out;
}

}  // namespace

QString hash(const QString& password, int iterations)
{
    QByteArray salt(16, Qt::Uninitialized);
    if (libcrypto().RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), int(salt.size())) !=
        1)
        throw std::runtime_error("no random bytes");
    return QStringLiteral("pbkdf2-sha256$%1$%2$%3")
        .arg(iterations)
        .arg(QString::fromLatin1(salt.toBase64()),
             QString::fromLatin1(derive(password, salt, iterations).toBase64()));
}

namespace {

struct SaltedHash {
    int iterations;
    QByteArray salt;
    QByteArray hash;
};

// `stored` read as a text made by hash(); nullopt for anything else.
std::optional<SaltedHash> parse(const QString& stored)
{
    const QStringList parts = stored.split(u'$');
    if (parts.size() != 4 || parts[0] != u"pbkdf2-sha256"_s) return std::nullopt;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    if (!ok || iterations < 1 || iterations > 10'000'000) return std::nullopt;
    const auto salt = QByteArray::fromBase64Encoding(parts[2].toLatin1(),
                                                     QByteArray::AbortOnBase64DecodingErrors);
    const auto hash = QByteArray::fromBase64Encoding(parts[3].toLatin1(),
                                                     QByteArray::AbortOnBase64DecodingErrors);
    if (!salt || !hash || salt.decoded.isEmpty() || hash.decoded.size() != 32) return std::nullopt;
    return SaltedHash{iterations, salt.decoded, hash.decoded};
}

}  // namespace

bool isSaltedHash(const QString& stored) { return parse(stored).has_value(); }

bool verify(const QString& password, const QString& stored)
{
    const std::optional<SaltedHash> parsed = parse(stored);
    if (!parsed) return false;
    const QByteArray actual = derive(password, parsed->salt, parsed->iterations);
    return libcrypto().CRYPTO_memcmp(parsed->hash.constData(), actual.constData(),
                                     size_t(actual.size())) == 0;
}

namespace {

// The matches of the file passwords found on this machine, the latest first, one digest a
// line, beside the data folder's lock.
QString verdictsPath() { return paths::mappedRoot() + u"/valdrameno.claves"_s; }
// More than the store's files and their copies at the terminals, which share their hashes.
constexpr qsizetype kKeptVerdicts = 64;
QMutex verdictsLock;

QByteArray verdictOf(const QString& password, const QString& stored)
{
    QCryptographicHash digest(QCryptographicHash::Sha256);
    digest.addData(stored.toUtf8());
    digest.addData(QByteArrayView("\n"));
    digest.addData(password.toUtf8());
    return digest.result().toHex();
}

QList<QByteArray> readVerdicts()
{
    QFile file(verdictsPath());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(kKeptVerdicts * 65).split('\n');
}

}  // namespace

bool verifyFilePassword(const QString& password, const QString& stored)
{
    const QByteArray verdict = verdictOf(password, stored);
    const QMutexLocker locked(&verdictsLock);
    QList<QByteArray> known = readVerdicts();
    if (known.contains(verdict)) return true;
    if (!verify(password, stored)) return false;
    known.removeAll(QByteArray());
    known.prepend(verdict);
    try {
        filereplace::writeWhole(verdictsPath(), known.mid(0, kKeptVerdicts).join('\n'));
    } catch (const EngineError&) {
        // Not kept (a full disk, a folder that cannot be written): the next opening of the
        // file derives its hash again, and that is all.
    }
    return true;
}

int derivations() { return derived; }

bool loginMatches(const QVariant& stored, const QString& typed)
{
    if (stored.isNull()) return false;
    const QString text = stored.toString();
    if (isSaltedHash(text)) return verify(typed, text);
    // Written by hand into the table: the text itself, compared exactly.
    return text.size() == typed.size() &&
           libcrypto().CRYPTO_memcmp(text.constData(), typed.constData(),
                                     size_t(text.size()) * sizeof(QChar)) == 0;
}

bool needsNewHash(const QVariant& stored)
{
    const std::optional<SaltedHash> parsed = parse(stored.toString());
    return !parsed || parsed->iterations < kUserIterations;
}

}  // namespace passwords
