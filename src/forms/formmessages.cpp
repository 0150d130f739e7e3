#include "formmessages.h"

#include <array>

#include "shell/msgbox.h"

using namespace Qt::StringLiterals;

namespace forms {

const MessageText& formMessage(FormMessage message)
{
    static const std::array<MessageText, 3> texts = {{
        {u"El Ultimo Codigo no es un Numero, Escriba el Codigo Nuevo"_s, u"Error"_s, vbExclamation},
        {u"No Quedan Codigos Libres despues del Ultimo, Escriba el Codigo Nuevo"_s, u"Error"_s,
         vbExclamation},
        {u"El Codigo debe ser un Numero"_s, u"Error"_s, vbCritical},
    }};
    return texts[size_t(message)];
}

void showFormMessage(FormMessage message, QWidget* parent)
{
    const MessageText& text = formMessage(message);
    MsgBox(text.prompt, text.flags, text.title, parent);
}

}  // namespace forms
