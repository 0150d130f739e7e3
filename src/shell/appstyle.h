#pragma once
// The program's style: the platform's own, with its standard pictures read once.

#include <QIcon>
#include <QProxyStyle>
#include <map>
#include <tuple>

// Draws as the style it wraps, keeping what it draws again and again:
// - A standard icon asked for without an option (each child window's title bar and system
//   menu, the forms' buttons, the message boxes) is read from its files the first time and kept
//   while the style lasts; reading and decoding those files is most of what building a
//   window's frame and buttons costs.
// - The panel of a text box is drawn once for each size, state and set of colours, and copied after
//   that: its rounded, smoothed edge is most of what painting a form of text boxes costs.
class AppStyle : public QProxyStyle {
public:
    // Wraps a new style of the given name (the application's own when empty).
    explicit AppStyle(const QString& base = QString());

    QIcon standardIcon(StandardPixmap picture, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    // By picture, direction (the arrows turn round) and icon theme.
    using Key = std::tuple<int, int, QString>;
    mutable std::map<Key, QIcon> icons_;
};

namespace shell {

// Puts AppStyle in place of the application's style, once, and lays out the child windows'
// titles without shaping; the application calls it at start, before it builds any window.
void installStyle();

}  // namespace shell
