#include "backupform.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include "backupcopy.h"
#include "data/errors.h"
#include "data/paths.h"
#include "shell/espere.h"
#include "shell/msgbox.h"
#include "shell/pausa.h"
#include "shell/windownames.h"

using namespace Qt::StringLiterals;

Backup::Backup(QWidget* parent) : QWidget(parent)
{
    setObjectName(windownames::Backup);
    setWindowTitle(u"Backup "_s);
    auto* layout = new QVBoxLayout(this);

    auto* origin = new QGroupBox(u"Origen:"_s, this);
    auto* originLayout = new QVBoxLayout(origin);
    txtFrom_ = new QLineEdit(origin);
    txtFrom_->setObjectName(u"txtFrom"_s);
    // The system keeps its files in C:\Norvik\Bases; a backup of another folder copies none.
    txtFrom_->setText(u"C:\\Norvik\\Bases"_s);
    originLayout->addWidget(txtFrom_);
    layout->addWidget(origin);

    auto* destination = new QGroupBox(u"Destino:"_s, this);
    auto* destinationLayout = new QVBoxLayout(destination);
    Drive1_ = new QComboBox(destination);
    Drive1_->setObjectName(u"Drive1"_s);
    Drive1_->addItems(drives());
    destinationLayout->addWidget(Drive1_);
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setRootPath(QString());
    Dir1_ = new QTreeView(destination);
    Dir1_->setObjectName(u"Dir1"_s);
    Dir1_->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column) Dir1_->hideColumn(column);
    Dir1_->header()->hide();
    Dir1_->setMinimumHeight(200);
    destinationLayout->addWidget(Dir1_);
    layout->addWidget(destination);

    Lbl_CopyInfo_ = new QLabel(this);
    Lbl_CopyInfo_->setObjectName(u"Lbl_CopyInfo"_s);
    layout->addWidget(Lbl_CopyInfo_);

    Command1_ = new QPushButton(u"&Realizar Backup"_s, this);
    Command1_->setObjectName(u"Command1"_s);
    connect(Command1_, &QPushButton::clicked, this, &Backup::RealizarBackup);
    layout->addWidget(Command1_);
    cmdCerrar_ = new QPushButton(u"&Cerrar"_s, this);
    cmdCerrar_->setObjectName(u"cmdCerrar"_s);
    connect(cmdCerrar_, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(cmdCerrar_);

    // The fixed parameters of the copy, hidden.
    txtTo_ = new QLineEdit(u"C:\\"_s, this);
    txtTo_->setObjectName(u"txtTo"_s);
    txtTo_->hide();
    txtPattern_ = new QLineEdit(this);
    txtPattern_->setObjectName(u"txtPattern"_s);
    txtPattern_->hide();
    chkRecourse_ = new QCheckBox(u"Include Subdirs"_s, this);
    chkRecourse_->setObjectName(u"chkRecourse"_s);
    chkRecourse_->setChecked(true);
    chkRecourse_->hide();

    connect(Drive1_, &QComboBox::currentIndexChanged, this, &Backup::Drive1_Change);
    Drive1_Change(Drive1_->currentIndex());
    resize(420, 480);
}

QStringList Backup::drives()
{
    // The first is the one proposed: a removable medium when one is mounted, otherwise the
    // user's home; the root stays last, to be chosen on purpose.
    QStringList list;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        const bool removable = root.startsWith(u"/media/"_s) || root.startsWith(u"/run/media/"_s) ||
                               root.startsWith(u"/mnt/"_s);
        if (removable && volume.isReady() && !list.contains(root)) list << root;
    }
    for (const QString& fixed : {QDir::homePath(), u"/"_s})
        if (!list.contains(fixed)) list << fixed;
    return list;
}

void Backup::Drive1_Change(int index)
{
    const QString drive = Drive1_->itemText(index);
    if (QFileInfo(drive).isDir() && QFileInfo(drive).isReadable()) {
        drive_ = drive;
        Dir1_->setRootIndex(model_->index(drive));
        Dir1_->setCurrentIndex(QModelIndex());
        return;
    }
    // A drive that cannot be shown: back to the one the folder tree is on, saying nothing.
    const QSignalBlocker quiet(Drive1_);
    Drive1_->setCurrentIndex(Drive1_->findText(drive_));
}

QString Backup::Destino() const
{
    const QModelIndex current = Dir1_->currentIndex();
    return current.isValid() ? model_->filePath(current) : drive_;
}

void Backup::setBusy(bool busy)
{
    busy_ = busy;
    Command1_->setEnabled(!busy);
    cmdCerrar_->setEnabled(!busy);
    Drive1_->setEnabled(!busy);
}

void Backup::closeEvent(QCloseEvent* event)
{
    // Closing during a pause would unload the window under the running copy.
    if (busy_) event->ignore();
    else QWidget::closeEvent(event);
}

void Backup::RealizarBackup()
{
    if (busy_) return;
    setBusy(true);
    Espere::Mostrar(this);
    Pausa();
    const QDate today = QDate::currentDate();
    const QString dated = backupcopy::nombreFechado(today);
    const QString destination = Destino();
    txtTo_->setText(QDir(destination).filePath(dated));
    Lbl_CopyInfo_->clear();

    backupcopy::Outcome outcome = backupcopy::Outcome::Done;
    QString failure;
    try {
        outcome = backupcopy::Realizar(
            paths::toNative(txtFrom_->text()), destination, today, chkRecourse_->isChecked(),
            txtPattern_->text(),
            [this](const QString& folder) { inform(u"Making directory "_s + folder); });
    } catch (const EngineError& error) {
        failure = errorMessage(error);
    }
    // The day's backup already there is said while the wait window is still up.
    if (failure.isEmpty() && outcome == backupcopy::Outcome::AlreadyDone)
        MsgBox(u"YA SE HIZO BACKUP EL DIA "_s + dated, vbInformation, u"Informacion"_s, this);
    Pausa();
    Espere::Ocultar();
    setBusy(false);

    if (!failure.isEmpty()) {
        Lbl_CopyInfo_->clear();
        MsgBox(u"No se hizo el backup.\n"_s + failure +
                   u"\nNo quedó ninguna carpeta a medio copiar; puede volver a intentarlo."_s,
               vbCritical, u"Backup "_s, this);
    } else if (outcome == backupcopy::Outcome::Done) {
        inform(u"Done"_s);
    }
}

void Backup::inform(const QString& text)
{
    Lbl_CopyInfo_->setText(text);
    Lbl_CopyInfo_->repaint();
    emit informa(text);
}
