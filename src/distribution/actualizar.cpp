#include "actualizar.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <algorithm>

#include "data/errors.h"
#include "shell/espere.h"
#include "shell/msgbox.h"
#include "shell/pausa.h"
#include "shell/windownames.h"
#include "shell/windowregistry.h"
#include "terminals.h"

using namespace Qt::StringLiterals;

namespace {

// The row of the "Todos" buttons, after one row for each file the terminals receive.
int todosRow() { return int(terminals::files().size()); }

QString machine(int terminal) { return u"Maq %1"_s.arg(terminal); }

// A terminal's copy as the window words it.
QString statusWord(terminals::Freshness freshness)
{
    switch (freshness) {
    case terminals::Freshness::UpToDate:
        return u"al día"_s;
    case terminals::Freshness::Behind:
        return u"desactualizada"_s;
    case terminals::Freshness::SourceMissing:
        return u"falta el archivo"_s;
    }
    return QString();
}

// The same at length, for a screen reader and the tool tip.
QString statusDetail(terminals::Freshness freshness, const terminals::FileRow& file, int terminal,
                     bool everPushed)
{
    const QString where = u"la %1 (%2)"_s.arg(machine(terminal), terminals::host(terminal));
    switch (freshness) {
    case terminals::Freshness::UpToDate:
        return u"%1 tiene %2 tal como está ahora."_s.arg(where, file.target);
    case terminals::Freshness::Behind:
        return everPushed
                   ? u"%1 cambió después de su última copia a %2: la caja tiene datos anteriores."_s
                         .arg(file.target, where)
                   : u"%1 nunca se copió a %2."_s.arg(file.target, where);
    case terminals::Freshness::SourceMissing:
        return u"No se encuentra %1: no hay nada que copiar a %2."_s.arg(file.source, where);
    }
    return QString();
}

}  // namespace

Actualizar::Actualizar(QWidget* parent) : QWidget(parent), terminals_(terminals::count())
{
    setObjectName(windownames::Actualizar);
    setWindowTitle(u"Actualizar"_s);
    auto* grid = new QGridLayout(this);
    // Never narrower than its captions, also as a child window.
    grid->setSizeConstraint(QLayout::SetMinimumSize);
    QFont large = font();
    large.setPointSize(14);
    large.setBold(true);
    const auto& files = terminals::files();
    const int todos = todosRow();
    for (int row = 0; row <= todos; ++row) {
        auto* label =
            new QLabel(row < todos ? files[size_t(row)].label : u"Todos --------------->"_s, this);
        label->setObjectName(u"Label%1"_s.arg(row + 1));
        label->setFont(large);
        grid->addWidget(label, row, 0);
        for (int terminal = 1; terminal <= terminals_; ++terminal) {
            // Command1..Command7 for terminal 1, Command8..Command14 for terminal 2, and so on.
            auto* button = new QPushButton(machine(terminal), this);
            button->setObjectName(u"Command%1"_s.arg(row + 1 + (terminal - 1) * (todos + 1)));
            connect(button, &QPushButton::clicked, this,
                    [this, row, terminal] { Copiar(row, terminal); });
            grid->addWidget(button, row, terminal * 3 - 2);
            buttons_.push_back(button);
            if (row < todos) {
                auto* when = new QLabel(this);
                when->setObjectName(u"lblFecha%1_%2"_s.arg(row + 1).arg(terminal));
                // Room for a time from the start, so that the captions keep theirs when "nunca"
                // goes.
                when->setMinimumWidth(when->fontMetrics().horizontalAdvance(u"00/00/0000 00:00"_s));
                grid->addWidget(when, row, terminal * 3 - 1);
                times_.push_back(when);
                auto* status = new QLabel(this);
                status->setObjectName(u"lblEstado%1_%2"_s.arg(row + 1).arg(terminal));
                // Room for the widest word, marked, so that no column moves when a state changes.
                QFont marked = status->font();
                marked.setBold(true);
                const QFontMetrics metrics(marked);
                int widest = 0;
                for (auto state : {terminals::Freshness::UpToDate, terminals::Freshness::Behind,
                                   terminals::Freshness::SourceMissing})
                    widest = std::max(widest, metrics.horizontalAdvance(statusWord(state)));
                status->setMinimumWidth(widest);
                grid->addWidget(status, row, terminal * 3);
                statuses_.push_back(status);
            }
        }
    }
    cmdCerrar_ = new QPushButton(u"&Cerrar"_s, this);
    cmdCerrar_->setObjectName(u"cmdCerrar"_s);
    connect(cmdCerrar_, &QPushButton::clicked, this, &QWidget::close);
    grid->addWidget(cmdCerrar_, todos + 1, 0, 1, 1 + 3 * terminals_);
    showStatus();
    adjustSize();
}

