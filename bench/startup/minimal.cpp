// The yardstick: the least a Qt Widgets program does to show one dialog with a line of text
// and a button (a dialog without any text would skip loading the fonts that every real
// window needs).

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Login"));
    dialog.resize(250, 153);
    auto* label = new QLabel(QStringLiteral("Usuario:"), &dialog);
    label->move(8, 12);
    auto* button = new QPushButton(QStringLiteral("&Aceptar"), &dialog);
    button->move(8, 100);
    dialog.show();
    return app.exec();
}
