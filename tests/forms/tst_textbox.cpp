// The forms' text box against a plain line edit: it must look and edit exactly as one does.

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTest>

#include "forms/textbox.h"
#include "scenario.h"
#include "tests.h"

using namespace Qt::StringLiterals;
using fixture::activate;
using forms::TextBox;

namespace {

enum Setting {
    Plain = 0,
    RightAligned = 1,
    Centred = 2,
    Disabled = 4,
    ReadOnly = 8,
    PriceFont = 16,
    Selected = 32
};

// Gives `box` the look one case asks for.
void setUp(QLineEdit* box, int settings, const QString& text)
{
    box->resize(120, 21);
    QFont font = box->font();
    font.setStyleStrategy(QFont::PreferNoShaping);
    if (settings & PriceFont) {
        font.setPointSize(12);
        font.setBold(true);
        QPalette colours = box->palette();
        colours.setColor(QPalette::Base, Qt::lightGray);
        colours.setColor(QPalette::Text, Qt::red);
        box->setPalette(colours);
    }
    box->setFont(font);
    if (settings & RightAligned) box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (settings & Centred) box->setAlignment(Qt::AlignCenter);
    box->setEnabled(!(settings & Disabled));
    box->setReadOnly(settings & ReadOnly);
    box->setText(text);
    if (settings & Selected) box->setSelection(1, 3);
}

// Types `keys` into `box`: characters as typed, and "<Left>"-style names for keys.
void type(QLineEdit* box, const QStringList& keys)
{
    for (const QString& key : keys) {
        if (key == u"<Left>") QTest::keyClick(box, Qt::Key_Left);
        else if (key == u"<ShiftHome>") QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier);
        else if (key == u"<End>") QTest::keyClick(box, Qt::Key_End);
        else if (key == u"<Backspace>") QTest::keyClick(box, Qt::Key_Backspace);
        else if (key == u"<Undo>") QTest::keySequence(box, QKeySequence::Undo);
        else QTest::keyClicks(box, key);
    }
}

}  // namespace

class TextBoxTest : public QObject {
    Q_OBJECT
private slots:
    void paintsAsALineEdit_data();
    void paintsAsALineEdit();
    void standsOnItsGroundAsALineEdit();
    void editsAsALineEdit_data();
    void editsAsALineEdit();
    void paintsItsTextOnlyWithoutTheFocus();
    void takesTheInputMethodsText();
    void readByAScreenReaderStartedLater();
    void showsALoadedTextAsALineEdit_data();
    void showsALoadedTextAsALineEdit();
    void keySentWithoutFocusLeavesItPaintingItsText();
};

void TextBoxTest::paintsAsALineEdit_data()
{
    QTest::addColumn<int>("settings");
    QTest::addColumn<QString>("text");
    const QString longText = u"DESCRIPCION MUY LARGA QUE NO ENTRA EN LA CAJA DE TEXTO 123456"_s;
    QTest::newRow("empty") << int(Plain) << QString();
    QTest::newRow("short") << int(Plain) << u"ACEITE 1,5 L"_s;
    QTest::newRow("right") << int(RightAligned) << u"121,00"_s;
    QTest::newRow("centred") << int(Centred) << u"0012"_s;
    QTest::newRow("too long, its end shown") << int(Plain) << longText;
    QTest::newRow("too long, right-aligned") << int(RightAligned) << longText;
    QTest::newRow("disabled") << int(Disabled) << u"10/12/2026"_s;
    QTest::newRow("read-only") << int(ReadOnly) << u"DEPOSITO"_s;
    QTest::newRow("price font") << int(PriceFont) << u"1234,56"_s;
    QTest::newRow("selection without focus") << int(Selected) << u"ABCDEF"_s;
    QTest::newRow("control characters") << int(Plain) << u"A\tB\u0001C\u2028D"_s;
    QTest::newRow("accents") << int(Plain) << u"ÑANDÚ ÁCIDO Ü"_s;
}

void TextBoxTest::paintsAsALineEdit()
{
    QFETCH(int, settings);
    QFETCH(QString, text);
    QLineEdit plain;
    TextBox box;
    setUp(&plain, settings, text);
    setUp(&box, settings, text);
    QVERIFY(box.paintsItsText());
    const QImage expected = plain.grab().toImage();
    const QImage painted = box.grab().toImage();
    QCOMPARE(painted.size(), expected.size());
    QVERIFY2(painted == expected, "the box does not look as a line edit does");
}

