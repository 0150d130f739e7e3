#include "lookupdialog.h"

#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include "data/articlesearch.h"
#include "data/catalogue.h"
#include "data/engine.h"
#include "lookupgrid.h"
#include "shell/espere.h"
#include "shell/msgbox.h"
#include "shell/twips.h"

using namespace Qt::StringLiterals;

namespace lookups {

namespace {

// Opens `member`'s file as every window of the system does and checks that its table and
// fields are there, so that a broken file fails at opening rather than at the first search.
std::shared_ptr<Database> openFile(const Member& member)
{
    auto database = catalogue::open(member.fileName);
    const TableDef* table = database->tableDef(member.table);
    if (!table) throw EngineError(EngineErrorCode::TableNotFound, member.table);
    for (const QString& field :
         QStringList{member.codeField, member.searchField} + member.moreFields)
        if (table->fieldIndex(field) < 0) throw EngineError(EngineErrorCode::FieldNotFound, field);
    return database;
}

}  // namespace

LookupDialog::LookupDialog(const Member& member, QLineEdit* target, QWidget* parent)
    : QDialog(parent), member_(member), target_(target)
{
    file_ = openFile(member_);

    setObjectName(member_.name);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(member_.caption);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(u"Text1"_s);
    QFont bold = Text1->font();
    bold.setBold(true);
    Text1->setFont(bold);
    QPalette blue = Text1->palette();
    blue.setColor(QPalette::Text, QColor(0, 0, 255));
    Text1->setPalette(blue);
    Text1->installEventFilter(this);
    // The box has no caption beside it: a screen reader hears it by the dialog's ("Buscar Marca").
    Text1->setAccessibleName(member_.caption);

    grid_ = new LookupGrid(member_, this);
    MSFlexGrid1 = new QTableView(this);
    MSFlexGrid1->setObjectName(u"MSFlexGrid1"_s);
    MSFlexGrid1->setModel(grid_);
    MSFlexGrid1->installEventFilter(this);
    MSFlexGrid1->viewport()->installEventFilter(this);
    layOutGrid();
    if (member_.doubleClickChooses)
        connect(MSFlexGrid1, &QTableView::doubleClicked, this,
                [this](const QModelIndex& index) { choose(index.row()); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Text1);
    layout->addWidget(MSFlexGrid1);
    resize(initialWidth(), twips::toPixelsY(6000));
    Text1->setFocus();
}

LookupDialog::~LookupDialog() = default;

void LookupDialog::layOutGrid()
{
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    MSFlexGrid1->setTabKeyNavigation(false);
    // Column 0 is the fixed unlabelled column: the row header, which never scrolls away.
    MSFlexGrid1->setColumnHidden(0, true);
    QHeaderView* rowHeader = MSFlexGrid1->verticalHeader();
    rowHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowHeader->setDefaultSectionSize(MSFlexGrid1->fontMetrics().height() + 4);
    rowHeader->setFixedWidth(twips::toPixelsX(400));
    // Each header text's blanks set its column's width.
    QHeaderView* header = MSFlexGrid1->horizontalHeader();
    header->setHighlightSections(false);
    const QFontMetrics metrics(header->font());
    const QStringList headers = member_.headers();
    headerWidths_.assign(size_t(headers.size()), 0);
    for (int column = 1; column < headers.size(); ++column) {
        // The unheaded columns never hold anything: hidden, the grid never scrolls sideways to
        // them.
        MSFlexGrid1->setColumnHidden(column, headers[column].isEmpty());
        if (headers[column].isEmpty()) continue;
        headerWidths_[size_t(column)] = metrics.horizontalAdvance(headers[column]) + 8;
        header->resizeSection(column, headerWidths_[size_t(column)]);
    }
}

void LookupDialog::fitColumns()
{
    // A headed column is as wide as its header or its longest text, whichever is wider. The
    // searched column (the name or description, whose header's blanks only ask for room)
    // takes what the others leave of the grid, so that a row shows whole without scrolling
    // sideways; a name longer than that is cut.
    constexpr int kSearched = 2;
    if (!widthBound_ || widthBound_->font() != MSFlexGrid1->font())
        widthBound_.emplace(MSFlexGrid1->font());
    std::vector<int> fitted;
    for (int column = 1; column < int(headerWidths_.size()); ++column)
        if (headerWidths_[size_t(column)] != 0 && column != kSearched) fitted.push_back(column);
    const std::vector<int> widest = grid_->widestTexts(fitted, *widthBound_);
    const int margins =
        2 * (MSFlexGrid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, MSFlexGrid1) +
             1) +
        2;
    const int least = twips::toPixelsX(1000);
    const int room = std::max(MSFlexGrid1->viewport()->width(), least);
    int used = 0;
    for (size_t i = 0; i < fitted.size(); ++i) {
        const int width =
            std::min(std::max(headerWidths_[size_t(fitted[i])], widest[i] + margins), room);
        MSFlexGrid1->setColumnWidth(fitted[i], width);
        used += width;
    }
    MSFlexGrid1->setColumnWidth(kSearched, std::max(room - used, least));
}

int LookupDialog::initialWidth() const
{
    // Wide enough to show every headed column, within the screen.
    int width = MSFlexGrid1->verticalHeader()->width() +
                MSFlexGrid1->verticalScrollBar()->sizeHint().width() +
                4 * MSFlexGrid1->frameWidth();
    const QStringList headers = member_.headers();
    for (int column = 1; column < headers.size(); ++column)
        if (!headers[column].isEmpty()) width += MSFlexGrid1->columnWidth(column);
    const QMargins margins = layout()->contentsMargins();
    width += margins.left() + margins.right();
    const QScreen* screen = this->screen();
    const int available = screen ? screen->availableGeometry().width() : width;
    return std::clamp(width, twips::toPixelsX(9600), std::max(available, twips::toPixelsX(9600)));
}

bool LookupDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && watched == MSFlexGrid1->viewport()) fitColumns();
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == Text1) return searchBoxKey(key);
        if (watched == MSFlexGrid1) return gridKey(key);
    }
    if (event->type() == QEvent::InputMethod && watched == Text1) {
        // Composed text (a dead key's accent with its letter) goes in upper case too.
        auto* input = static_cast<QInputMethodEvent*>(event);
        const QString upper = input->commitString().toUpper();
        if (upper != input->commitString())
            input->setCommitString(upper, input->replacementStart(), input->replacementLength());
    }
    return QDialog::eventFilter(watched, event);
}

