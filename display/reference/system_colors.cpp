#include "display/reference/system_colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace ombrel {

namespace {

// The Windows system colour indices that have a counterpart in the desktop palette.
QPalette::ColorRole RoleOf(int index, bool& known) {
    known = true;
    switch (index) {
        case 1: case 2: case 13: return QPalette::Highlight;              // background, active caption, highlight
        case 4: case 5: return QPalette::Base;                               // menu, window
        case 7: case 8: case 23: return QPalette::WindowText;                // menu text, window text, info text
        case 9: case 14: return QPalette::HighlightedText;                  // caption text, highlight text
        case 15: case 22: case 25: return QPalette::Button;                  // button face, 3D light, ...
        case 16: return QPalette::Dark;                                      // button shadow
        case 17: return QPalette::PlaceholderText;                           // grey text
        case 18: return QPalette::ButtonText;                                // button text
        case 20: return QPalette::Light;                                     // button highlight
        case 21: return QPalette::Shadow;                                    // 3D dark shadow
        case 24: return QPalette::ToolTipBase;                               // info background
        case 26: return QPalette::Link;                                      // hot light
        default: known = false; return QPalette::Window;
    }
}

}  // namespace

TColor GetSysColor(int index) {
    bool known = false;
    const QPalette::ColorRole role = RoleOf(index, known);
    if (!known) return 0;
    const QColor c = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                         ? QGuiApplication::palette().color(QPalette::Active, role)
                         : QPalette().color(QPalette::Active, role);
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

}  // namespace ombrel