// Standing on a filled window, or in a group inside one, the box shows what a line edit shows
// there, round its corners included, though it paints the ground under it itself.
void TextBoxTest::standsOnItsGroundAsALineEdit()
{
    for (const bool inGroup : {false, true}) {
        QWidget window;
        window.resize(320, 120);
        QPalette olive = window.palette();
        olive.setColor(QPalette::Window, QColor(192, 192, 0));
        window.setPalette(olive);
        window.setAutoFillBackground(true);
        QWidget* holder = &window;
        if (inGroup) {
            auto* group = new QGroupBox(u"Datos:"_s, &window);
            group->setGeometry(5, 5, 310, 110);
            holder = group;
        }
        auto* plain = new QLineEdit(u"ACEITE"_s, holder);
        auto* box = new TextBox(holder);
        box->setText(u"ACEITE"_s);
        plain->setGeometry(20, 40, 120, 21);
        box->setGeometry(160, 40, 120, 21);
        window.show();
        const QImage shown = window.grab().toImage();
        const QRect plainAt(plain->mapTo(&window, QPoint(0, 0)), plain->size());
        const QRect boxAt(box->mapTo(&window, QPoint(0, 0)), box->size());
        QVERIFY2(shown.copy(boxAt) == shown.copy(plainAt),
                 inGroup ? "in a group" : "on the window");
    }
}

void TextBoxTest::editsAsALineEdit_data()
{
    QTest::addColumn<bool>("focused");
    QTest::addColumn<QStringList>("keys");
    for (const bool focused : {true, false}) {
        const char* tag = focused ? "with focus: " : "sent without focus: ";
        QTest::addRow("%stype", tag) << focused << QStringList{u"ABC"_s};
        QTest::addRow("%sinsert in the middle", tag)
            << focused << QStringList{u"ABCD"_s, u"<Left>"_s, u"<Left>"_s, u"x"_s};
        QTest::addRow("%sbackspace", tag)
            << focused << QStringList{u"ABCD"_s, u"<Left>"_s, u"<Backspace>"_s};
        QTest::addRow("%sselect and replace", tag)
            << focused
            << QStringList{u"ABCD"_s, u"<Left>"_s, u"<ShiftHome>"_s, u"Z"_s, u"<End>"_s, u"!"_s};
        QTest::addRow("%sundo", tag) << focused << QStringList{u"AB"_s, u"<Undo>"_s};
    }
}

void TextBoxTest::editsAsALineEdit()
{
    QFETCH(bool, focused);
    QFETCH(QStringList, keys);
    QWidget window;
    auto* plain = new QLineEdit(u"12"_s, &window);
    auto* box = new TextBox(&window);
    box->setText(u"12"_s);
    box->move(0, 30);
    QVERIFY(activate(&window));
    if (focused) {
        plain->setFocus();
        type(plain, keys);
        box->setFocus();
        QVERIFY(!box->paintsItsText());
        type(box, keys);
    } else {
        type(plain, keys);
        type(box, keys);
    }
    QCOMPARE(box->text(), plain->text());
    QCOMPARE(box->cursorPosition(), plain->cursorPosition());
    QCOMPARE(box->selectedText(), plain->selectedText());
}

void TextBoxTest::paintsItsTextOnlyWithoutTheFocus()
{
    QWidget window;
    auto* box = new TextBox(&window);
    auto* other = new QLineEdit(&window);
    other->move(0, 30);
    QVERIFY(activate(&window));
    other->setFocus();
    QVERIFY(box->paintsItsText());

    box->setFocus(Qt::TabFocusReason);
    QVERIFY(!box->paintsItsText());
    QVERIFY(box->inputMethodQuery(Qt::ImEnabled).toBool());
    QVERIFY(!(box->inputMethodHints() & Qt::ImhHiddenText));

    // A message box over the window lends the focus and gives it back.
    QWidget dialog;
    QVERIFY(activate(&dialog));
    QVERIFY(!box->paintsItsText());
    QVERIFY(activate(&window));
    QVERIFY(box->hasFocus());

    other->setFocus(Qt::TabFocusReason);
    QVERIFY(box->paintsItsText());
    box->setText(u"NUEVO"_s);
    QCOMPARE(box->text(), u"NUEVO"_s);
    QCOMPARE(box->cursorPosition(), 5);
}

void TextBoxTest::takesTheInputMethodsText()
{
    // A dead key and a vowel of the Latin American keyboard arrive as one committed text.
    TextBox box;
    box.setText(u"ACCION"_s);
    box.setCursorPosition(4);
    QInputMethodEvent compose;
    compose.setCommitString(u"Ó"_s, 0, 1);
    QApplication::sendEvent(&box, &compose);
    QCOMPARE(box.text(), u"ACCIÓN"_s);
    QVERIFY(!box.paintsItsText());
}

