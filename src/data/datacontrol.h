#pragma once
// The non-visual data control of a form: names a file and a table, and holds the form's
// recordset over that table.

#include <QObject>
#include <QString>
#include <memory>

#include "engine.h"

class FileConnection;

class Data : public QObject {
    Q_OBJECT
public:
    explicit Data(QObject* parent = nullptr, RecordsetType type = RecordsetType::Table);
    ~Data() override;

    const QString& DatabaseName() const { return databaseName_; }
    void setDatabaseName(const QString& path) { databaseName_ = path; }
    const QString& RecordSource() const { return recordSource_; }
    void setRecordSource(const QString& table) { recordSource_ = table; }
    ::RecordsetType recordsetType() const { return type_; }

    // The recordset over the whole table, opened at the first use after the form has set
    // the file and table. The control carries no password: a protected file must already
    // be open in this program with its password.
    ::Recordset& Recordset();
    bool isOpen() const { return recordset_ != nullptr; }
    // Reopens the recordset (after the file or table changed).
    void Refresh();
    void close();

private:
    QString databaseName_;
    QString recordSource_;
    ::RecordsetType type_;
    std::shared_ptr<FileConnection> file_;
    std::unique_ptr<::Recordset> recordset_;
};
