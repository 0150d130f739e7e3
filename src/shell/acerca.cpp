#include "acerca.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "pictures.h"
#include "twips.h"

using namespace Qt::StringLiterals;

namespace {

// Client area and the height of the button along the bottom edge, in twips.
constexpr int kWidth = 6000, kHeight = 4500, kButtonHeight = 600;

}  // namespace

Acerca::Acerca(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(u"Acerca"_s);
    setWindowTitle(u"Acerca de ..."_s);
    setModal(true);
    const QSize client = twips::size(kWidth, kHeight);
    setFixedSize(client);

    auto* cmdOK = new QPushButton(u"Salir"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    QFont large = cmdOK->font();
    large.setPointSize(16);
    large.setBold(true);
    cmdOK->setFont(large);
    const int buttonHeight = twips::toPixelsY(kButtonHeight);
    cmdOK->setGeometry(0, client.height() - buttonHeight, client.width(), buttonHeight);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Acerca::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, pictures::render(u"pictures/acerca.svg"_s, size()));
}
