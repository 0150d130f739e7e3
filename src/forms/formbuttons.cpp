#include "formbuttons.h"

#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>
#include <map>

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

namespace {

// Reading a picture's files is most of what building a form's buttons costs.
struct IconCache {
    QPointer<const QStyle> style;
    std::map<QStyle::StandardPixmap, QIcon> icons;
};
IconCache gIcons;

}  // namespace

QIcon standardIcon(const QWidget* widget, QStyle::StandardPixmap picture)
{
    const QStyle* style = widget->style();
    if (gIcons.style != style) {
        gIcons.icons.clear();
        gIcons.style = style;
    }
    if (gIcons.icons.empty())
        // The pictures go with the application, before the program's own statics.
        qAddPostRoutine([] { gIcons.icons.clear(); });
    auto [at, added] = gIcons.icons.try_emplace(picture);
    if (added) at->second = style->standardIcon(picture);
    return at->second;
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
