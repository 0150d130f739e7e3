#include "datacontrol.h"

#include "fileconnection.h"

Data::Data(QObject* parent, ::RecordsetType type) : QObject(parent), type_(type) {}

Data::~Data() = default;

::Recordset& Data::Recordset()
{
    if (!recordset_) Refresh();
    return *recordset_;
}

void Data::Refresh()
{
    close();
    auto file = FileConnection::open(databaseName_);
    if (!file->authenticated() && file->hasPassword())
        throw EngineError(EngineErrorCode::InvalidPassword);
    const TableDef* table = file->table(recordSource_);
    if (!table) throw EngineError(EngineErrorCode::TableNotFound, recordSource_);
    recordset_ = std::make_unique<::Recordset>(file, *table, type_);
    file_ = std::move(file);
}

void Data::close()
{
    recordset_.reset();
    file_.reset();
}
