#include "badinput.h"

#include <array>

namespace articles {

namespace {

struct Entry {
    BadInput kind;
    const char16_t* text;  // %1 is the field's name, %2 the character limit
};

constexpr std::array<Entry, 9> kTexts = {{
    {BadInput::NotANumber, u"EL CAMPO %1 DEBE SER UN NUMERO (EJEMPLO: 1234,5)"},
    // The same words for a computation and for Grabar with an empty cost.
    {BadInput::MissingPrice, u"FALTA INGRESAR EL PRECIO."},
    {BadInput::Missing, u"FALTA INGRESAR EL %1"},
    {BadInput::OutOfRange, u"EL CAMPO %1 DA UN RESULTADO FUERA DE RANGO"},
    {BadInput::TooLong, u"EL CAMPO %1 ADMITE HASTA %2 CARACTERES"},
    {BadInput::Negative, u"EL CAMPO %1 NO PUEDE SER NEGATIVO"},
    {BadInput::TakenBarcode, u"EL %1 YA LO TIENE EL ARTICULO %2"},
    {BadInput::MissingCode, u"FALTA INGRESAR EL CODIGO"},
    {BadInput::MissingBarcode, u"FALTA INGRESAR EL CODIGO DE BARRA"},
}};

}  // namespace

QString badInputText(BadInput kind, ArticleField field, int width, const QString& other)
{
    Q_ASSERT(kTexts[size_t(kind)].kind == kind);
    const QString text = QString::fromUtf16(kTexts[size_t(kind)].text);
    const QString name = QString::fromUtf16(def(field).name);
    if (kind == BadInput::TakenBarcode) return text.arg(name, other);
    if (text.contains(u"%2")) return text.arg(name).arg(width);
    if (text.contains(u"%1")) return text.arg(name);
    return text;
}

Message refusalMessage(const Outcome& outcome)
{
    Q_ASSERT(outcome.focus);
    return {badInputText(outcome.kind, *outcome.focus, outcome.width, outcome.other),
            QStringLiteral("ERROR"), 16};
}

}  // namespace articles
