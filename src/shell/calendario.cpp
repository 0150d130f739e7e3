#include "calendario.h"

#include <QCalendarWidget>
#include <QDate>
#include <QVBoxLayout>

#include "windownames.h"

using namespace Qt::StringLiterals;

Calendario::Calendario(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(windownames::Calendario);
    setWindowTitle(u"Calendario"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    MonthView1 = new QCalendarWidget(this);
    MonthView1->setObjectName(u"MonthView1"_s);
    MonthView1->setGridVisible(true);
    const QDate today = QDate::currentDate();
    MonthView1->setCurrentPage(today.year(), today.month());
    MonthView1->setSelectedDate(today);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(MonthView1);
    setFixedSize(MonthView1->sizeHint());
    connect(MonthView1, &QCalendarWidget::clicked, this, &QWidget::close);
}
