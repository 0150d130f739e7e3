#include "principal.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "acerca.h"
#include "application.h"
#include "data/catalogue.h"
#include "data/storelocale.h"
#include "msgbox.h"
#include "pictures.h"
#include "twips.h"
#include "windownames.h"
#include "windowregistry.h"

using namespace Qt::StringLiterals;

namespace {

const QString kBaseCaption = u"-=: Sistema Valdrameno :=-"_s;

enum class Act { ShowWindow, Calculator, Exit, About, Cascade, Tile, ArrangeIcons, Nothing };

// What a button or menu item does; for ShowWindow the window's name (the registry knows where
// it goes).
struct Action {
    Action(Act what = Act::Nothing, WindowName name = {}) : act(what), window(name) {}
    Act act;
    WindowName window;
};

Action show(WindowName window) { return {Act::ShowWindow, window}; }
const Action kCalculator{Act::Calculator};
const Action kNothing{Act::Nothing};

struct ToolButtonDef {
    const char16_t* name;  // empty for the clock's place
    const char16_t* caption;
    const char16_t* toolTip;
    const char16_t* icon;
    Action action;
};

const ToolButtonDef kToolbar[] = {
    {u"Command6", u"Articulos", u"Articulos", u"package-x-generic", show(windownames::Articulos)},
    {u"Command1", u"Clientes", u"Clientes", u"system-users", show(windownames::Clientes)},
    {u"Command2", u"Proveed.", u"Proveedores", u"x-office-address-book",
     show(windownames::Proveedores)},
    {u"Command9", u"Departamentos", u"Departamentos", u"folder", show(windownames::Departamentos)},
    {u"Command4", u"Etiquetas", u"Etiquetas", u"printer", show(windownames::Etiquetas)},
    {u"Command3", u"Actualizar", u"Actualizar", u"network-transmit-receive",
     show(windownames::Actualizar)},
    {u"", nullptr, nullptr, nullptr, kNothing},
    {u"Command10", u"Backup", u"Backup", u"media-floppy", show(windownames::Backup)},
    {u"Command7", u"Calen.", u"Calendario", u"office-calendar", show(windownames::Calendario)},
    {u"Command8", u"Calc.", u"Calculadora", u"accessories-calculator", kCalculator},
    {u"Salir", u"Salir", u"Salir del Programa", u"system-log-out", {Act::Exit}},
};

struct MenuItemDef {
    const char16_t* name;  // empty for a rule
    const char16_t* caption;
    QKeySequence shortcut;
    Action action;
};

struct MenuDef {
    const char16_t* name;
    const char16_t* title;
    std::vector<MenuItemDef> items;
    bool listsWindows = false;  // the open child windows follow the items
};

const MenuItemDef kRule{u"", nullptr, {}, kNothing};

const std::vector<MenuDef>& menus()
{
    static const std::vector<MenuDef> all = {
        {u"mnuArchivo",
         u"&Archivo",
         {{u"mnuCalendario", u"Calendario", {}, show(windownames::Calendario)},
          {u"mnuCalculadora", u"Calculadora", {}, kCalculator},
          kRule,
          {u"mnuImpresora", u"&Impresora", QKeySequence(Qt::CTRL | Qt::Key_I), kNothing}}},
        {u"mnuBaseDatos",
         u"&Base de Datos",
         {{u"mnuArticulos", u"Articulos", {}, show(windownames::Articulos)},
          {u"mnuClientes", u"Clientes", {}, show(windownames::Clientes)},
          {u"mnuProveedores", u"Proveedores", {}, show(windownames::Proveedores)},
          kRule,
          {u"mnuDepartamentos", u"Departamentos", {}, show(windownames::Departamentos)},
          kRule,
          {u"mnuMarcas", u"Marcas", {}, show(windownames::Marcas)},
          {u"mnuRubros", u"Rubros", {}, show(windownames::Rubros)},
          kRule,
          {u"mnuActualizacionPrecios",
           u"Actualización de &Precios",
           {},
           show(windownames::ActualizacionPrecios)}}},
        {u"mnuListados",
         u"&Listados",
         {{u"mnuListArticulos", u"Articulos", {}, show(windownames::ForListaArticulos)},
          {u"mnuListClientes", u"Clientes", {}, show(windownames::ForListaClientes)},
          {u"mnuListProveedores", u"Proveedores", {}, show(windownames::ForListaProveedores)},
          kRule,
          {u"mnuListDepartamentos", u"Departamentos", {}, show(windownames::ForListaDepartamentos)},
          kRule,
          {u"mnuListMarcas", u"Marcas", {}, kNothing},
          {u"mnuListRubros", u"Rubros", {}, kNothing}}},
        {u"mnuVentanas",
         u"&Ventanas",
         {{u"mnuCascada", u"&Cascada", {}, {Act::Cascade}},
          {u"mnuMosaico", u"&Mosaico", {}, {Act::Tile}},
          {u"mnuOrganizar", u"&Oganizar Iconos", {}, {Act::ArrangeIcons}}},
         true},
        {u"mnuSalirMenu",
         u"&Salir",
         {{u"mnuAcerca", u"&Acerca de . . .", {}, {Act::About}},
          kRule,
          {u"mnuSalir", u"&Salir", QKeySequence(Qt::CTRL | Qt::Key_S), {Act::Exit}}}},
    };
    return all;
}

QString text(const char16_t* s) { return QString::fromUtf16(s); }

// The frame behind the child windows, with the background picture filling it.
class BackgroundArea : public QMdiArea {
public:
    using QMdiArea::QMdiArea;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(viewport());
        const QSize area = viewport()->size();
        if (picture_.deviceIndependentSize().toSize() != area) {
            // The picture keeps its proportions and covers the whole area, centred.
            const QSize cover = QSize(1200, 800).scaled(area, Qt::KeepAspectRatioByExpanding);
            const QPixmap whole = pictures::render(u"pictures/fondo.svg"_s, cover);
            picture_ = QPixmap(area * whole.devicePixelRatio());
            picture_.setDevicePixelRatio(whole.devicePixelRatio());
            QPainter fill(&picture_);
            fill.drawPixmap((area.width() - cover.width()) / 2,
                            (area.height() - cover.height()) / 2, whole);
        }
        painter.drawPixmap(0, 0, picture_);
    }

private:
    QPixmap picture_;
};

