#pragma once
// The non-visual data control of a form: bound to a table of a file the form opened, it holds
// the form's recordset over that table.

#include <QObject>
#include <QString>
#include <memory>

#include "engine.h"

class Data : public QObject {
    Q_OBJECT
public:
    explicit Data(QObject* parent = nullptr, RecordsetType type = RecordsetType::Table);
    ~Data() override;

    // Binds the control to `table` of `file` (as catalogue::open returned it); a recordset
    // already open is closed.
    void setSource(std::shared_ptr<Database> file, const QString& table);

    // The recordset over the whole table, opened at the first use after setSource. Throws
    // EngineError (FileNotFound when the control is bound to no file). It keeps the name of the
    // data control's property that forms and tests call (Data1.Recordset), so inside this class
    // the type is spelt ::Recordset.
    ::Recordset& Recordset();
    bool isOpen() const { return recordset_ != nullptr; }
    // Closes the recordset and lets go of the file.
    void close();

private:
    std::shared_ptr<Database> file_;
    QString recordSource_;
    ::RecordsetType type_;
    std::unique_ptr<::Recordset> recordset_;
};
