#pragma once
// Salted password hashes (PBKDF2-HMAC-SHA256 from OpenSSL). Neither the users' passwords nor
// the files' passwords are ever stored as plain text.

#include <QString>
#include <QVariant>

namespace passwords {

// Iterations for people's passwords, checked once per login.
inline constexpr int kUserIterations = 200000;
// Iterations for the files' own passwords, checked at every opening of a file. Those
// passwords are fixed in the program, so the hash only keeps them out of the file.
inline constexpr int kFileIterations = 2000;

// "pbkdf2-sha256$<iterations>$<salt>$<hash>", salt and hash in base 64.
QString hash(const QString& password, int iterations = kUserIterations);

// True when `password` gives `stored` (a text made by hash()).
bool verify(const QString& password, const QString& stored);

// The login's check of a typed password against the stored `contrasena`: a Null stored
// value never matches; an empty stored text matches only an empty box; anything else is
// compared through its hash, exactly (case and every character count).
bool loginMatches(const QVariant& stored, const QString& typed);

}  // namespace passwords