// Stacks the child windows one above the other, each as wide as the frame. A form of fixed
// size keeps its size and is only moved.
void tileHorizontally(QMdiArea* frame)
{
    QList<QMdiSubWindow*> open;
    for (QMdiSubWindow* sub : frame->subWindowList())
        if (sub->isVisible() && !sub->isMinimized()) open.append(sub);
    if (open.isEmpty()) return;
    const QSize area = frame->viewport()->size();
    const int height = area.height() / int(open.size());
    for (int i = 0; i < open.size(); ++i) {
        QMdiSubWindow* sub = open[i];
        if (sub->isMaximized()) sub->showNormal();
        const QWidget* form = sub->widget();
        const bool fixed = form && form->minimumSize() == form->maximumSize();
        const QSize size = fixed ? sub->size().expandedTo(sub->minimumSize())
                                 : QSize(area.width(), height).expandedTo(sub->minimumSize());
        sub->setGeometry(QRect(QPoint(0, i * height), size));
    }
}

// Lines up the minimised child windows along the bottom of the frame, left to right.
void arrangeIcons(QMdiArea* frame)
{
    const QSize area = frame->viewport()->size();
    int x = 0, y = area.height();
    for (QMdiSubWindow* sub : frame->subWindowList()) {
        if (!sub->isMinimized()) continue;
        const QSize icon = sub->size();
        if (x > 0 && x + icon.width() > area.width()) {
            x = 0;
            y -= icon.height();
        }
        sub->move(x, y - icon.height());
        x += icon.width();
    }
}

// `where`: a menu item puts some windows elsewhere than the toolbar does.
void perform(Principal* principal, QMdiArea* frame, const Action& action, WindowRegistry::At where)
{
    switch (action.act) {
    case Act::ShowWindow:
        WindowRegistry::instance().show(action.window, where);
        break;
    case Act::Calculator:
        Principal::startCalculator();
        break;
    case Act::Exit:
        Principal::EndProgram(0);
        break;
    case Act::About: {
        Acerca about(principal);
        about.exec();
        break;
    }
    case Act::Cascade:
        frame->cascadeSubWindows();
        break;
    case Act::Tile:
        tileHorizontally(frame);
        break;
    case Act::ArrangeIcons:
        arrangeIcons(frame);
        break;
    case Act::Nothing:
        break;
    }
}

}  // namespace

Principal::Principal(const QString& nombreUsuario, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(u"Principal"_s);
    Data1 = new Data(this, RecordsetType::Table);
    Data1->setObjectName(u"Data1"_s);
    opcion_ = catalogue::open(u"Opcion.mdb");
    Data1->setSource(opcion_, catalogue::find(u"Opcion.mdb")->table.name);
    Data1->Recordset();

    frame_ = new BackgroundArea(this);
    frame_->setObjectName(u"frame"_s);
    setCentralWidget(frame_);
    WindowRegistry::instance().setFrame(frame_);

    // lblTime is made first so that the toolbar can place it between its buttons.
    lblTime = new QLabel(this);
    lblTime->setObjectName(u"lblTime"_s);
    lblTime->setAlignment(Qt::AlignCenter);
    lblTime->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblTime->setMinimumWidth(lblTime->fontMetrics().horizontalAdvance(u"00:00:00 p. m."_s) + 16);
    buildToolbar();
    buildMenus();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &Principal::Timer1_Timer);
    lblTime->setText(clockText(QTime::currentTime()));
    Timer1->start();

    setWindowTitle(kBaseCaption + u" - "_s + nombreUsuario);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QSize size = twips::size(15000, 10500).boundedTo(available.size() * 0.95);
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available));
}