bool LookupDialog::searchBoxKey(QKeyEvent* key)
{
    setCurrentCell(0, 1);
    switch (key->key()) {
    case Qt::Key_Escape:
        reject();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        search();
        return true;
    default:
        break;
    }
    // Typed letters go in upper case; pasted text keeps its own.
    const QString typed = key->text();
    if (typed.size() == 1 && typed[0].isPrint() && typed != typed.toUpper() &&
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        Text1->insert(typed.toUpper());
        return true;
    }
    return false;
}

bool LookupDialog::gridKey(QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Escape:
        reject();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        choose(std::max(MSFlexGrid1->currentIndex().row(), 0));
        return true;
    case Qt::Key_Backspace:
        Text1->setFocus();
        Text1->selectAll();
        return true;
    default:
        return false;
    }
}

void LookupDialog::setCurrentCell(int row, int column)
{
    MSFlexGrid1->setCurrentIndex(grid_->index(row, column));
}

void LookupDialog::search()
{
    if (!file_) return;  // a key still queued after the dialog closed
    QList<QVariantList> rows;
    const QStringList columns =
        QStringList{member_.codeField, member_.searchField} + member_.moreFields;
    try {
        if (member_.layout == Layout::Article) {
            // The articles are searched case and accents aside, through their index, which is
            // made again first (under the wait window) when missing or out of date.
            if (Text1->text().size() >= 3) {
                std::optional<EspereMientras> wait;
                articlesearch::prepare(*file_, [&](qint64, qint64) {
                    if (!wait) wait.emplace(this);
                });
            }
            rows = articlesearch::find(*file_, Text1->text(), columns, member_.dataRows());
        } else {
            rows = file_->FindContaining(member_.table, member_.searchField, Text1->text(), columns,
                                         member_.dataRows());
        }
    } catch (const EngineError& error) {
        ShowErrorBox(error, this);
        reject();
        return;
    }
    const bool full = rows.size() >= member_.dataRows();
    grid_->setRows(std::move(rows));
    fitColumns();
    setCurrentCell(0, 1);
    MSFlexGrid1->scrollToTop();
    // A full grid leaves the focus in the search box for a narrower search.
    if (!full) MSFlexGrid1->setFocus();
}

void LookupDialog::choose(int row)
{
    setCurrentCell(row, 1);
    const QString code = grid_->cellText(row, 1);
    QPointer<QLineEdit> target = target_;
    if (target) target->setText(code);
    accept();
    if (!target) return;
    target->window()->activateWindow();
    target->setFocus();
    target->setSelection(0, int(target->text().size()));
}

void LookupDialog::done(int result)
{
    // The file is let go as soon as the dialog closes, not when it is finally deleted.
    file_.reset();
    QDialog::done(result);
}

}  // namespace lookups
