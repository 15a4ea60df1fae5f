#include "framework/Graphics.h"
#include "platform/syscolors/SysColors.h"

#include <QColor>

// ---------------------------------------------------------------------------
// Colours

const TIdentMap &ColorIdents()
{
    static const TIdentMap map{{
        {clBlack, "clBlack"},
        {clMaroon, "clMaroon"},
        {clGreen, "clGreen"},
        {clOlive, "clOlive"},
        {clNavy, "clNavy"},
        {clPurple, "clPurple"},
        {clTeal, "clTeal"},
        {clGray, "clGray"},
        {clSilver, "clSilver"},
        {clRed, "clRed"},
        {clLime, "clLime"},
        {clYellow, "clYellow"},
        {clBlue, "clBlue"},
        {clFuchsia, "clFuchsia"},
        {clAqua, "clAqua"},
        {clWhite, "clWhite"},
        {clMoneyGreen, "clMoneyGreen"},
        {clSkyBlue, "clSkyBlue"},
        {clCream, "clCream"},
        {clMedGray, "clMedGray"},
        {clLtGray, "clLtGray"},
        {clDkGray, "clDkGray"},
        {clActiveBorder, "clActiveBorder"},
        {clActiveCaption, "clActiveCaption"},
        {clAppWorkSpace, "clAppWorkSpace"},
        {clBackground, "clBackground"},
        {clBtnFace, "clBtnFace"},
        {clBtnHighlight, "clBtnHighlight"},
        {clBtnShadow, "clBtnShadow"},
        {clBtnText, "clBtnText"},
        {clCaptionText, "clCaptionText"},
        {clGradientActiveCaption, "clGradientActiveCaption"},
        {clGradientInactiveCaption, "clGradientInactiveCaption"},
        {clGrayText, "clGrayText"},
        {clHighlight, "clHighlight"},
        {clHighlightText, "clHighlightText"},
        {clHotLight, "clHotLight"},
        {clInactiveBorder, "clInactiveBorder"},
        {clInactiveCaption, "clInactiveCaption"},
        {clInactiveCaptionText, "clInactiveCaptionText"},
        {clInfoBk, "clInfoBk"},
        {clInfoText, "clInfoText"},
        {clMenu, "clMenu"},
        {clMenuBar, "clMenuBar"},
        {clMenuHighlight, "clMenuHighlight"},
        {clMenuText, "clMenuText"},
        {clScrollBar, "clScrollBar"},
        {cl3DDkShadow, "cl3DDkShadow"},
        {cl3DLight, "cl3DLight"},
        {clWindow, "clWindow"},
        {clWindowFrame, "clWindowFrame"},
        {clWindowText, "clWindowText"},
        {clNone, "clNone"},
        {clDefault, "clDefault"},
    }};
    return map;
}

TColor ColorToRGB(TColor Color)
{
    if (Color < 0)
        return static_cast<TColor>(GetSysColor(Color & 0xFF));
    return Color;
}

QColor ColorToQColor(TColor Color, TColor Default)
{
    if (Color == clNone)
        return QColor(Qt::transparent);
    if (Color == clDefault)
        Color = Default == clDefault ? clBlack : Default;
    const auto rgb = static_cast<std::uint32_t>(ColorToRGB(Color));
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor QColorToColor(const QColor &Color)
{
    if (Color.alpha() == 0)
        return clNone;
    return RGB(Color.red(), Color.green(), Color.blue());
}
