#pragma once

// Small helpers for laying out controls as the window designs give them.

#include <QFont>
#include <QRect>
#include <QString>

namespace ringvale {

inline QFont pixelFont(int pixels, bool bold = false) {
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// Names a control with its design name and puts it at its design rectangle.
template <typename Widget> Widget* named(Widget* widget, const QString& name, QRect rect) {
    widget->setObjectName(name);
    widget->setGeometry(rect);
    return widget;
}

template <typename Widget> Widget* named(Widget* widget, const char* utf8Name, QRect rect) {
    return named(widget, QString::fromUtf8(utf8Name), rect);
}

} // namespace ringvale
