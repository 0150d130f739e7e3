#include "priceupdate.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "data/articlesearch.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "data/labelqueue.h"
#include "data/numbertext.h"
#include "data/paths.h"

using namespace Qt::StringLiterals;

namespace articles {

namespace {

// The columns every routine reads, in this order.
const QString kPriceColumns =
    u"codigo, descripcion, codbarra, cos, iva, net, rec1, rec2, rec3, "
    u"lis1, lis2, lis3"_s;

struct StoredArticle {
    qint64 codigo = 0;
    QString descripcion, codbarra;
    double iva = 0;
    StoredPrices prices;
    bool hasCost = false;
};

StoredArticle readArticle(const Database::RowView& row)
{
    StoredArticle a;
    a.codigo = row.whole(0);
    a.descripcion = row.text(1);
    a.codbarra = row.text(2);
    a.hasCost = !row.isNull(3) && row.number(3) > 0;
    a.prices.cos = row.number(3);
    a.iva = row.number(4);
    a.prices.net = row.number(5);
    for (int i = 0; i < 3; ++i) {
        a.prices.rec[size_t(i)] = row.number(6 + i);
        a.prices.lis[size_t(i)] = row.number(9 + i);
    }
    return a;
}

// A price rounded to the cent; none when it is not positive.
std::optional<double> positiveCents(std::optional<double> value)
{
    if (!value) return std::nullopt;
    const std::optional<qint64> cents = toCents(*value);
    if (!cents || *cents <= 0) return std::nullopt;
    return fromCents(*cents);
}

std::optional<double> roundedListPrice(std::optional<double> price, const PriceChange& change)
{
    if (!price) return std::nullopt;
    const std::optional<qint64> cents = toCents(*price);
    if (!cents) return std::nullopt;
    const qint64 rounded = roundToStep(*cents, change.stepCents, change.direction);
    if (rounded <= 0) return std::nullopt;
    return fromCents(rounded);
}

QString listWouldBeZero(int list)
{
    return u"el precio de la lista %1 quedaría en cero o negativo"_s.arg(list);
}

// NETO and the three lists from a new cost, with each list's stored surcharge: what the form
// does on Enter in COSTO and each RECARGO.
std::optional<QString> followCost(StoredPrices& prices, double newCost, double iva,
                                  const PriceChange& change)
{
    const std::optional<double> cost = positiveCents(newCost);
    if (!cost) return u"el costo nuevo quedaría en cero o negativo"_s;
    const std::optional<double> net = positiveCents(netPrice(*cost, iva));
    if (!net) return u"el neto quedaría en cero o negativo"_s;
    prices.cos = *cost;
    prices.net = *net;
    for (int i = 0; i < 3; ++i) {
        const std::optional<double> price =
            roundedListPrice(listPrice(*cost, prices.rec[size_t(i)]), change);
        if (!price) return listWouldBeZero(i + 1);
        prices.lis[size_t(i)] = *price;
    }
    return std::nullopt;
}

// The new prices of one article, or why it is left out.
std::optional<QString> changePrices(const StoredArticle& article, const PriceChange& change,
                                    StoredPrices& after)
{
    after = article.prices;
    const size_t list = size_t(std::clamp(change.list, 1, 3) - 1);
    switch (change.kind) {
    case PriceChangeKind::CostPercent:
        if (!article.hasCost) return u"sin costo"_s;
        return followCost(after, article.prices.cos * (1 + change.value / 100), article.iva,
                          change);
    case PriceChangeKind::ListPercent: {
        if (article.prices.lis[list] <= 0) return u"sin precio en la lista %1"_s.arg(list + 1);
        const std::optional<double> price =
            roundedListPrice(article.prices.lis[list] * (1 + change.value / 100), change);
        if (!price) return listWouldBeZero(int(list) + 1);
        after.lis[list] = *price;
        return std::nullopt;
    }
    case PriceChangeKind::ListSurcharge: {
        if (!article.hasCost) return u"sin costo"_s;
        const std::optional<double> price =
            roundedListPrice(listPrice(article.prices.cos, change.value), change);
        if (!price) return listWouldBeZero(int(list) + 1);
        after.rec[list] = change.value;
        after.lis[list] = *price;
        return std::nullopt;
    }
    }
    return std::nullopt;
}

void addLine(PriceReview& review, const StoredArticle& article)
{
    StoredPrices after;
    if (const std::optional<QString> reason = changePrices(article, review.change, after)) {
        review.leftOut.push_back({article.codigo, article.descripcion, *reason});
        return;
    }
    review.lines.push_back(
        {article.codigo, article.descripcion, article.codbarra, article.prices, after});
    review.list1Before += article.prices.lis[0];
    review.list1After += after.lis[0];
}

QString percentText(double value)
{
    return (value > 0 ? u"+"_s : QString()) + numbertext::shortest(value) + u" %"_s;
}

// " WHERE codp = ?1 AND ..." for the conditions of `selection` but its description (empty when
// there are none), their values appended to `params`.
QString chosenWhere(const PriceSelection& selection, QVariantList& params)
{
    QStringList where;
    const auto condition = [&](const QString& sql, const QVariant& value) {
        params << value;
        where << sql.arg(params.size());
    };
    if (!selection.supplier.isEmpty()) condition(u"codp = ?%1"_s, selection.supplier);
    if (!selection.brand.isEmpty()) condition(u"codm = ?%1"_s, selection.brand);
    if (!selection.category.isEmpty()) condition(u"codr = ?%1"_s, selection.category);
    if (selection.fromCode) condition(u"codigo >= ?%1"_s, *selection.fromCode);
    if (selection.toCode) condition(u"codigo <= ?%1"_s, *selection.toCode);
    return where.isEmpty() ? QString() : u" WHERE "_s + where.join(u" AND "_s);
}

// Walks the articles `selection` chooses, in code order, reading `columns`; the column
// `descriptionColumn` holds the description, which is matched case and accents aside.
void forEachChosen(Database& articulos, const PriceSelection& selection, const QString& columns,
                   int descriptionColumn, const std::function<void(const Database::RowView&)>& each)
{
    QVariantList params;
    const QString sql = u"SELECT "_s + columns + u" FROM articulos"_s +
                        chosenWhere(selection, params) + u" ORDER BY codigo"_s;
    const QString wanted = foldForSearch(selection.description.trimmed());
    articulos.ForEach(sql, params, [&](const Database::RowView& row) {
        if (!wanted.isEmpty() && !foldForSearch(row.text(descriptionColumn)).contains(wanted))
            return;
        each(row);
    });
}

// ---------------------------------------------------------------- the history file

std::shared_ptr<Database> openHistory(bool create)
{
    const catalogue::FileDef& def = catalogue::priceHistory();
    const QString native = paths::toNative(paths::inBases(def.fileName));
    if (!QFileInfo::exists(native)) {
        if (!create) return nullptr;
        try {
            catalogue::createFile(def, native);
        } catch (const EngineError& e) {
            // Another process may have created it a moment ago; then it is opened below.
            if (e.code() != EngineErrorCode::FileExists) throw;
        }
    }
    return catalogue::open(def.fileName);
}

// The files one change writes, attached to the article file's connection so that one
// transaction spans them all; detached however the scope ends.
class ChangeFiles {
public:
    // Without `createHistory`, a missing history refuses: there is nothing to undo.
    ChangeFiles(bool withLabels, bool createHistory)
        : articulos(catalogue::open(u"Articulos.mdb"_s)), history_(openHistory(createHistory))
    {
        if (!history_) throw PriceChangeRefused(u"No hay actualizaciones de precios guardadas."_s);
        articulos->Attach(*history_, u"historial"_s);
        if (!withLabels) return;
        try {
            labels_ = catalogue::open(u"Etiquetas.mdb"_s);
            articulos->Attach(*labels_, u"etiquetas"_s);
        } catch (...) {
            articulos->Detach(u"historial"_s);
            throw;
        }
    }
    ~ChangeFiles()
    {
        // A failed detach leaves only an alias on the connection; nothing is written by it.
        try {
            articulos->Detach(u"historial"_s);
            if (labels_) articulos->Detach(u"etiquetas"_s);
        } catch (const EngineError&) {
        }
    }
    ChangeFiles(const ChangeFiles&) = delete;
    ChangeFiles& operator=(const ChangeFiles&) = delete;

