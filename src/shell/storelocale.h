#pragma once
// Dates, times and the toolkit's own texts in Spanish. Dates and times follow the system
// locale when it is Spanish; any other (the C locale of a fresh machine) gives way to the
// formats of the store's country, Argentina: dd/MM/yyyy and 24-hour time.

#include <QLocale>
#include <QString>

class QDate;
class QObject;
class QTime;
class QTranslator;

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

// Installs Qt's own Spanish translations (qtbase_es: standard buttons, file and print dialogs,
// the context menu of entry fields) into the application. Returns the installed translator,
// owned by `parent`, or nullptr (with a warning) when they are not installed.
QTranslator* installQtTranslations(QObject* parent);

// Installs the program's own Spanish for Qt's dialogs (the file chooser's "Carpeta", the print
// dialog's "Páginas", "archivo" where Qt's Spanish says "fichero"), compiled into the program.
// Call after installQtTranslations: the translator installed last is asked first. Returns the
// installed translator, owned by `parent`.
QTranslator* installProgramTranslations(QObject* parent);

}  // namespace storelocale
