#pragma once
// Engine errors: one exception type carrying the error number and its text.

#include <QString>
#include <exception>
#include <string>

// The numbers follow the desktop engine the store's files were designed for, so that a
// number seen in an error box means the same thing it always did.
enum class EngineErrorCode {
    InvalidArgument = 3001,
    NoIndexSet = 3019,
    UpdateWithoutAddNew = 3020,
    NoCurrentRecord = 3021,
    DuplicateKey = 3022,
    FileNotFound = 3024,
    DiskFull = 3026,
    ReadOnlyFile = 3027,
    InvalidPassword = 3031,
    PathNotValid = 3044,
    CannotOpenFile = 3051,
    TableNotFound = 3078,
    FieldNotUpdatable = 3164,
    TypeMismatch = 3421,
    RecordDeleted = 3167,
    FieldTooSmall = 3163,
    ValueOutOfRange = 3349,
    FieldNotFound = 3265,
    NotSupported = 3251,
    NotAnIndex = 3015,
    NotOurFormat = 3343,
    NewerVersion = 3041,
    FileLocked = 3260,
    FileExists = 3204,
    NoReadPermission = 3112,
    UnfinishedSave = 3049,
    IoError = 3043,
    Internal = 3000,
    LibraryNotLoaded = 48,
};

class EngineError : public std::exception {
public:
    // `detail` replaces the %1 of the table's text (a file, field or index name).
    explicit EngineError(EngineErrorCode code, const QString& detail = QString());
    // A failed file-system call: `systemError` is its errno, whose text ends the message.
    EngineError(EngineErrorCode code, const QString& detail, int systemError);

    int number() const { return int(code_); }
    EngineErrorCode code() const { return code_; }
    const QString& text() const { return text_; }
    const char* what() const noexcept override { return what_.c_str(); }
    // The errno of the failed system call, 0 when the error did not come from one.
    int systemError() const { return systemError_; }

private:
    EngineErrorCode code_;
    QString text_;
    std::string what_;
    int systemError_ = 0;
};

// The engine error for a file-system call on `path` that failed with `errnum` (ENOSPC is a
// full disk, EROFS/EACCES a read-only file or folder, ENOENT a missing folder...).
EngineError fileSystemError(int errnum, const QString& path);
// The same for a call that reads the file `path`: refused to a reader (EACCES, EPERM), the file
// lacks read permission, which is not a read-only file.
EngineError readError(int errnum, const QString& path);

// An error as a person reads it, in a box or on the command line: "Error N: text".
QString errorMessage(int number, const QString& text);
QString errorMessage(const EngineError& error);

// The text of an error number, with %1 left in place.
QString engineErrorText(EngineErrorCode code);
