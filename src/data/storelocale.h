#pragma once
// Dates and times as the store reads them. They follow the system locale when it is Spanish;
// any other (the C locale of a fresh machine) gives way to the formats of the store's country,
// Argentina: dd/MM/yyyy and 24-hour time. Needs no widgets, so the rules use it too.

#include <QLocale>
#include <QString>

class QDate;
class QTime;

namespace storelocale {

// `system` when it is Spanish, Spanish of Argentina otherwise.
QLocale storeLocale(const QLocale& system = QLocale::system());

// The short date: the system's format when it is Spanish, dd/MM/yyyy otherwise.
QString shortDate(const QDate& date, const QLocale& system = QLocale::system());

// The long time without its time zone: the system's format when it is Spanish, HH:mm:ss
// otherwise.
QString longTime(const QTime& time, const QLocale& system = QLocale::system());

// A time format without its time zone ("H:mm:ss (t)" gives "H:mm:ss").
QString withoutTimeZone(const QString& format);

// Makes storeLocale() Qt's default, so that the toolkit's widgets (the calendar's month and
// day names) speak Spanish on a machine whose locale is not.
void applyDefault(const QLocale& system = QLocale::system());

}  // namespace storelocale
