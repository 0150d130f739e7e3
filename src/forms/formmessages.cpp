#include "formmessages.h"

#include <array>

#include "shell/msgbox.h"

using namespace Qt::StringLiterals;

namespace forms {

const Message& formMessage(FormMessage message)
{
    static const std::array<Message, 3> texts = {{
        {u"El Ultimo Codigo no es un Numero, Escriba el Codigo Nuevo"_s, u"Error"_s, vbExclamation},
        {u"No Quedan Codigos Libres despues del Ultimo, Escriba el Codigo Nuevo"_s, u"Error"_s,
         vbExclamation},
        {u"El Codigo debe ser un Numero"_s, u"Error"_s, vbCritical},
    }};
    return texts[size_t(message)];
}

void showFormMessage(FormMessage message, QWidget* parent) { MsgBox(formMessage(message), parent); }

}  // namespace forms
