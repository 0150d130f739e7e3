#pragma once
// How every form opens the files it works on: for each file a workspace (espacioJet), the
// file opened with its password (Deposito), and the form's data control bound to its table.
// The form holds the pair while it is loaded and releases it when it unloads.

#include <QString>
#include <memory>

#include "datacontrol.h"
#include "engine.h"

struct FileHold {
    std::shared_ptr<Workspace> espacioJet;
    std::shared_ptr<Database> Deposito;

    void release()
    {
        Deposito.reset();
        espacioJet.reset();
    }
};

// Opens `fileName` of the database folder (one of the catalogue's files) and binds `binding`
// to its table. `password` overrides the file's own where an opener passes another one.
// Throws EngineError; on failure nothing stays open.
FileHold openForForm(const QString& fileName, Data* binding, const QString& password = QString());
