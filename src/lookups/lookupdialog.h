#pragma once
// The lookup dialog: searches one table by name or description, lists codes and names, and
// writes the chosen code into its caller's box. One class serves the twelve members.

#include <QDialog>
#include <QPointer>
#include <memory>
#include <optional>
#include <vector>

#include "members.h"
#include "textwidth.h"

class QLineEdit;
class QTableView;
class Database;

namespace lookups {

class LookupGrid;

class LookupDialog : public QDialog {
    Q_OBJECT
public:
    // Opens the member's file with its own password. Throws EngineError when the file, its
    // password, the table or one of its fields fails; nothing then stays open.
    LookupDialog(const Member& member, QLineEdit* target, QWidget* parent = nullptr);
    ~LookupDialog() override;

    const Member& member() const { return member_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    // Lists the matches of the search box's text; an engine failure shows the error box and
    // closes the dialog.
    void search();
    // Writes the code of `row` into the target box and closes.
    void choose(int row);
    void setCurrentCell(int row, int column);
    bool searchBoxKey(class QKeyEvent* key);
    bool gridKey(class QKeyEvent* key);
    void layOutGrid();
    // Widens the headed columns to the found texts within the grid's width.
    void fitColumns();
    int initialWidth() const;

    const Member& member_;
    QPointer<QLineEdit> target_;
    std::shared_ptr<Database> file_;
    std::vector<int> headerWidths_;             // by column; 0 for the unheaded ones
    std::optional<TextWidthBound> widthBound_;  // for the grid's font

    QLineEdit* Text1;
    QTableView* MSFlexGrid1;
    LookupGrid* grid_;
};

}  // namespace lookups
