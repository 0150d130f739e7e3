#include "partylayout.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <cmath>

#include "formbuttons.h"

using namespace Qt::StringLiterals;

namespace parties {

PartyWindow buildPartyWindow(QWidget* form, const std::vector<PartyField>& fields)
{
    auto* column = new QVBoxLayout(form);
    auto* head = new QHBoxLayout;
    head->addStretch();
    auto* date = new QLineEdit(form);
    date->setObjectName(u"Text17"_s);
    date->setEnabled(false);
    date->setFixedWidth(date->fontMetrics().horizontalAdvance(u"00/00/0000"_s) * 3 / 2);
    head->addWidget(date);
    column->addLayout(head);

    auto* upperFrame = new QGroupBox(form);
    upperFrame->setObjectName(u"Frame1"_s);
    auto* upper = new QGridLayout(upperFrame);
    auto* lowerFrame = new QGroupBox(form);
    lowerFrame->setObjectName(u"Frame2"_s);
    auto* lower = new QGridLayout(lowerFrame);
    // Room to spare goes to the right of the lower fields, not between labels and fields.
    lower->setColumnStretch(4, 1);
    column->addWidget(upperFrame);
    column->addWidget(lowerFrame);

    // Two label-field pairs a row; the code field's row also holds the lookup button.
    int upperCount = 0, lowerCount = 0;
    for (const PartyField& field : fields) {
        QGridLayout* grid = field.lowerFrame ? lower : upper;
        int& count = field.lowerFrame ? lowerCount : upperCount;
        QWidget* frame = field.lowerFrame ? lowerFrame : upperFrame;
        QWidget* entry;
        if (field.name.startsWith(u"Combo"_s)) {
            auto* combo = new QComboBox(frame);
            combo->setEditable(true);
            entry = combo;
        } else {
            entry = new QLineEdit(frame);
        }
        entry->setObjectName(field.name);
        auto* label = new QLabel(field.label, frame);
        label->setBuddy(entry);
        if (field.ownRow && count % 2 == 1) ++count;
        const int row = count / 2, col = (count % 2) * 2;
        grid->addWidget(label, row, col);
        if (count == 0 && !field.lowerFrame) {
            auto* inner = new QHBoxLayout;
            inner->addWidget(forms::makePictureButton(u"Command5"_s, frame));
            inner->addWidget(entry);
            inner->addStretch();
            grid->addLayout(inner, row, col + 1);
        } else if (field.ownRow) {
            grid->addWidget(entry, row, col + 1, 1, 3);
            ++count;
        } else {
            grid->addWidget(entry, row, col + 1);
        }
        ++count;
    }

    auto* commands = new QGroupBox(form);
    commands->setObjectName(u"Frame3"_s);
    auto* row = new QHBoxLayout(commands);
    for (const forms::CommandButton& button : forms::commandButtons())
        row->addWidget(forms::makeCommandButton(button, commands));
    column->addWidget(commands);

    // Tab order follows the ring.
    QWidget* previous = nullptr;
    for (const PartyField& field : fields) {
        QWidget* entry = form->findChild<QWidget*>(field.name);
        if (previous) QWidget::setTabOrder(previous, entry);
        previous = entry;
    }
    return {head, upper, upperFrame};
}

std::vector<forms::FormField> ringOf(const std::vector<PartyField>& fields)
{
    std::vector<forms::FormField> ring;
    for (const PartyField& field : fields) ring.push_back({field.name, field.tableField, field.flags});
    return ring;
}

int boxWidth(const QWidget* box, int characters)
{
    // What a clerk types: upper-case letters and digits, on average.
    const QFontMetricsF metrics(box->font());
    const double perCharacter = metrics.horizontalAdvance(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"_s) / 36;
    // The frame on both sides, the text margins and the cursor.
    const int frame = 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box) + 8;
    return int(std::ceil(perCharacter * characters)) + frame;
}

void fitFieldWidths(QWidget* form, const std::vector<PartyField>& fields)
{
    for (const PartyField& field : fields) {
        QWidget* box = form->findChild<QWidget*>(field.name);
        if (auto* list = qobject_cast<QComboBox*>(box)) {
            // Room for the list's arrow besides the text.
            const int arrow = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list) + 8;
            list->setFixedWidth(boxWidth(list, list->lineEdit()->maxLength()) + arrow);
        } else if (auto* edit = qobject_cast<QLineEdit*>(box)) {
            edit->setFixedWidth(boxWidth(edit, edit->maxLength()));
        }
    }
}

void fillTaxConditions(QComboBox* list, const QString& fifthEntry)
{
    if (list->count() > 0) return;
    // Adding items to an empty list would show the first; the field keeps what it shows.
    const QString shown = list->currentText();
    list->addItems({u"RESP. INSCRIPTO"_s, u"RESP. NO INSCR."_s, u"MONOTRIBUTO"_s, u"CONS. FINAL"_s, fifthEntry});
    list->setCurrentIndex(-1);
    list->setEditText(shown);
}

}  // namespace parties
