#pragma once
// Changing the prices of many articles at once: which articles (a supplier, a brand, a
// category, a text in the description, a range of codes), what changes (the cost or one
// list's price by a percentage, or one list's surcharge), how the list prices are rounded; a
// review of every change before anything is stored; one transaction that stores the prices,
// the record of the change in the price history and, if asked, the shelf labels; and the undo
// of a recorded change. Also the shelf labels of chosen articles queued without a change, many
// per article. Without widgets: the price window, the label queue and valdrameno-admin share it.

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <array>
#include <exception>
#include <optional>
#include <vector>

#include "pricerules.h"

class Database;

namespace articles {

// A code of a supplier, brand or category as the files keep it: digits typed as a clerk
// types them ("3") padded to four ("0003"); any other text as typed.
QString storedPartyCode(const QString& typed);

// Which articles change. Empty conditions hold for every article; the others all hold.
struct PriceSelection {
    QString supplier, brand, category;  // codes as stored ("0003")
    QString description;                // contained in the description, case and accents aside
    std::optional<qint64> fromCode, toCode;
    // In words for the history: "proveedor 0003, rubro 0002" or "todos los artículos".
    QString describe() const;
};

// A text folded for searching, as the article lookups fold it (articlesearch::fold): upper
// case, accents removed ("Azúcar" → "AZUCAR"), Ñ kept apart from N.
QString foldForSearch(const QString& text);

enum class PriceChangeKind {
    CostPercent,    // the cost by a percentage; NETO and the three lists follow it
    ListPercent,    // one list's price by a percentage; the cost stays
    ListSurcharge,  // one list's surcharge set; its price follows from the cost
};

struct PriceChange {
    PriceChangeKind kind = PriceChangeKind::CostPercent;
    int list = 1;          // 1 to 3, for the list kinds
    double value = 0;      // the percentage, or the surcharge
    qint64 stepCents = 1;  // list prices rounded to this step: 1 (the cent), 5, 10, 100, 500...
    RoundingDirection direction = RoundingDirection::Nearest;
    // In words for the history: "costo +8 %, redondeo a 10 pesos hacia arriba".
    QString describe() const;
};

// The rounding steps the window offers, in cents, and how each reads.
struct RoundingStep {
    qint64 cents;
    QString caption;  // "sin redondeo", "0,05", "10"...
};
const std::vector<RoundingStep>& roundingSteps();

// An article's stored prices. Empty fields (Null) read as 0.
struct StoredPrices {
    double cos = 0, net = 0;
    std::array<double, 3> rec{}, lis{};
    bool operator==(const StoredPrices&) const = default;
};

struct PriceLine {
    qint64 codigo = 0;
    QString descripcion, codbarra;
    StoredPrices before, after;
    // The change of the list 1 price, in percent (of the cost when list 1 had no price).
    double changePercent() const;
};

struct LeftOutArticle {
    qint64 codigo = 0;
    QString descripcion;
    QString reason;  // "sin costo", "el precio de la lista 2 quedaría en cero o negativo"...
};

// What a change would do, for the review; what apply stores.
struct PriceReview {
    QString conditions;  // PriceSelection::describe(), or the imported file's name
    PriceChange change;
    std::vector<PriceLine> lines;
    std::vector<LeftOutArticle> leftOut;
    double list1Before = 0, list1After = 0;  // sums over the lines
};

// The review of `change` on the articles of `articulos` (Articulos.mdb) that `selection`
// chooses, in code order. Articles without a cost, or whose new cost or price would be zero or
// less, are left out with the reason. Reads only. Throws EngineError.
PriceReview reviewPriceChange(Database& articulos, const PriceSelection& selection,
                              const PriceChange& change);

// The same for new costs given per article (a supplier's price list): each listed article gets
// its cost, then NETO and the three lists as for a cost change, rounded as `rounding` says.
struct NewCost {
    qint64 codigo;
    double cost;
};
PriceReview reviewNewCosts(Database& articulos, const std::vector<NewCost>& costs,
                           const PriceChange& rounding, const QString& conditions);

struct AppliedChange {
    qint64 number = 0;  // the change's number in the price history
    int articles = 0;
    int labelsQueued = 0;  // new labels; queued articles whose price was updated not counted
    int labelsUpdated = 0;
};

// Stores `review` in one transaction over Articulos.mdb, the price history (created on first
// use) and, when `queueLabels`, Etiquetas.mdb: every line's new prices, the history's record of
// the change by `user`, and a label per changed article with its new list 1 price (a queued
// article's label gets the new price instead). An article whose prices differ from the
// review's (changed meanwhile) stores nothing at all: throws PriceChangeRefused. Throws
// EngineError; in either case no file changed.
AppliedChange applyPriceChange(const PriceReview& review, const QString& user, bool queueLabels);

// A refusal to store, in words for the user.
class PriceChangeRefused : public std::exception {
public:
    explicit PriceChangeRefused(QString message) : message_(std::move(message)) {}
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return "price change refused"; }

private:
    QString message_;
};

// One recorded change, as the history lists it.
struct PriceHistoryEntry {
    qint64 number = 0;
    QDateTime when;
    QString user, conditions, rule;
    int articles = 0;
    qint64 undoes = 0;    // the change this one undid; 0 for a change of prices
    qint64 undoneBy = 0;  // the change that undid this one; 0 while none has
};

// The recorded changes, newest first; none while the history file does not exist. Throws
// EngineError.
std::vector<PriceHistoryEntry> priceHistory();

struct UndoneChange {
    AppliedChange applied;                  // the undo, itself recorded
    std::vector<LeftOutArticle> leftAlone;  // changed since, or deleted: not touched
};

// Puts back the old prices of change `number` for its articles whose prices are still the ones
// it stored, in one transaction, and records the undo (with labels as applyPriceChange). Throws
// PriceChangeRefused for an unknown change or one already undone; EngineError otherwise.
UndoneChange undoPriceChange(qint64 number, const QString& user, bool queueLabels);

// ---------------------------------------------------------------- labels without a change

// The labels queued for one article go from one to this many, one per unit on the shelf.
constexpr int kMaxLabelsPerArticle = 999;

// An article as its label shows it; an empty field stays Null (QVariant()).
struct LabelArticle {
    qint64 codigo = 0;
    QVariant codbarra, descripcion, lis1;
};

// The articles `selection` chooses, in code order, as reviewPriceChange chooses them. Reads
// only. Throws EngineError.
std::vector<LabelArticle> articlesForLabels(Database& articulos, const PriceSelection& selection);

// How many articles `selection` chooses (articlesForLabels' count, read without the articles
// when there is no description to match). Throws EngineError.
qint64 countForLabels(Database& articulos, const PriceSelection& selection);

// Queues `quantity` labels of each article in the label table of `etiquetas` (Etiquetas.mdb),
// in the articles' order, with its list 1 price: one transaction, so all or none. Returns the
// labels queued. Throws PriceChangeRefused for a quantity outside 1 to kMaxLabelsPerArticle;
// EngineError otherwise.
int queueArticleLabels(Database& etiquetas, const std::vector<LabelArticle>& articles,
                       int quantity);

// Both at once: the labels of the articles `selection` chooses, in one SQL statement when
// there is no description to match.
int queueLabelsFor(Database& articulos, Database& etiquetas, const PriceSelection& selection,
                   int quantity);

}  // namespace articles
