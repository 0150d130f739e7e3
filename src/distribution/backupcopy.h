#pragma once
// The backup of a folder of database files into a dated folder at a destination, made whole or
// not at all: the copy goes into a hidden temporary folder beside the dated one and takes the
// dated name only when every file is there and checked.

#include <QDate>
#include <QString>
#include <functional>

namespace backupcopy {

// "dd-mm-yyyy" of `day`.
QString nombreFechado(const QDate& day);

// The file in a backup's folder that lists the SHA-256 of each of the store's files, one
// "digest  name" line each (as sha256sum writes and checks it).
inline constexpr char16_t kManifest[] = u"manifiesto.sha256";

// The SHA-256 of the file at `path`, in hex. Throws EngineError when it cannot be read.
QByteArray fileDigest(const QString& path);

// Told the path of each folder before it is created ("Making directory ...").
using Announce = std::function<void(const QString& folder)>;

enum class Outcome {
    Done,         // the dated folder holds every file, checked
    AlreadyDone,  // a dated folder (or file) of that name exists; nothing was touched
};

// Copies `origin` into `destination`/dd-mm-yyyy of `day`. Database files are copied as
// consistent snapshots and given an integrity check, other files are checked by content hash;
// hidden files, symbolic links and SQLite's journals are left out, except the store's own files,
// which are read through a link (a link that leads nowhere is an error). The store's files of
// `origin` are listed in the manifest. Temporary folders that a killed backup left at the
// destination are removed first. Any failure stops the copy and throws
// EngineError naming what failed, with the temporary folder removed, so the same day can be
// tried again. A missing or unreadable origin and a destination inside the origin are refused
// (EngineError) before anything is created.
Outcome Realizar(const QString& origin, const QString& destination, const QDate& day,
                 bool includeSubfolders, const QString& pattern, const Announce& announce);

// Copies the files of `origin` matching `pattern` (all when empty) into the existing folder
// `destination` and, with `includeSubfolders`, each subfolder into a new folder of its name
// (announced by its `shownAs` path first). Throws EngineError at the first failure.
void CopiarCarpeta(const QString& origin, const QString& destination, bool includeSubfolders,
                   const QString& pattern, const QString& shownAs, const Announce& announce);

}  // namespace backupcopy