// A screen reader started after the box was built reads the box's text, not the nothing a box
// painting its own text would answer.
void TextBoxTest::readByAScreenReaderStartedLater()
{
    QWidget window;
    auto* box = new TextBox(&window);
    auto* other = new QLineEdit(&window);
    other->move(0, 30);
    box->setText(u"COSTO 12,50"_s);
    QVERIFY(activate(&window));
    other->setFocus();
    QVERIFY(box->paintsItsText());
    QAccessible::setActive(true);
    const auto off = qScopeGuard([] { QAccessible::setActive(false); });
    QCOMPARE(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Value),
             u"COSTO 12,50"_s);
}

void TextBoxTest::showsALoadedTextAsALineEdit_data()
{
    QTest::addColumn<bool>("focused");
    QTest::addColumn<int>("settings");
    QTest::addColumn<QString>("text");
    const QString longText = u"DESCRIPCION MUY LARGA QUE NO ENTRA EN LA CAJA DE TEXTO 123456"_s;
    for (const bool focused : {false, true}) {
        const char* tag = focused ? "focused" : "without focus";
        QTest::addRow("%s: short", tag) << focused << int(Plain) << u"ACEITE 1,5 L"_s;
        QTest::addRow("%s: too long", tag) << focused << int(Plain) << longText;
        QTest::addRow("%s: right-aligned", tag) << focused << int(RightAligned) << u"121,00"_s;
        QTest::addRow("%s: emptied", tag) << focused << int(Plain) << QString();
        QTest::addRow("%s: over a selection", tag) << focused << int(Selected) << u"XYZ"_s;
    }
}

// A box filled by a load looks, reads and tells as a line edit given the text and then its
// cursor at the start (the focused one keeps its cursor at the end).
void TextBoxTest::showsALoadedTextAsALineEdit()
{
    QFETCH(bool, focused);
    QFETCH(int, settings);
    QFETCH(QString, text);
    QWidget window;
    auto* plain = new QLineEdit(&window);
    auto* box = new TextBox(&window);
    auto* other = new QLineEdit(&window);
    box->move(0, 30);
    other->move(0, 60);
    for (QLineEdit* edit : {plain, static_cast<QLineEdit*>(box)})
        setUp(edit, settings, u"ANTERIOR 99"_s);
    QVERIFY(activate(&window));
    (focused ? static_cast<QWidget*>(box) : other)->setFocus();
    int heard = 0;
    connect(box, &QLineEdit::textChanged, box, [&](const QString& now) {
        QCOMPARE(now, text);
        ++heard;
    });
    plain->setText(text);
    // The input method hears of the box with the focus, where its cursor now stands.
    int inputMethodTold = 0;
    const QMetaObject::Connection told =
        connect(QGuiApplication::inputMethod(), &QInputMethod::cursorRectangleChanged, box,
                [&] { ++inputMethodTold; });
    box->showText(text);
    disconnect(told);
    QCOMPARE(inputMethodTold > 0, focused);
    if (focused)
        QCOMPARE(QGuiApplication::inputMethod()->cursorRectangle(),
                 box->inputMethodQuery(Qt::ImCursorRectangle)
                     .toRectF()
                     .translated(box->mapTo(box->window(), QPointF())));
    if (!focused) plain->setCursorPosition(0);
    QCOMPARE(heard, 1);
    QCOMPARE(box->text(), text);
    QCOMPARE(box->cursorPosition(), plain->cursorPosition());
    QCOMPARE(box->selectedText(), plain->selectedText());
    QCOMPARE(box->paintsItsText(), !focused);
    // A box painting its own text looks as the line edit does (with the focus, as it does
    // itself without the box's painting).
    if (!focused) {
        const QImage shown = window.grab().toImage();
        QVERIFY2(shown.copy(box->geometry()) == shown.copy(plain->geometry()),
                 "the box does not look as a line edit does");
    }
    box->setFocus();
    QVERIFY(!box->paintsItsText());
    QCOMPARE(box->cursorPosition(), plain->cursorPosition());
}

// The program may press Enter in a box that does not have the focus (a search it starts): the
// box goes on painting its own text afterwards, as before the key.
void TextBoxTest::keySentWithoutFocusLeavesItPaintingItsText()
{
    QWidget window;
    auto* box = new TextBox(&window);
    auto* other = new QLineEdit(&window);
    other->move(0, 30);
    box->setText(u"123"_s);
    QVERIFY(activate(&window));
    other->setFocus();
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_4);
    QCOMPARE(box->text(), u"1234"_s);
    QVERIFY(box->paintsItsText());
}

RUN_TEST_CLASS(runTextBoxTest, TextBoxTest)

#include "tst_textbox.moc"
