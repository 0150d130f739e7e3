#pragma once
// The twelve lookup dialogs of the store as data: each one's caption, file, table, grid
// layout, the fields it shows and how it is shown.

#include <QString>
#include <QStringList>
#include <vector>

namespace lookups {

enum class Layout { Catalogue, Party, Article };

// How column 1 shows the code: as stored, or a numeric code padded to 4 or 8 digits.
enum class CodeFormat { AsStored, FourDigits, EightDigits };

// How the caller opened the dialog; one member is modal from its button, modeless from Esc.
enum class OpenedBy { SearchButton, EscapeKey };

struct Member {
    QString name;  // the dialog's name, "ConsuMarcas"
    QString caption;
    QString fileName;  // a file of the database folder, opened with its own password
    QString table;
    Layout layout;
    QString codeField;  // column 1
    CodeFormat codeFormat;
    QString searchField;        // column 2, the searched field
    QStringList moreFields{};   // columns 3, 4, 5 (fewer leave the rest empty)
    int leftAlignedColumn = 0;  // the one column set left-aligned, 0 for none
    bool modalFromButton = true;
    bool modalFromEscape = true;
    bool marksRemito = false;         // customer rows whose CUIT holds "remito" drawn in blue
    bool doubleClickChooses = false;  // a double-click chooses the row (article members)

    bool isModal(OpenedBy how) const
    {
        return how == OpenedBy::SearchButton ? modalFromButton : modalFromEscape;
    }
    // Data rows of the grid, which is also the most a search lists (499 or 999).
    int dataRows() const;
    int columnCount() const;  // with the fixed column 0: 6 or 8
    // Header texts of columns 0 to the last; their blanks set the columns' widths.
    QStringList headers() const;
};

const std::vector<Member>& members();
// The member of that name, nullptr when there is none.
const Member* findMember(QStringView name);

}  // namespace lookups
