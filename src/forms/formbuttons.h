#pragma once
// The buttons every record form shows: the command row and the small picture buttons.

#include <QIcon>
#include <QString>
#include <QStyle>
#include <array>

class QPushButton;
class QWidget;

namespace forms {

struct CommandButton {
    QString name;     // "cmdNuevo"
    QString caption;  // "&Nuevo"
    QStyle::StandardPixmap picture;
};

// "&Nuevo", "&Grabar", "&Eliminar", "&Cerrar", left to right.
const std::array<CommandButton, 4>& commandButtons();

// The style's picture for `widget`; the program's style (AppStyle) reads each one once.
QIcon standardIcon(const QWidget* widget, QStyle::StandardPixmap picture);

QPushButton* makeCommandButton(const CommandButton& button, QWidget* parent);
// A square button without caption showing a picture, beside a field ("Command5").
QPushButton* makePictureButton(const QString& name, QWidget* parent);

}  // namespace forms
