#pragma once
// A temporary data folder for one test class: XDG_DATA_HOME points into it.

#include <QTemporaryDir>
#include <memory>

#include "catalogue.h"
#include "engine.h"

class TempStore {
public:
    TempStore();
    QString root() const { return dir_.path(); }
    // Creates a catalogue file in the database folder (replacing any earlier one).
    void create(const QString& fileName);
    // Opens a catalogue file with its own password.
    std::shared_ptr<Database> open(const QString& fileName);
    QString nativePath(const QString& fileName) const;

private:
    QTemporaryDir dir_;
};