    std::shared_ptr<Database> articulos;

private:
    std::shared_ptr<Database> history_, labels_;
};

// The eight prices in the order the statements below name them.
std::array<double, 8> pricesInOrder(const StoredPrices& p)
{
    return {p.cos, p.net, p.rec[0], p.rec[1], p.rec[2], p.lis[0], p.lis[1], p.lis[2]};
}

// The new record of the history, inside the open transaction; returns its number.
qint64 recordChange(Database& db, const QString& user, const QString& conditions,
                    const QString& rule, int articles, qint64 undoes)
{
    const catalogue::FileDef& def = catalogue::priceHistory();
    const QVariant when = convertForField(def.table.fields[1], QDateTime::currentDateTime());
    db.Writer(
        u"INSERT INTO historial.actualizaciones (fecha, usuario, condiciones, regla, "
        u"articulos, deshace, deshecha) VALUES (?1, ?2, ?3, ?4, ?5, ?6, 0)"_s)(
        {when, user.left(50), conditions.left(255), rule.left(255), articles, undoes});
    return db.Select(u"SELECT max(numero) FROM historial.actualizaciones"_s)
        .value(0)
        .value(0)
        .toLongLong();
}

// Stores the lines' new prices and their history; the transaction is open.
void storeLines(Database& db, qint64 number, const std::vector<PriceLine>& lines)
{
    // Each article must still hold the prices the review read: otherwise someone changed it
    // since, and storing would overwrite that change unseen.
    auto update = db.NumberWriter(
        u"UPDATE articulos SET cos = ?1, net = ?2, rec1 = ?3, rec2 = ?4, rec3 = ?5, lis1 = ?6, "
        u"lis2 = ?7, lis3 = ?8 WHERE codigo = ?9 AND ifnull(cos, 0) = ?10 AND ifnull(net, 0) = ?11 "
        u"AND ifnull(rec1, 0) = ?12 AND ifnull(rec2, 0) = ?13 AND ifnull(rec3, 0) = ?14 "
        u"AND ifnull(lis1, 0) = ?15 AND ifnull(lis2, 0) = ?16 AND ifnull(lis3, 0) = ?17"_s);
    // Each price before and after, in pairs.
    auto record = db.NumberWriter(
        u"INSERT INTO historial.cambios VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, "
        u"?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19)"_s);
    std::array<Database::Number, 17> changed;
    std::array<Database::Number, 19> recorded;
    qint64 order = 0;
    for (const PriceLine& line : lines) {
        const std::array<double, 8> before = pricesInOrder(line.before);
        const std::array<double, 8> after = pricesInOrder(line.after);
        for (size_t i = 0; i < after.size(); ++i) {
            changed[i] = after[i];
            changed[9 + i] = before[i];
        }
        changed[8] = line.codigo;
        if (update(changed) != 1)
            throw PriceChangeRefused(
                u"El artículo %1 (%2) cambió o se eliminó después de la vista previa.\n"
                u"Pida la vista previa otra vez: no se guardó ningún precio."_s.arg(
                    numbertext::code(line.codigo, 6), line.descripcion));
        recorded[0] = number;
        recorded[1] = ++order;
        recorded[2] = line.codigo;
        for (size_t i = 0; i < after.size(); ++i) {
            recorded[3 + 2 * i] = before[i];
            recorded[4 + 2 * i] = after[i];
        }
        record(recorded);
    }
}

// One label per line with its new list 1 price, in the lines' order; an article already
// queued gets the new price on its label instead. The transaction is open.
std::pair<int, int> queueLabels(Database& db, const std::vector<PriceLine>& lines)
{
    // The label table has no index: the queued articles are read once, not searched per line.
    std::unordered_map<qint64, qint64> queued;  // codigo -> rowid of its first label
    db.ForEach(
        u"SELECT codigo, rowid FROM etiquetas.articulos WHERE codigo IS NOT NULL"_s, {},
        [&](const Database::RowView& row) { queued.try_emplace(row.whole(0), row.whole(1)); });
    auto reprice = db.Writer(u"UPDATE etiquetas.articulos SET %1 = ?1 WHERE %2 = ?2"_s.arg(
        labelqueue::Precio.name, labelqueue::Codigo.name));
    auto insert = db.Writer(u"INSERT INTO etiquetas.articulos (%1) VALUES (?1, ?2, ?3, ?4)"_s.arg(
        labelqueue::sqlList()));
    int added = 0, updated = 0;
    for (const PriceLine& line : lines) {
        if (queued.contains(line.codigo)) {
            reprice({line.after.lis[0], line.codigo});
            ++updated;
        } else {
            insert({line.codigo, line.codbarra.left(labelqueue::CodBarra.width),
                    line.descripcion.left(labelqueue::Descripcion.width), line.after.lis[0]});
            ++added;
        }
    }
    return {added, updated};
}

}  // namespace

QString storedPartyCode(const QString& typed)
{
    const QString code = typed.trimmed();
    bool digits = !code.isEmpty();
    for (QChar c : code) digits = digits && c.isDigit() && c.unicode() < 128;
    return digits && code.size() < 4 ? code.rightJustified(4, u'0') : code;
}

QString foldForSearch(const QString& text) { return articlesearch::fold(text); }

QString PriceSelection::describe() const
{
    QStringList parts;
    if (!supplier.isEmpty()) parts << u"proveedor "_s + supplier;
    if (!brand.isEmpty()) parts << u"marca "_s + brand;
    if (!category.isEmpty()) parts << u"rubro "_s + category;
    if (!description.isEmpty()) parts << u"descripción con \"%1\""_s.arg(description);
    if (fromCode || toCode)
        parts << u"códigos %1 a %2"_s.arg(fromCode ? QString::number(*fromCode) : u"el primero"_s,
                                          toCode ? QString::number(*toCode) : u"el último"_s);
    return parts.isEmpty() ? u"todos los artículos"_s : parts.join(u", "_s);
}

QString PriceChange::describe() const
{
    QString rule;
    switch (kind) {
    case PriceChangeKind::CostPercent:
        rule = u"costo "_s + percentText(value);
        break;
    case PriceChangeKind::ListPercent:
        rule = u"lista %1 "_s.arg(list) + percentText(value);
        break;
    case PriceChangeKind::ListSurcharge:
        rule = u"recargo de la lista %1 = %2 %"_s.arg(list).arg(numbertext::shortest(value));
        break;
    }
    if (stepCents <= 1) return rule + u", sin redondeo"_s;
    for (const RoundingStep& step : roundingSteps())
        if (step.cents == stepCents)
            return rule + u", redondeo a $ "_s + step.caption +
                   (direction == RoundingDirection::Up ? u" hacia arriba"_s : u" al más cercano"_s);
    return rule + u", redondeo a $ "_s + numbertext::fixed(fromCents(stepCents)) +
           (direction == RoundingDirection::Up ? u" hacia arriba"_s : u" al más cercano"_s);
}

const std::vector<RoundingStep>& roundingSteps()
{
    static const std::vector<RoundingStep> steps = {
        {1, u"sin redondeo"_s}, {5, u"0,05"_s},  {10, u"0,10"_s}, {100, u"1"_s},
        {500, u"5"_s},          {1000, u"10"_s}, {5000, u"50"_s}, {10000, u"100"_s},
    };
    return steps;
}

double PriceLine::changePercent() const
{
    const double from = before.lis[0] > 0 ? before.lis[0] : before.cos;
    const double to = before.lis[0] > 0 ? after.lis[0] : after.cos;
    return from > 0 ? (to - from) / from * 100 : 0;
}

PriceReview reviewPriceChange(Database& articulos, const PriceSelection& selection,
                              const PriceChange& change)
{
    PriceReview review;
    review.conditions = selection.describe();
    review.change = change;
    forEachChosen(articulos, selection, kPriceColumns, 1,
                  [&](const Database::RowView& row) { addLine(review, readArticle(row)); });
    return review;
}

PriceReview reviewNewCosts(Database& articulos, const std::vector<NewCost>& costs,
                           const PriceChange& rounding, const QString& conditions)
{
    PriceReview review;
    review.conditions = conditions;
    review.change = rounding;
    review.change.kind = PriceChangeKind::CostPercent;
    const QString sql = u"SELECT "_s + kPriceColumns + u" FROM articulos WHERE codigo = ?1"_s;
    for (const NewCost& cost : costs) {
        articulos.ForEach(sql, {cost.codigo}, [&](const Database::RowView& row) {
            const StoredArticle article = readArticle(row);
            StoredPrices after = article.prices;
            if (const std::optional<QString> reason =
                    followCost(after, cost.cost, article.iva, rounding)) {
                review.leftOut.push_back({article.codigo, article.descripcion, *reason});
                return;
            }
            review.lines.push_back(
                {article.codigo, article.descripcion, article.codbarra, article.prices, after});
            review.list1Before += article.prices.lis[0];
            review.list1After += after.lis[0];
        });
    }
    return review;
}

AppliedChange applyPriceChange(const PriceReview& review, const QString& user, bool withLabels)
{
    ChangeFiles files(withLabels, true);
    Database& db = *files.articulos;
    Transaction transaction(db);
    AppliedChange applied;
    applied.number = recordChange(db, user, review.conditions, review.change.describe(),
                                  int(review.lines.size()), 0);
    storeLines(db, applied.number, review.lines);
    if (withLabels)
        std::tie(applied.labelsQueued, applied.labelsUpdated) = queueLabels(db, review.lines);
    transaction.CommitTrans();
    applied.articles = int(review.lines.size());
    return applied;
}

std::vector<PriceHistoryEntry> priceHistory()
{
    std::vector<PriceHistoryEntry> entries;
    const std::shared_ptr<Database> history = openHistory(false);
    if (!history) return entries;
    history->ForEach(
        u"SELECT numero, fecha, usuario, condiciones, regla, articulos, deshace, "
        u"deshecha FROM actualizaciones ORDER BY numero DESC"_s,
        {}, [&](const Database::RowView& row) {
            entries.push_back({row.whole(0),
                               QDateTime::fromString(row.text(1), u"yyyy-MM-dd HH:mm:ss"_s),
                               row.text(2), row.text(3), row.text(4), int(row.whole(5)),
                               row.whole(6), row.whole(7)});
        });
    return entries;
}

UndoneChange undoPriceChange(qint64 number, const QString& user, bool withLabels)
{
    ChangeFiles files(withLabels, false);
    Database& db = *files.articulos;
    const QList<QVariantList> header = db.Select(
        u"SELECT regla, deshecha FROM historial.actualizaciones WHERE numero = ?1"_s, {number});
    if (header.isEmpty())
        throw PriceChangeRefused(
            u"No hay ninguna actualización de precios número %1."_s.arg(number));
    if (header[0].value(1).toLongLong() != 0)
        throw PriceChangeRefused(
            u"La actualización de precios número %1 ya se deshizo con la número %2."_s.arg(number)
                .arg(header[0].value(1).toLongLong()));

    // The recorded lines, and each article's prices now.
    std::vector<PriceLine> lines;
    UndoneChange undone;
    const QString current = u"SELECT "_s + kPriceColumns + u" FROM articulos WHERE codigo = ?1"_s;
    db.ForEach(
        u"SELECT codigo, cos_antes, cos_nuevo, net_antes, net_nuevo, rec1_antes, rec1_nuevo, "
        u"rec2_antes, rec2_nuevo, rec3_antes, rec3_nuevo, lis1_antes, lis1_nuevo, lis2_antes, "
        u"lis2_nuevo, lis3_antes, lis3_nuevo FROM historial.cambios WHERE numero = ?1 ORDER BY "
        u"orden"_s,
        {number}, [&](const Database::RowView& row) {
            StoredPrices old, stored;
            double* oldValues[] = {&old.cos,    &old.net,    &old.rec[0], &old.rec[1],
                                   &old.rec[2], &old.lis[0], &old.lis[1], &old.lis[2]};
            double* storedValues[] = {&stored.cos,    &stored.net,    &stored.rec[0],
                                      &stored.rec[1], &stored.rec[2], &stored.lis[0],
                                      &stored.lis[1], &stored.lis[2]};
            for (int i = 0; i < 8; ++i) {
                *oldValues[i] = row.number(1 + 2 * i);
                *storedValues[i] = row.number(2 + 2 * i);
            }
            lines.push_back({row.whole(0), QString(), QString(), stored, old});
        });
    std::vector<PriceLine> restorable;
    for (PriceLine& line : lines) {
        bool found = false;
        db.ForEach(current, {line.codigo}, [&](const Database::RowView& row) {
            const StoredArticle article = readArticle(row);
            found = true;
            line.descripcion = article.descripcion;
            line.codbarra = article.codbarra;
            if (article.prices == line.before) restorable.push_back(line);
            else
                undone.leftAlone.push_back(
                    {line.codigo, line.descripcion,
                     u"sus precios cambiaron después de la actualización"_s});
        });
        if (!found) undone.leftAlone.push_back({line.codigo, QString(), u"ya no existe"_s});
    }

    Transaction transaction(db);
    AppliedChange& applied = undone.applied;
    applied.number = recordChange(db, user, u"deshace la actualización %1"_s.arg(number),
                                  u"deshacer: "_s + header[0].value(0).toString(),
                                  int(restorable.size()), number);
    storeLines(db, applied.number, restorable);
    db.Writer(u"UPDATE historial.actualizaciones SET deshecha = ?1 WHERE numero = ?2"_s)(
        {applied.number, number});
    if (withLabels)
        std::tie(applied.labelsQueued, applied.labelsUpdated) = queueLabels(db, restorable);
    transaction.CommitTrans();
    applied.articles = int(restorable.size());
    return undone;
}

std::vector<LabelArticle> articlesForLabels(Database& articulos, const PriceSelection& selection)
{
    std::vector<LabelArticle> articles;
    const auto value = [](const Database::RowView& row, int column, bool number) {
        if (row.isNull(column)) return QVariant();
        return number ? QVariant(row.number(column)) : QVariant(row.text(column));
    };
    forEachChosen(
        articulos, selection, labelqueue::sqlList(true), 2, [&](const Database::RowView& row) {
            articles.push_back(
                {row.whole(0), value(row, 1, false), value(row, 2, false), value(row, 3, true)});
        });
    return articles;
}

namespace {

void checkLabelQuantity(int quantity)
{
    if (quantity < 1 || quantity > kMaxLabelsPerArticle)
        throw PriceChangeRefused(
            u"La cantidad por artículo va de 1 a %1."_s.arg(kMaxLabelsPerArticle));
}

// The article file as the label queue's connection sees it while labels are copied from it.
class AttachedArticles {
public:
    AttachedArticles(Database& etiquetas, const Database& articulos) : etiquetas_(etiquetas)
    {
        etiquetas_.Attach(articulos, u"origen"_s);
    }
    ~AttachedArticles()
    {
        // A failed detach leaves only an alias on the connection; nothing is written by it.
        try {
            etiquetas_.Detach(u"origen"_s);
        } catch (const EngineError&) {
        }
    }
    AttachedArticles(const AttachedArticles&) = delete;
    AttachedArticles& operator=(const AttachedArticles&) = delete;

private:
    Database& etiquetas_;
};

}  // namespace

qint64 countForLabels(Database& articulos, const PriceSelection& selection)
{
    if (!selection.description.trimmed().isEmpty())
        return qint64(articlesForLabels(articulos, selection).size());
    QVariantList params;
    const QString where = chosenWhere(selection, params);
    return articulos.Select(u"SELECT count(*) FROM articulos"_s + where, params)
        .value(0)
        .value(0)
        .toLongLong();
}

int queueArticleLabels(Database& etiquetas, const std::vector<LabelArticle>& articles, int quantity)
{
    checkLabelQuantity(quantity);
    const auto fitted = [](const QVariant& text, int length) {
        return text.isNull() ? text : QVariant(text.toString().left(length));
    };
    Transaction transaction(etiquetas);
    auto insert = etiquetas.Writer(
        u"INSERT INTO articulos (%1) VALUES (?1, ?2, ?3, ?4)"_s.arg(labelqueue::sqlList()));
    for (const LabelArticle& article : articles) {
        const QVariantList values = {
            article.codigo, fitted(article.codbarra, labelqueue::CodBarra.width),
            fitted(article.descripcion, labelqueue::Descripcion.width), article.lis1};
        for (int i = 0; i < quantity; ++i) insert(values);
    }
    transaction.CommitTrans();
    return int(articles.size()) * quantity;
}

int queueLabelsFor(Database& articulos, Database& etiquetas, const PriceSelection& selection,
                   int quantity)
{
    if (!selection.description.trimmed().isEmpty())
        return queueArticleLabels(etiquetas, articlesForLabels(articulos, selection), quantity);
    checkLabelQuantity(quantity);
    // Without a description, which only the program folds, SQL alone chooses the articles: one
    // INSERT ... SELECT over the article file attached to the queue's connection stores the same
    // labels queueArticleLabels would, in the same order, texts cut to the queue's widths,
    // without bringing a row into the program.
    QVariantList params;
    const QString where = chosenWhere(selection, params);
    params << quantity;
    const int copies = int(params.size());
    QStringList taken;
    for (const labelqueue::Column& column : labelqueue::columns) {
        const QString field = u"a."_s + column.articleField.toString();
        taken << (column.width ? u"substr(%1, 1, %2)"_s.arg(field).arg(column.width) : field);
    }
    // The copies of one article are the same row, so their order among themselves is no matter:
    // ordered by code alone, the articles are read in code order with no sort.
    const QString sql =
        u"WITH RECURSIVE copia(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM copia WHERE n < ?%1) "
        u"INSERT INTO main.articulos (%2) SELECT %3 FROM origen.articulos a CROSS JOIN copia%4 "
        u"ORDER BY a.codigo"_s.arg(copies)
            .arg(labelqueue::sqlList(), taken.join(u", "_s), where);
    const AttachedArticles attached(etiquetas, articulos);
    Transaction transaction(etiquetas);
    const int queued = etiquetas.Writer(sql)(params);
    transaction.CommitTrans();
    return queued;
}

}  // namespace articles
