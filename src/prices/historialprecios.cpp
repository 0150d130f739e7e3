#include "historialprecios.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "actualizacionprecios.h"
#include "articles/priceupdate.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "data/numbertext.h"
#include "data/storefiles.h"
#include "data/storelocale.h"
#include "shell/espere.h"
#include "shell/msgbox.h"

using namespace Qt::StringLiterals;
using namespace articles;

namespace prices {

namespace {

const QString kTitle = u"Historial de Precios"_s;

}  // namespace

HistorialPrecios::HistorialPrecios(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"HistorialPrecios"_s);
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    grdHistorial_ = new QTableWidget(0, 7, this);
    grdHistorial_->setObjectName(u"grdHistorial"_s);
    grdHistorial_->setAccessibleName(u"Actualizaciones de precios"_s);
    grdHistorial_->setHorizontalHeaderLabels({u"Número"_s, u"Fecha"_s, u"Usuario"_s, u"Artículos"_s,
                                              u"Regla"_s, u"Condiciones"_s, u"Deshecha por"_s});
    grdHistorial_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdHistorial_->setSelectionMode(QAbstractItemView::SingleSelection);
    grdHistorial_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdHistorial_->verticalHeader()->hide();
    grdHistorial_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(grdHistorial_);
    auto* buttons = new QHBoxLayout;
    cmdDeshacer_ = new QPushButton(u"&Deshacer"_s, this);
    cmdDeshacer_->setObjectName(u"cmdDeshacer"_s);
    cmdDeshacer_->setAccessibleName(u"Deshacer"_s);
    auto* cmdCerrar = new QPushButton(u"&Cerrar"_s, this);
    cmdCerrar->setObjectName(u"cmdCerrar"_s);
    cmdCerrar->setAccessibleName(u"Cerrar"_s);
    connect(cmdDeshacer_, &QPushButton::clicked, this, &HistorialPrecios::Deshacer);
    connect(cmdCerrar, &QPushButton::clicked, this, &QDialog::close);
    buttons->addStretch();
    buttons->addWidget(cmdDeshacer_);
    buttons->addWidget(cmdCerrar);
    layout->addLayout(buttons);
    resize(820, 360);
}

void HistorialPrecios::refresh()
{
    std::vector<PriceHistoryEntry> entries;
    try {
        entries = priceHistory();
    } catch (const EngineError& error) {
        ShowErrorBox(error, this);
    }
    grdHistorial_->setRowCount(int(entries.size()));
    for (int row = 0; row < int(entries.size()); ++row) {
        const PriceHistoryEntry& e = entries[size_t(row)];
        const QStringList cells = {
            QString::number(e.number),
            storelocale::shortDate(e.when.date()) + u' ' + storelocale::longTime(e.when.time()),
            e.user,
            QString::number(e.articles),
            e.rule,
            e.conditions,
            e.undoneBy ? QString::number(e.undoneBy) : QString()};
        for (int column = 0; column < cells.size(); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column == 0) item->setData(Qt::UserRole, e.number);
            grdHistorial_->setItem(row, column, item);
        }
    }
    cmdDeshacer_->setEnabled(!entries.empty());
    if (!entries.empty()) {
        grdHistorial_->selectRow(0);
        grdHistorial_->setFocus();
    }
}

void HistorialPrecios::Deshacer()
{
    const int row = grdHistorial_->currentRow();
    if (row < 0) return;
    const qint64 number = grdHistorial_->item(row, 0)->data(Qt::UserRole).toLongLong();
    if (MsgBox(u"¿Vuelve los precios de la actualización número %1 a los anteriores?"_s.arg(number),
               vbYesNo | vbQuestion | vbDefaultButton2, kTitle, this) != MsgBoxResult::Yes)
        return;
    UndoneChange undone;
    try {
        EspereMientras wait(this);
        undone = undoPriceChange(number, storefiles::activeUser(), true);
    } catch (const PriceChangeRefused& refused) {
        MsgBox(refused.message(), vbExclamation, kTitle, this);
        return;
    } catch (const EngineError& error) {
        ShowErrorBox(error, this);
        return;
    }
    QString done =
        u"Se volvieron los precios de %1 artículos (actualización número %2).\n"
        u"Etiquetas: %3 nuevas en la cola, %4 con el precio nuevo."_s.arg(undone.applied.articles)
            .arg(undone.applied.number)
            .arg(undone.applied.labelsQueued)
            .arg(undone.applied.labelsUpdated);
    if (!undone.leftAlone.empty()) {
        done += u"\n\nQuedaron como están %1 artículos:"_s.arg(undone.leftAlone.size());
        int listed = 0;
        for (const LeftOutArticle& a : undone.leftAlone) {
            if (listed++ == 15) {
                done += u"\n..."_s;
                break;
            }
            done += u"\n%1 %2: %3"_s.arg(numbertext::code(a.codigo, 6), a.descripcion, a.reason);
        }
    }
    showStoredPrices();
    MsgBox(done, vbInformation, kTitle, this);
    refresh();
}

}  // namespace prices