Principal::~Principal() = default;

void Principal::buildToolbar()
{
    auto* bar = new QToolBar(this);
    bar->setObjectName(u"Toolbar1"_s);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    const int height = twips::toPixelsY(735);
    bar->setFixedHeight(height);
    const int iconSide = qMax(16, height - fontMetrics().height() - 12);
    const QSize iconSize(iconSide, iconSide);
    bar->setIconSize(iconSize);
    addToolBar(Qt::TopToolBarArea, bar);

    for (const ToolButtonDef& def : kToolbar) {
        if (!def.caption) {
            bar->addWidget(lblTime);
            continue;
        }
        auto* button = new QToolButton(bar);
        button->setObjectName(text(def.name));
        button->setText(text(def.caption));
        button->setToolTip(text(def.toolTip));
        button->setIcon(pictures::icon(text(def.icon), iconSize));
        button->setIconSize(iconSize);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        bar->addWidget(button);
        const Action action = def.action;
        connect(button, &QToolButton::clicked, this,
                [this, action] { perform(this, frame_, action, WindowRegistry::At::ItsPlace); });
    }
}

void Principal::buildMenus()
{
    for (const MenuDef& def : menus()) {
        QMenu* menu = menuBar()->addMenu(text(def.title));
        menu->setObjectName(text(def.name));
        for (const MenuItemDef& item : def.items) {
            if (!item.caption) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(text(item.caption));
            action->setObjectName(text(item.name));
            action->setShortcut(item.shortcut);
            const Action what = item.action;
            connect(action, &QAction::triggered, this,
                    [this, what] { perform(this, frame_, what, WindowRegistry::At::MenuPlace); });
        }
        if (def.listsWindows) windowMenu_ = menu;
    }
    connect(windowMenu_, &QMenu::aboutToShow, this, &Principal::fillWindowMenu);
}

// The window list under the arrangement items: one entry per open child window, the
// active one checked.
void Principal::fillWindowMenu()
{
    qDeleteAll(windowListActions_);
    windowListActions_.clear();
    const QList<QMdiSubWindow*> open = frame_->subWindowList();
    if (open.isEmpty()) return;
    windowListActions_.append(windowMenu_->addSeparator());
    for (int i = 0; i < open.size(); ++i) {
        QMdiSubWindow* sub = open[i];
        QAction* entry = windowMenu_->addAction(u"&%1 %2"_s.arg(i + 1).arg(sub->windowTitle()));
        entry->setCheckable(true);
        entry->setChecked(sub == frame_->activeSubWindow());
        connect(entry, &QAction::triggered, frame_,
                [this, sub] { frame_->setActiveSubWindow(sub); });
        windowListActions_.append(entry);
    }
}

void Principal::EndProgram(int code) { shell::endProgram(code); }

bool Principal::updateClock(QLabel& label, const QString& now)
{
    if (label.text() == now) return false;
    label.setText(now);
    return true;
}

QString Principal::clockText(const QTime& time)
{
    // The program's locale: the store's (see storelocale::applyDefault).
    return storelocale::longTime(time, QLocale());
}

void Principal::Timer1_Timer() { updateClock(*lblTime, clockText(QTime::currentTime())); }

QStringList Principal::calculators()
{
    return {u"gnome-calculator"_s, u"kcalc"_s, u"galculator"_s, u"qalculate-gtk"_s, u"xcalc"_s};
}

void Principal::startCalculator(const QStringList& candidates)
{
    for (const QString& name : candidates) {
        const QString program = QStandardPaths::findExecutable(name);
        if (program.isEmpty()) continue;
        // A newly started program's window comes up in front, with the focus.
        if (!QProcess::startDetached(program, {}))
            MsgBox(u"No se pudo iniciar la calculadora ("_s + program + u")."_s, vbExclamation,
                   u"Calculadora"_s);
        return;
    }
    MsgBox(u"No hay ninguna calculadora instalada. Instale una de estas: "_s +
               candidates.join(u", "_s) + u"."_s,
           vbExclamation, u"Calculadora"_s);
}

void Principal::closeEvent(QCloseEvent* event)
{
    // The close box closes the child windows first; one that refuses keeps the program open.
    frame_->closeAllSubWindows();
    for (const QMdiSubWindow* sub : frame_->subWindowList()) {
        if (sub->isVisible()) {
            event->ignore();
            return;
        }
    }
    event->accept();
    EndProgram(0);
}
