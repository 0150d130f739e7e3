#include "espere.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>

#include "colours.h"
#include "twips.h"

using namespace Qt::StringLiterals;

namespace {

QPointer<Espere>& loaded()
{
    static QPointer<Espere> window;
    return window;
}

}  // namespace

Espere::Espere() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(u"Espere"_s);
    setFixedSize(twips::size(5880, 645));
    colours::fill(this, QColor(255, 0, 0));

    auto* label = new QLabel(u"Espere un Momento..."_s, this);
    label->setObjectName(u"Label1"_s);
    QFont bold = label->font();
    bold.setPointSize(18);
    bold.setBold(true);
    label->setFont(bold);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(rect());
}

Espere* Espere::form() { return loaded().data(); }

void Espere::Mostrar(QWidget* owner)
{
    if (!loaded()) {
        loaded() = new Espere;
        // Unloaded with the program; no event loop runs after aboutToQuit to delete it later.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp,
                         [] { delete loaded().data(); });
    }
    Espere* window = loaded();
    QRect over;
    if (owner) over = owner->window()->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    window->move(over.center() - window->rect().center());
    window->show();
    window->raise();
    window->repaint();
}

void Espere::Ocultar()
{
    if (loaded()) loaded()->hide();
}
