#include "datacontrol.h"

Data::Data(QObject* parent, ::RecordsetType type) : QObject(parent), type_(type) {}

Data::~Data() = default;

void Data::setSource(std::shared_ptr<Database> file, const QString& table)
{
    recordset_.reset();
    file_ = std::move(file);
    recordSource_ = table;
}

::Recordset& Data::Recordset()
{
    if (!recordset_) {
        if (!file_) throw EngineError(EngineErrorCode::FileNotFound);
        recordset_ = file_->OpenRecordset(recordSource_, type_);
    }
    return *recordset_;
}

void Data::close()
{
    recordset_.reset();
    file_.reset();
}
