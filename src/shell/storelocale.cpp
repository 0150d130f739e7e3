#include "storelocale.h"

#include <QCoreApplication>
#include <QDate>
#include <QDebug>
#include <QLibraryInfo>
#include <QTime>
#include <QTranslator>

using namespace Qt::StringLiterals;

// The program's translation lives in a static library; its resource is registered by hand,
// outside any namespace.
static void registerTranslations() { Q_INIT_RESOURCE(translations); }

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
    return system.toString(time, withoutTimeZone(system.timeFormat(QLocale::LongFormat)));
}

QString withoutTimeZone(const QString& format)
{
    // Drops the time zone ("t", "tt"...) with the brackets and blanks around it, leaving
    // quoted literal text alone: "H:mm:ss (t)" gives "H:mm:ss".
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'') quoted = !quoted;
        if (quoted || c != u't') {
            out += c;
            continue;
        }
        while (i + 1 < format.size() && format[i + 1] == u't') ++i;
        out = out.trimmed();
        if (out.endsWith(u'(') || out.endsWith(u'[')) out.chop(1);
        while (i + 1 < format.size() && format[i + 1] == u' ') ++i;
        if (i + 1 < format.size() && (format[i + 1] == u')' || format[i + 1] == u']')) ++i;
    }
    return out.trimmed();
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

QTranslator* installProgramTranslations(QObject* parent)
{
    registerTranslations();
    auto* translator = new QTranslator(parent);
    // Compiled into the program: failing to load it is a build fault.
    if (!translator->load(u":/translations/valdrameno_es.qm"_s) || !QCoreApplication::installTranslator(translator))
        qFatal("Traducción del programa (valdrameno_es.qm) no disponible");
    return translator;
}

}  // namespace storelocale
