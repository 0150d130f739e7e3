#include "passwords.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <QByteArray>
#include <QStringList>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace passwords {

namespace {

QByteArray derive(const QString& password, const QByteArray& salt, int iterations)
{
    const QByteArray utf8 = password.toUtf8();
    QByteArray out(32, Qt::Uninitialized);
    if (PKCS5_PBKDF2_HMAC(utf8.constData(), int(utf8.size()),
                          reinterpret_cast<const unsigned char*>(salt.constData()),
                          int(salt.size()), iterations, EVP_sha256(), int(out.size()),
                          reinterpret_cast<unsigned char*>(out.data())) != 1)
        throw std::runtime_error("PBKDF2 failed");
    return out;
}

}  // namespace

QString hash(const QString& password, int iterations)
{
    QByteArray salt(16, Qt::Uninitialized);
    if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), int(salt.size())) != 1)
        throw std::runtime_error("no random bytes");
    return QStringLiteral("pbkdf2-sha256$%1$%2$%3")
        .arg(iterations)
        .arg(QString::fromLatin1(salt.toBase64()),
             QString::fromLatin1(derive(password, salt, iterations).toBase64()));
}

bool verify(const QString& password, const QString& stored)
{
    const QStringList parts = stored.split(u'$');
    if (parts.size() != 4 || parts[0] != u"pbkdf2-sha256"_s) return false;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    if (!ok || iterations < 1 || iterations > 10'000'000) return false;
    const QByteArray salt = QByteArray::fromBase64(parts[2].toLatin1());
    const QByteArray expected = QByteArray::fromBase64(parts[3].toLatin1());
    const QByteArray actual = derive(password, salt, iterations);
    return expected.size() == actual.size() &&
           CRYPTO_memcmp(expected.constData(), actual.constData(), size_t(actual.size())) == 0;
}

bool loginMatches(const QVariant& stored, const QString& typed)
{
    if (stored.isNull()) return false;
    const QString text = stored.toString();
    if (text.isEmpty()) return typed.isEmpty();
    return verify(typed, text);
}

}  // namespace passwords
