#include "prices.h"

#include <cmath>
#include <optional>

#include "articles/priceupdate.h"
#include "data/catalogue.h"
#include "data/numbertext.h"
#include "data/storelocale.h"

using namespace Qt::StringLiterals;
using namespace articles;

namespace admin {

namespace {

// How many lines of the review a trial prints.
constexpr int kTrialLines = 20;

// A percentage or step as a store writes it: decimal comma or point ("8", "-5", "7,5", "0.05").
std::optional<double> decimal(const QString& text)
{
    QString comma = text.trimmed();
    if (comma.count(u'.') + comma.count(u',') > 1) return std::nullopt;
    comma.replace(u'.', u',');
    return numbertext::parse(comma);
}

QString money(double value) { return numbertext::fixed(value); }

QString userName()
{
    const QString system = qEnvironmentVariable("USER");
    return system.isEmpty() ? u"valdrameno-admin"_s : u"valdrameno-admin (%1)"_s.arg(system);
}

struct Request {
    PriceSelection selection;
    PriceChange change;
    bool labels = true, trial = false;
};

// Reads the options of a change; returns the reason when they are wrong.
QString parse(const QStringList& args, Request& request)
{
    std::optional<double> cost, percent, surcharge;
    std::optional<int> list;
    bool up = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& option = args[i];
        if (option == u"--hacia-arriba") {
            up = true;
            continue;
        }
        if (option == u"--sin-etiquetas") {
            request.labels = false;
            continue;
        }
        if (option == u"--prueba") {
            request.trial = true;
            continue;
        }
        static const QStringList withValue = {u"--proveedor"_s,   u"--marca"_s,      u"--rubro"_s,
                                              u"--descripcion"_s, u"--desde"_s,      u"--hasta"_s,
                                              u"--costo"_s,       u"--porcentaje"_s, u"--recargo"_s,
                                              u"--lista"_s,       u"--redondeo"_s};
        if (!withValue.contains(option)) return u"Opción desconocida: "_s + option;
        if (i + 1 >= args.size()) return u"Falta el valor de "_s + option + u'.';
        const QString value = args[++i];
        const auto number = [&](std::optional<double>& into) {
            into = decimal(value);
            return into ? QString() : u"\"%1\" no es un número (%2)."_s.arg(value, option);
        };
        const auto code = [&](std::optional<qint64>& into) {
            bool ok = false;
            const qint64 c = value.trimmed().toLongLong(&ok);
            if (!ok || c < 0)
                return u"\"%1\" no es un código de artículo (%2)."_s.arg(value, option);
            into = c;
            return QString();
        };
        QString problem;
        if (option == u"--proveedor") request.selection.supplier = storedPartyCode(value);
        else if (option == u"--marca") request.selection.brand = storedPartyCode(value);
        else if (option == u"--rubro") request.selection.category = storedPartyCode(value);
        else if (option == u"--descripcion") request.selection.description = value;
        else if (option == u"--desde") problem = code(request.selection.fromCode);
        else if (option == u"--hasta") problem = code(request.selection.toCode);
        else if (option == u"--costo") problem = number(cost);
        else if (option == u"--porcentaje") problem = number(percent);
        else if (option == u"--recargo") problem = number(surcharge);
        else if (option == u"--lista") {
            const int n = value.toInt();
            if (n < 1 || n > 3) return u"La lista es 1, 2 o 3, no \"%1\"."_s.arg(value);
            list = n;
        } else if (option == u"--redondeo") {
            std::optional<double> step;
            problem = number(step);
            if (problem.isEmpty()) {
                const std::optional<qint64> cents = toCents(*step);
                if (!cents || *cents <= 0 || std::abs(*step * 100 - double(*cents)) > 1e-6)
                    return u"El redondeo debe ser un importe positivo en centavos, como 0,05 o "
                           u"10."_s;
                request.change.stepCents = *cents;
            }
        }
        if (!problem.isEmpty()) return problem;
    }
    const int rules = int(bool(cost)) + int(bool(percent)) + int(bool(surcharge));
    if (rules != 1)
        return u"Indique una sola regla: --costo PORC, --lista N --porcentaje PORC o --lista N "
               u"--recargo PORC."_s;
    if (cost && list) return u"--lista no va con --costo."_s;
    if ((percent || surcharge) && !list) return u"Indique la lista con --lista N."_s;
    if (up && request.change.stepCents <= 1) return u"--hacia-arriba necesita --redondeo PASO."_s;
    request.change.kind = cost      ? PriceChangeKind::CostPercent
                          : percent ? PriceChangeKind::ListPercent
                                    : PriceChangeKind::ListSurcharge;
    request.change.value = cost ? *cost : percent ? *percent : *surcharge;
    request.change.list = list.value_or(1);
    request.change.direction = up ? RoundingDirection::Up : RoundingDirection::Nearest;
    return QString();
}

void printReview(const PriceReview& review, QTextStream& out)
{
    out << u"Condiciones: "_s << review.conditions << '\n'
        << u"Regla: "_s << review.change.describe() << '\n'
        << u"Artículos que cambian: "_s << review.lines.size() << '\n'
        << u"Suma de la lista 1: antes "_s << money(review.list1Before) << u", después "_s
        << money(review.list1After) << '\n';
    int shown = 0;
    for (const PriceLine& line : review.lines) {
        if (shown++ == kTrialLines) {
            out << u"  (y %1 más)"_s.arg(review.lines.size() - size_t(kTrialLines)) << '\n';
            break;
        }
        out << u"  %1 %2  costo %3 -> %4  lista 1 %5 -> %6  lista 2 %7 -> %8  lista 3 %9 -> %10"_s
                   .arg(numbertext::code(line.codigo, 6), line.descripcion, money(line.before.cos),
                        money(line.after.cos), money(line.before.lis[0]), money(line.after.lis[0]),
                        money(line.before.lis[1]), money(line.after.lis[1]),
                        money(line.before.lis[2]))
                   .arg(money(line.after.lis[2]))
            << '\n';
    }
    if (review.leftOut.empty()) return;
    out << u"Quedan sin cambio: "_s << review.leftOut.size() << '\n';
    for (const LeftOutArticle& a : review.leftOut)
        out << u"  %1 %2: %3"_s.arg(numbertext::code(a.codigo, 6), a.descripcion, a.reason) << '\n';
}

void printLabels(const AppliedChange& applied, bool labels, QTextStream& out)
{
    if (labels)
        out << u"Etiquetas: %1 nuevas en la cola, %2 con el precio nuevo."_s
                   .arg(applied.labelsQueued)
                   .arg(applied.labelsUpdated)
            << '\n';
}

int history(QTextStream& out)
{
    const std::vector<PriceHistoryEntry> entries = priceHistory();
    if (entries.empty()) out << u"No hay actualizaciones de precios."_s << '\n';
    for (const PriceHistoryEntry& e : entries) {
        out << e.number << u"  "_s << storelocale::shortDate(e.when.date()) << u' '
            << storelocale::longTime(e.when.time()) << u"  "_s << e.user << u"  "_s << e.articles
            << u" artículos  "_s << e.rule << u"  ("_s << e.conditions << u')';
        if (e.undoneBy) out << u"  deshecha por la "_s << e.undoneBy;
        out << '\n';
    }
    return 0;
}

int undo(const QString& number, QTextStream& out, QTextStream& err)
{
    bool ok = false;
    const qint64 n = number.toLongLong(&ok);
    if (!ok || n <= 0) {
        err << u"\"%1\" no es un número de actualización."_s.arg(number) << '\n';
        return 1;
    }
    const UndoneChange undone = undoPriceChange(n, userName(), true);
    out << u"Se volvieron los precios de %1 artículos (actualización número %2)."_s
               .arg(undone.applied.articles)
               .arg(undone.applied.number)
        << '\n';
    printLabels(undone.applied, true, out);
    for (const LeftOutArticle& a : undone.leftAlone)
        out << u"  sin cambio %1 %2: %3"_s.arg(numbertext::code(a.codigo, 6), a.descripcion,
                                               a.reason)
            << '\n';
    return 0;
}

}  // namespace

