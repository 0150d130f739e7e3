#include "storelocale.h"

#include <QDate>
#include <QTime>

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

}  // namespace storelocale
