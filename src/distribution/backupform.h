#pragma once
// The backup window: copies the database folder, with its subfolders, into a folder named after
// today's date at a destination chosen from a drive list and a folder tree, once per day and
// destination.

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

class Backup : public QWidget {
    Q_OBJECT
public:
    explicit Backup(QWidget* parent = nullptr);

    // The destination: the folder tree's current folder (the drive's root when none is chosen).
    QString Destino() const;
    // Runs the backup (Command1).
    void RealizarBackup();

    // The drives offered: the root file system, the home folder and mounted removable media.
    static QStringList drives();

signals:
    // Each text shown in Lbl_CopyInfo, as it is shown.
    void informa(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Drive1_Change(int index);
    void setBusy(bool busy);
    void inform(const QString& text);

    QLineEdit* txtFrom_;
    QComboBox* Drive1_;
    QTreeView* Dir1_;
    QFileSystemModel* model_;
    QPushButton* Command1_;
    QPushButton* cmdCerrar_;
    QLabel* Lbl_CopyInfo_;
    QLineEdit* txtTo_;
    QLineEdit* txtPattern_;
    QCheckBox* chkRecourse_;
    QString drive_;  // the drive the folder tree shows
    bool busy_ = false;
};
