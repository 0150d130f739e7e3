#include "articlemodel.h"

#include <bit>
#include <cmath>

#include "data/engine.h"
#include "data/numbertext.h"
#include "pricerules.h"

using namespace Qt::StringLiterals;

namespace articles {

namespace {

using F = ArticleField;

struct PriceList {
    ArticleField surcharge, price;
    bool fallsBackWhenEmpty;  // an empty surcharge reuses the one remembered from the last call
};
constexpr std::array<PriceList, 3> kPriceLists = {{
    {F::Rec1, F::Lis1, true},
    {F::Rec2, F::Lis2, false},
    {F::Rec3, F::Lis3, false},
}};

// The store order: texts, then the unit, the deposits, their total, the remaining numbers.
constexpr std::array kStoredTexts = {F::CodBarra, F::Descripcion, F::CodP, F::DesP,
                                     F::CodM,     F::DesM,        F::CodR, F::DesR};
constexpr std::array kDeposits = {F::Dep1, F::Dep2, F::Dep3};
constexpr std::array kStoredNumbers = {F::Min,  F::Ped,  F::Net,  F::Iva,  F::Cos, F::Rec1,
                                       F::Lis1, F::Rec2, F::Lis2, F::Rec3, F::Lis3};

// The load order: identity, then the unit, then the numbers.
constexpr std::array kLoadedBeforeUnit = {F::Codigo, F::Descripcion, F::CodBarra, F::CodP, F::DesP,
                                          F::CodM,   F::DesM,        F::CodR,     F::DesR};
constexpr std::array kLoadedAfterUnit = {F::Dep1, F::Dep2, F::Dep3, F::Min,  F::Ped,
                                         F::Net,  F::Iva,  F::Cos,  F::Rec1, F::Lis1,
                                         F::Rec2, F::Lis2, F::Rec3, F::Lis3};

bool isBlank(const QString& text) { return text.trimmed().isEmpty(); }

}  // namespace

// A stored value as the form shows it; an empty text for Null and empty values.
QString ArticleModel::shownText(const Field& field, ArticleField f)
{
    if (field.Type() == FieldType::Double) {
        const std::optional<double> number = field.number();
        if (!number) return QString();
        // Browsing shows mostly the same numbers again; each is written out once.
        ShownNumber& last = shownNumbers_[size_t(f)];
        if (last.text.isNull() ||
            std::bit_cast<quint64>(last.number) != std::bit_cast<quint64>(*number))
            last = {*number, numbertext::shortest(*number)};
        return last.text;
    }
    if (field.Type() == FieldType::Text) {
        if (const std::optional<QByteArrayView> stored = field.storedText()) {
            // Neighbouring articles share their supplier, brand and category: a text the
            // field showed last is not decoded again.
            ShownText& last = shownTexts_[size_t(f)];
            if (last.stored != *stored || last.text.isNull())
                last = {stored->toByteArray(), QString::fromUtf8(*stored)};
            return last.text;
        }
    }
    const QVariant value = field.Value();
    if (!value.isValid() || value.isNull()) return QString();
    switch (field.Type()) {
    case FieldType::Counter:
    case FieldType::Integer:
    case FieldType::Short:
        return QString::number(value.toLongLong());
    default:
        return value.toString();
    }
}

Field ArticleModel::field(Recordset& articulos, ArticleField f)
{
    return fieldNamed(articulos, columns_[size_t(f)], def(f).column);
}

Field ArticleModel::fieldNamed(Recordset& articulos, Column& column, const char16_t* name)
{
    // The position found last is checked by name, so another table's layout is never trusted.
    // A name that is still the very text found then (shared, and kept alive by `column`, so
    // no other text can take its place) needs no comparing.
    const std::vector<FieldDef>& fields = articulos.table().fields;
    if (column.at >= 0 && column.at < int(fields.size())) {
        const QString& found = fields[size_t(column.at)].name;
        if (found.constData() == column.name.constData()) return articulos.Fields(column.at);
        if (found.compare(QStringView(name), Qt::CaseInsensitive) == 0) {
            column.name = found;
            return articulos.Fields(column.at);
        }
    }
    column.at = articulos.table().fieldIndex(QStringView(name));
    if (column.at < 0) return articulos.Fields(QStringView(name));
    column.name = fields[size_t(column.at)].name;
    return articulos.Fields(column.at);
}

void ArticleModel::setText(ArticleField field, const QString& text)
{
    QString& current = texts_[size_t(field)];
    if (current == text) return;
    current = text;
    changes_.fields.set(size_t(field));
}

void ArticleModel::setTexts(const std::array<QString, kFieldCount>& texts)
{
    for (const ArticleFieldDef& s : fieldDefs()) setText(s.field, texts[size_t(s.field)]);
}

void ArticleModel::blank()
{
    for (const ArticleFieldDef& s : fieldDefs()) setText(s.field, QString());
}

void ArticleModel::startAfresh()
{
    blank();
    unit_ = Unit::None;
    captions_ = initialUnitCaptions();
    rememberedSurcharge_ = {};
    changes_.unit = true;
}

void ArticleModel::selectUnit(Unit unit)
{
    Q_ASSERT(unit != Unit::None);
    // The captions follow the unit alone: the same unit again changes nothing.
    if (unit == unit_) return;
    unit_ = unit;
    captions_.fill(QString::fromUtf16(def(unit).code));
    changes_.unit = true;
}

Outcome ArticleModel::refuse(BadInput kind, ArticleField field, int width)
{
    return {field, kind, width, QString()};
}

std::optional<double> ArticleModel::number(ArticleField field) const
{
    return numbertext::parse(text(field));
}

Outcome ArticleModel::CalculoNeto()
{
    // Everything is checked before anything changes, so a refusal leaves the fields as they were.
    const bool noRate = isBlank(text(F::Iva));
    const std::optional<double> rate = noRate ? 0.0 : number(F::Iva);
    if (!rate) return refuse(BadInput::NotANumber, F::Iva);
    if (isBlank(text(F::Cos))) return refuse(BadInput::MissingPrice, F::Cos);
    const std::optional<double> cost = number(F::Cos);
    if (!cost) return refuse(BadInput::NotANumber, F::Cos);

    if (*rate / 100 + 1 == 0) return refuse(BadInput::OutOfRange, F::Iva);
    const std::optional<double> net = netPrice(*cost, *rate);
    if (!net) return refuse(BadInput::OutOfRange, F::Cos);

    if (noRate) setText(F::Iva, u"0"_s);
    setText(F::Net, numbertext::fixed(*net));
    return {};
}

Outcome ArticleModel::enterCost()
{
    if (text(F::Cos).isEmpty()) return {};
    if (const Outcome outcome = CalculoNeto(); !outcome.ok()) return outcome;
    const QString cost = numbertext::fixed(*numbertext::parse(text(F::Cos)));
    setText(F::Cos, cost);
    // List 1 is the price the shelf labels carry. A new cost makes the list 1 price computed
    // from the old one stale, so list 1 takes the bare cost until Enter in its surcharge
    // (further down the same entry) adds the surcharge: a label never shows a price of a cost
    // that has changed, nor none at all for a new article.
    setText(F::Lis1, cost);
    return {};
}

Outcome ArticleModel::CalculoLista1() { return calculoLista(0); }
Outcome ArticleModel::CalculoLista2() { return calculoLista(1); }
Outcome ArticleModel::CalculoLista3() { return calculoLista(2); }

Outcome ArticleModel::calculoLista(int list)
{
    const PriceList& p = kPriceLists[size_t(list)];
    double surcharge = rememberedSurcharge_[size_t(list)];
    if (!isBlank(text(p.surcharge))) {
        const std::optional<double> typed = number(p.surcharge);
        if (!typed) return refuse(BadInput::NotANumber, p.surcharge);
        surcharge = *typed;
    } else if (!p.fallsBackWhenEmpty) {
        return refuse(BadInput::Missing, p.surcharge);
    }
    if (isBlank(text(F::Cos))) return refuse(BadInput::MissingPrice, F::Cos);
    const std::optional<double> cost = number(F::Cos);
    if (!cost) return refuse(BadInput::NotANumber, F::Cos);

    const std::optional<double> price = listPrice(*cost, surcharge);
    if (!price) return refuse(BadInput::OutOfRange, p.surcharge);

    rememberedSurcharge_[size_t(list)] = surcharge;
    setText(p.price, numbertext::fixed(*price));
    return {};
}

void ArticleModel::ControloVacios()
{
    for (const ArticleFieldDef& s : fieldDefs())
        if (s.emptyDefault && text(s.field).isEmpty())
            setText(s.field, QString::fromUtf16(s.emptyDefault));
}

namespace {

// The cost and the prices, which a sale can never take below zero (the surcharges may be
// discounts).
bool isPrice(ArticleField f)
{
    using F = ArticleField;
    return f == F::Cos || f == F::Net || f == F::Lis1 || f == F::Lis2 || f == F::Lis3;
}

}  // namespace

Outcome ArticleModel::CargoBaseDatos(Recordset& articulos)
{
    // Check every field against its column before the first write, so bad input leaves the
    // pending record untouched.
    std::array<QVariant, kFieldCount> values;
    auto check = [&](ArticleField f) -> std::optional<Outcome> {
        const Field field = this->field(articulos, f);
        const QString& typed = text(f);
        if (field.Type() == FieldType::Text) {
            if (typed.size() > field.Size()) return refuse(BadInput::TooLong, f, field.Size());
            values[size_t(f)] = typed;
            return std::nullopt;
        }
        const std::optional<double> n = number(f);
        if (!n) return refuse(isBlank(typed) ? BadInput::Missing : BadInput::NotANumber, f);
        if (*n < 0 && isPrice(f)) return refuse(BadInput::Negative, f);
        values[size_t(f)] = *n;
        return std::nullopt;
    };
    for (ArticleField f : kStoredTexts)
        if (auto refused = check(f)) return *refused;
    for (ArticleField f : kDeposits)
        if (auto refused = check(f)) return *refused;
    for (ArticleField f : kStoredNumbers)
        if (auto refused = check(f)) return *refused;

    auto store = [&](ArticleField f) { field(articulos, f).setValue(values[size_t(f)]); };
    for (ArticleField f : kStoredTexts) store(f);
    if (unit_ != Unit::None) articulos.Fields(u"uni").setValue(QString::fromUtf16(def(unit_).code));
    for (ArticleField f : kDeposits) store(f);
    // The total is read back from the pending record, as the deposits now stand there.
    double total = 0;
    for (ArticleField f : kDeposits) total += field(articulos, f).Value().toDouble();
    articulos.Fields(u"dept").setValue(total);
    for (ArticleField f : kStoredNumbers) store(f);
    return {};
}

void ArticleModel::CargoDesdeBaseDatos(Recordset& articulos)
{
    std::array<QString, kFieldCount> loaded;
    for (ArticleField f : kLoadedBeforeUnit) loaded[size_t(f)] = shownText(field(articulos, f), f);
    selectStoredUnit(articulos);
    for (ArticleField f : kLoadedAfterUnit) loaded[size_t(f)] = shownText(field(articulos, f), f);
    setTexts(loaded);
}

void ArticleModel::selectStoredUnit(Recordset& articulos)
{
    const Field code = fieldNamed(articulos, unitColumn_, u"uni");
    // The codes are ASCII, so the stored bytes compare as Latin-1 text; a text being edited
    // is read through its value.
    const std::optional<QByteArrayView> stored = code.storedText();
    const QVariant value = stored ? QVariant() : code.Value();
    if (!stored && value.typeId() != QMetaType::QString) return;
    for (const UnitDef& u : unitDefs()) {
        const bool same = stored ? QLatin1StringView(*stored) == QStringView(u.code)
                                 : value.toString() == QStringView(u.code);
        if (same) selectUnit(u.unit);
    }
}

}  // namespace articles
