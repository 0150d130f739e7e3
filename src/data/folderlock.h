#pragma once
// Only one copy of the program works on the store's data at a time. The program holds this
// lock from its start to its end; a second copy finds it taken and ends, and the admin
// commands that write the data folder refuse while it is held. The system releases it when the
// holder ends in any way (a kill included), so a crash never leaves the store locked.

#include <QString>
#include <memory>

class FolderLock {
public:
    // Who holds the lock, so that a refusal can say whom to wait for.
    enum class Holder { Program, Command };

    // Takes the lock, or returns nullptr when another holder has it (or the lock file cannot
    // be made: `error` then tells why).
    static std::unique_ptr<FolderLock> acquire(QString* error = nullptr,
                                               Holder holder = Holder::Program);
    // True while some holder (this process included) has the lock.
    static bool held();
    // Who holds the lock now, as the holder wrote it; the program when it cannot be told.
    static Holder holder();
    // The refusal a writing command shows while the lock is held by someone else.
    static QString refusal();

    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    explicit FolderLock(int fd) : fd_(fd) {}
    int fd_;
};
