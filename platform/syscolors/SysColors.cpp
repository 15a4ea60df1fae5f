#include "platform/syscolors/SysColors.h"

#include <QGuiApplication>
#include <QPalette>
#include <array>
#include <optional>

namespace {

constexpr std::uint32_t rgb(int r, int g, int b)
{
    return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
           (static_cast<std::uint32_t>(b) << 16);
}

// The default colours of a current Windows desktop.
constexpr std::array<std::uint32_t, 31> standardColors = {
    rgb(200, 200, 200), // scroll bar
    rgb(0, 0, 0),       // desktop
    rgb(153, 180, 209), // active caption
    rgb(191, 205, 219), // inactive caption
    rgb(240, 240, 240), // menu
    rgb(255, 255, 255), // window
    rgb(100, 100, 100), // window frame
    rgb(0, 0, 0),       // menu text
    rgb(0, 0, 0),       // window text
    rgb(0, 0, 0),       // caption text
    rgb(180, 180, 180), // active border
    rgb(244, 247, 252), // inactive border
    rgb(171, 171, 171), // application workspace
    rgb(0, 120, 215),   // highlight
    rgb(255, 255, 255), // highlight text
    rgb(240, 240, 240), // button face
    rgb(160, 160, 160), // button shadow
    rgb(109, 109, 109), // grey text
    rgb(0, 0, 0),       // button text
    rgb(0, 0, 0),       // inactive caption text
    rgb(255, 255, 255), // button highlight
    rgb(105, 105, 105), // 3-D dark shadow
    rgb(227, 227, 227), // 3-D light
    rgb(0, 0, 0),       // tooltip text
    rgb(255, 255, 225), // tooltip background
    rgb(0, 0, 0),       // unused index 25
    rgb(0, 102, 204),   // hot-tracked item
    rgb(185, 209, 234), // active caption gradient
    rgb(215, 228, 242), // inactive caption gradient
    rgb(51, 153, 255),  // menu highlight
    rgb(240, 240, 240), // menu bar
};

struct Role
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

std::optional<Role> paletteRole(int index)
{
    switch (index) {
    case COLOR_WINDOW:
        return Role{QPalette::Active, QPalette::Base};
    case COLOR_WINDOWTEXT:
        return Role{QPalette::Active, QPalette::Text};
    case COLOR_BTNFACE:
        return Role{QPalette::Active, QPalette::Button};
    case COLOR_BTNTEXT:
        return Role{QPalette::Active, QPalette::ButtonText};
    case COLOR_BTNHIGHLIGHT:
        return Role{QPalette::Active, QPalette::Light};
    case COLOR_BTNSHADOW:
        return Role{QPalette::Active, QPalette::Dark};
    case COLOR_3DDKSHADOW:
        return Role{QPalette::Active, QPalette::Shadow};
    case COLOR_3DLIGHT:
        return Role{QPalette::Active, QPalette::Midlight};
    case COLOR_HIGHLIGHT:
        return Role{QPalette::Active, QPalette::Highlight};
    case COLOR_HIGHLIGHTTEXT:
        return Role{QPalette::Active, QPalette::HighlightedText};
    case COLOR_GRAYTEXT:
        return Role{QPalette::Disabled, QPalette::Text};
    case COLOR_INFOTEXT:
        return Role{QPalette::Active, QPalette::ToolTipText};
    case COLOR_INFOBK:
        return Role{QPalette::Active, QPalette::ToolTipBase};
    case COLOR_HOTLIGHT:
        return Role{QPalette::Active, QPalette::Link};
    default:
        return std::nullopt;
    }
}

} // namespace

std::uint32_t GetStandardSysColor(int Index)
{
    if (Index < 0 || Index >= static_cast<int>(standardColors.size()))
        return 0;
    return standardColors[static_cast<std::size_t>(Index)];
}

std::uint32_t GetSysColor(int Index)
{
    if (Index < 0 || Index >= static_cast<int>(standardColors.size()))
        return 0;
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const auto r = paletteRole(Index)) {
            const QColor c = QGuiApplication::palette().color(r->group, r->role);
            return rgb(c.red(), c.green(), c.blue());
        }
    }
    return GetStandardSysColor(Index);
}
