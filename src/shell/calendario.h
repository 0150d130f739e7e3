#pragma once
// The calendar: a separate window with a month calendar that opens on today; a click on a
// date closes it.

#include <QWidget>

class QCalendarWidget;

class Calendario : public QWidget {
    Q_OBJECT
public:
    explicit Calendario(QWidget* parent = nullptr);

private:
    QCalendarWidget* MonthView1;
};
