#pragma once
// Salted password hashes (PBKDF2-HMAC-SHA256 from OpenSSL). Neither the users' passwords nor
// the files' passwords are ever stored as plain text.

#include <QString>
#include <QVariant>

namespace passwords {

// Iterations for people's passwords, checked once per login.
inline constexpr int kUserIterations = 600000;
// Iterations for the files' own passwords, checked at every opening of a file. Those
// passwords are fixed in the program, so the hash only keeps them out of the file.
inline constexpr int kFileIterations = 2000;

// "pbkdf2-sha256$<iterations>$<salt>$<hash>", salt and hash in base 64.
QString hash(const QString& password, int iterations = kUserIterations);

// True when `stored` is a text made by hash().
bool isSaltedHash(const QString& stored);

// True when `password` gives `stored` (a text made by hash()).
bool verify(const QString& password, const QString& stored);

// verify() for a file's own password, one fixed in the program: a match found once on this
// machine is remembered beside the data folder (as a digest of `stored` and `password`) and
// taken from there afterwards, so opening the file again derives nothing and does not load
// OpenSSL. A fast digest would give a typed password away; these are no secret, being in the
// program itself. A file made again has another salt, hence another `stored`, and is checked
// afresh.
bool verifyFilePassword(const QString& password, const QString& stored);

// For tests: the hashes this process has derived so far.
int derivations();

// The login's check of a typed password against the stored `contrasena`: a Null stored
// value never matches; a salted hash is checked through the hash; any other text was
// written into the table by hand and is compared exactly as text (case and every
// character count; an empty text matches only an empty box).
bool loginMatches(const QVariant& stored, const QString& typed);

// True when a stored `contrasena` that has just matched should be replaced by hash() of the
// typed password: it is plain text or a hash with fewer iterations than kUserIterations.
bool needsNewHash(const QVariant& stored);

}  // namespace passwords
