#include "formbuttons.h"

#include <QPushButton>

using namespace Qt::StringLiterals;

namespace forms {

const std::array<CommandButton, 4>& commandButtons()
{
    static const std::array<CommandButton, 4> buttons = {{
        {u"cmdNuevo"_s, u"&Nuevo"_s, QStyle::SP_FileIcon},
        {u"cmdGrabar"_s, u"&Grabar"_s, QStyle::SP_DialogSaveButton},
        {u"cmdEliminar"_s, u"&Eliminar"_s, QStyle::SP_TrashIcon},
        {u"cmdCerrar"_s, u"&Cerrar"_s, QStyle::SP_DialogCloseButton},
    }};
    return buttons;
}

QIcon standardIcon(const QWidget* widget, QStyle::StandardPixmap picture)
{
    return widget->style()->standardIcon(picture, nullptr, widget);
}

QPushButton* makeCommandButton(const CommandButton& button, QWidget* parent)
{
    auto* b = new QPushButton(button.caption, parent);
    b->setObjectName(button.name);
    b->setIcon(standardIcon(b, button.picture));
    return b;
}

QPushButton* makePictureButton(const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setIcon(standardIcon(b, QStyle::SP_FileDialogContentsView));
    // The field keeps the focus; the button is for the mouse.
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace forms
