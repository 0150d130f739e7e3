#include "appstyle.h"

#include <QApplication>
#include <QFont>

AppStyle::AppStyle(const QString& base) : QProxyStyle(base) {}

QIcon AppStyle::standardIcon(StandardPixmap picture, const QStyleOption* option, const QWidget* widget) const
{
    // An option may ask for a state or a size of its own.
    if (option) return QProxyStyle::standardIcon(picture, option, widget);
    const Key key{int(picture), int(QGuiApplication::layoutDirection()), QIcon::themeName()};
    auto [at, added] = icons_.try_emplace(key);
    if (added) at->second = QProxyStyle::standardIcon(picture, nullptr, widget);
    return at->second;
}

namespace shell {

void installStyle()
{
    if (dynamic_cast<AppStyle*>(QApplication::style())) return;
    // The proxy owns the style it wraps, so it wraps a fresh one of the same kind; the
    // application deletes its old style.
    QApplication::setStyle(new AppStyle(QApplication::style()->name()));
    // Window titles are plain Latin text, which needs no shaping; without it a child window's
    // frame is quicker to build, as the forms' own texts are.
    QFont title = QApplication::font("QMdiSubWindowTitleBar");
    title.setStyleStrategy(QFont::PreferNoShaping);
    QApplication::setFont(title, "QMdiSubWindowTitleBar");
}

}  // namespace shell