void Actualizar::showStatus()
{
    const auto& files = terminals::files();
    for (int row = 0; row < int(files.size()); ++row)
        for (int terminal = 1; terminal <= terminals_; ++terminal) {
            const terminals::FileRow& file = files[size_t(row)];
            const size_t cell = size_t(row * terminals_ + terminal - 1);
            const QDateTime when = terminals::lastUpdate(terminal, file.target);
            times_[cell]->setText(when.isValid() ? when.toString(u"dd/MM/yyyy HH:mm"_s)
                                                 : u"nunca"_s);

            // A copy the clerk must push stands out in bold red; the word says it without the
            // colour.
            const terminals::Freshness freshness = terminals::freshness(terminal, file);
            const bool mark = freshness != terminals::Freshness::UpToDate;
            QLabel* status = statuses_[cell];
            status->setText(statusWord(freshness));
            QFont font = status->font();
            font.setBold(mark);
            status->setFont(font);
            QPalette colours = palette();
            if (mark) colours.setColor(QPalette::WindowText, QColor(255, 0, 0));
            status->setPalette(colours);
            status->setAccessibleName(
                u"%1 en la %2: %3"_s.arg(file.target, machine(terminal), status->text()));
            const QString detail = statusDetail(freshness, file, terminal, when.isValid());
            status->setAccessibleDescription(detail);
            status->setToolTip(detail);
        }
}

void Actualizar::setBusy(bool busy)
{
    busy_ = busy;
    for (QPushButton* button : buttons_) button->setEnabled(!busy);
    cmdCerrar_->setEnabled(!busy);
}

bool Actualizar::event(QEvent* event)
{
    // Brought forward again, or its frame activated by a click, the window shows the files as
    // they are now: a price change made in another window while this one stood open leaves
    // Articulos behind on both terminals.
    if (event->type() == WindowRegistry::broughtForward()) showStatus();
    if (event->type() == QEvent::ParentChange)
        if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
            connect(frame, &QMdiSubWindow::aboutToActivate, this, &Actualizar::showStatus,
                    Qt::UniqueConnection);
    return QWidget::event(event);
}

void Actualizar::closeEvent(QCloseEvent* event)
{
    // Closing in a pause between files would unload the window under the running copy.
    if (busy_) event->ignore();
    else QWidget::closeEvent(event);
}

void Actualizar::Copiar(int row, int terminal)
{
    if (busy_) return;
    const auto& files = terminals::files();
    std::vector<terminals::FileRow> chosen;
    if (row == todosRow()) chosen = files;
    else chosen.push_back(files[size_t(row)]);

    setBusy(true);
    Espere::Mostrar(this);
    Pausa();
    QStringList updated;
    qsizetype failedAt = -1;
    QString reason;
    for (size_t i = 0; i < chosen.size(); ++i) {
        const QString& name = chosen[i].target;
        emit copiando(name, terminal);
        try {
            terminals::push(terminal, chosen[i]);
        } catch (const EngineError& error) {
            failedAt = qsizetype(i);
            reason = errorMessage(error);
            break;
        }
        updated << name;
        showStatus();
        Pausa();
        emit copiado(name, terminal);
    }
    Espere::Ocultar();
    setBusy(false);
    if (failedAt < 0) return;

    QString message =
        u"No se pudo actualizar %1 en la %2 (%3, %4).\n%5\nEl archivo anterior de la caja "
        u"quedó como estaba."_s.arg(chosen[size_t(failedAt)].target, machine(terminal),
                                    terminals::host(terminal), terminals::shareFolder(terminal),
                                    reason);
    if (chosen.size() > 1) {
        QStringList pending;
        for (size_t i = size_t(failedAt); i < chosen.size(); ++i) pending << chosen[i].target;
        message += u"\n\nActualizados: %1.\nNo actualizados: %2."_s.arg(
            updated.isEmpty() ? u"ninguno"_s : updated.join(u", "_s), pending.join(u", "_s));
    }
    MsgBox(message, vbCritical, u"Actualizar"_s, this);
}
