#include "storelocale.h"

#include <QCoreApplication>
#include <QDate>
#include <QDebug>
#include <QLibraryInfo>
#include <QTime>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace storelocale {

namespace {

bool isSpanish(const QLocale& locale) { return locale.language() == QLocale::Spanish; }

}  // namespace

QLocale storeLocale(const QLocale& system)
{
    return isSpanish(system) ? system : QLocale(QLocale::Spanish, QLocale::Argentina);
}

QString shortDate(const QDate& date, const QLocale& system)
{
    if (isSpanish(system)) return system.toString(date, QLocale::ShortFormat);
    return date.toString(u"dd/MM/yyyy"_s);
}

QString longTime(const QTime& time, const QLocale& system)
{
    if (!isSpanish(system)) return time.toString(u"HH:mm:ss"_s);
    QString format = system.timeFormat(QLocale::LongFormat);
    format.remove(u't');
    format.remove(u"()"_s);
    return system.toString(time, format.trimmed());
}

void applyDefault(const QLocale& system) { QLocale::setDefault(storeLocale(system)); }

QTranslator* installQtTranslations(QObject* parent)
{
    auto* translator = new QTranslator(parent);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(u"qtbase_es"_s, folder) || !QCoreApplication::installTranslator(translator)) {
        qWarning().noquote() << "No se encontraron las traducciones de Qt (qtbase_es) en" << folder;
        delete translator;
        return nullptr;
    }
    return translator;
}

}  // namespace storelocale