bool pricesWrite(const QStringList& args)
{
    if (args.value(0) == u"historial") return false;
    return args.value(0) == u"deshacer" || !args.contains(u"--prueba"_s);
}

int prices(const QStringList& args, QTextStream& out, QTextStream& err)
{
    try {
        if (args == QStringList{u"historial"_s}) return history(out);
        if (args.size() == 2 && args[0] == u"deshacer") return undo(args[1], out, err);
        Request request;
        if (const QString problem = parse(args, request); !problem.isEmpty()) {
            err << problem << '\n';
            return 1;
        }
        const PriceReview review = reviewPriceChange(*catalogue::open(u"Articulos.mdb"_s),
                                                     request.selection, request.change);
        if (request.trial) {
            printReview(review, out);
            return 0;
        }
        if (review.lines.empty()) {
            printReview(review, err);
            err << u"Ningún artículo cambia: no se guardó nada."_s << '\n';
            return 1;
        }
        const AppliedChange applied = applyPriceChange(review, userName(), request.labels);
        out << u"Se actualizaron los precios de %1 artículos (actualización número %2)."_s
                   .arg(applied.articles)
                   .arg(applied.number)
            << '\n';
        printLabels(applied, request.labels, out);
        if (!review.leftOut.empty())
            out << u"Quedaron sin cambio %1 artículos (vea --prueba)."_s.arg(review.leftOut.size())
                << '\n';
        return 0;
    } catch (const PriceChangeRefused& refused) {
        err << refused.message() << '\n';
        return 1;
    }
}

}  // namespace admin
