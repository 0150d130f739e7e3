#include "forlista.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <map>
#include <memory>

#include "crviewer.h"
#include "report.h"
#include "reportdefs.h"
#include "shell/pausa.h"
#include "shell/windowregistry.h"

using namespace Qt::StringLiterals;

namespace reports {

Report& reportObject(const ReportDef& def)
{
    static std::map<QString, std::unique_ptr<Report>> objects;
    std::unique_ptr<Report>& object = objects[def.name];
    if (!object) object = std::make_unique<Report>(def);
    return *object;
}

ForLista::ForLista(const ReportDef& def, QWidget* parent) : QWidget(parent), def_(def)
{
    setObjectName(def.viewer);
    setWindowTitle(def.caption);
    setAttribute(Qt::WA_DeleteOnClose);
    // The viewer fills the client area, with no margin, whatever its size.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    CRViewer1 = new CRViewer(this);
    layout->addWidget(CRViewer1);
    resize(900, 640);
}

ForLista::~ForLista()
{
    if (report_) report_->close();
}

void ForLista::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (started_) return;
    started_ = true;
    // The load runs once the window is on screen.
    QTimer::singleShot(0, this, &ForLista::load);
}

bool ForLista::event(QEvent* event)
{
    // Brought forward again (a label sheet printed, the queue changed and printed again), the
    // viewer shows the data as it is now, never the pages it read before.
    if (event->type() == WindowRegistry::broughtForward() && loaded_ && report_ &&
        report_->isOpen())
        CRViewer1->Refresh();
    return QWidget::event(event);
}

void ForLista::closeEvent(QCloseEvent* event)
{
    if (report_) report_->close();
    event->accept();
}

void ForLista::load()
{
    QPointer<ForLista> self(this);
    report_ = &reportObject(def_);
    report_->SetLogOnInfo(QString(), u"\n"_s + def_.password);
    // Each showing of a label sheet starts on a fresh sheet.
    report_->setStartPosition(1);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CRViewer1->setReportSource(report_);
    CRViewer1->ViewReport();
    CRViewer1->Zoom(88);
    QApplication::restoreOverrideCursor();
    // The first page is on screen; the pauses keep the window answering while it settles.
    for (int i = 0; i < 5 && self; ++i) Pausa();
    if (!self) return;
    if (report_->isOpen()) CRViewer1->Refresh();
    for (int i = 0; i < 3 && self; ++i) Pausa();
    if (self) loaded_ = true;
}

void registerReportWindows(WindowRegistry& registry)
{
    for (const ReportDef& def : reportDefs())
        registry.add(
            {def.viewer, WindowPlace::InFrame, std::nullopt, [&def] { return new ForLista(def); }});
}

}  // namespace reports
