#pragma once

// Message records and numbers. Qt events on a control's widget become these
// records and go through the control's Dispatch; framework notifications
// (CM_*) are sent the same way when a property changes. The numbers are the
// ones the components' message tables name.

#include <cstdint>

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// Window messages.
inline constexpr unsigned WM_NULL = 0x0000;
inline constexpr unsigned WM_CREATE = 0x0001;
inline constexpr unsigned WM_DESTROY = 0x0002;
inline constexpr unsigned WM_MOVE = 0x0003;
inline constexpr unsigned WM_SIZE = 0x0005;
inline constexpr unsigned WM_ACTIVATE = 0x0006;
inline constexpr unsigned WM_SETFOCUS = 0x0007;
inline constexpr unsigned WM_KILLFOCUS = 0x0008;
inline constexpr unsigned WM_ENABLE = 0x000A;
inline constexpr unsigned WM_SETTEXT = 0x000C;
inline constexpr unsigned WM_GETTEXT = 0x000D;
inline constexpr unsigned WM_PAINT = 0x000F;
inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_ERASEBKGND = 0x0014;
inline constexpr unsigned WM_SHOWWINDOW = 0x0018;
inline constexpr unsigned WM_SETCURSOR = 0x0020;
inline constexpr unsigned WM_KEYDOWN = 0x0100;
inline constexpr unsigned WM_KEYUP = 0x0101;
inline constexpr unsigned WM_CHAR = 0x0102;
inline constexpr unsigned WM_SYSKEYDOWN = 0x0104;
inline constexpr unsigned WM_SYSKEYUP = 0x0105;
inline constexpr unsigned WM_COMMAND = 0x0111;
inline constexpr unsigned WM_TIMER = 0x0113;
inline constexpr unsigned WM_MOUSEMOVE = 0x0200;
inline constexpr unsigned WM_LBUTTONDOWN = 0x0201;
inline constexpr unsigned WM_LBUTTONUP = 0x0202;
inline constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
inline constexpr unsigned WM_RBUTTONDOWN = 0x0204;
inline constexpr unsigned WM_RBUTTONUP = 0x0205;
inline constexpr unsigned WM_RBUTTONDBLCLK = 0x0206;
inline constexpr unsigned WM_MBUTTONDOWN = 0x0207;
inline constexpr unsigned WM_MBUTTONUP = 0x0208;
inline constexpr unsigned WM_MBUTTONDBLCLK = 0x0209;
inline constexpr unsigned WM_MOUSEWHEEL = 0x020A;
inline constexpr unsigned WM_USER = 0x0400;

// Framework notifications.
inline constexpr unsigned CM_BASE = 0xB000;
inline constexpr unsigned CM_ACTIVATE = CM_BASE + 0;
inline constexpr unsigned CM_DEACTIVATE = CM_BASE + 1;
inline constexpr unsigned CM_GOTFOCUS = CM_BASE + 2;
inline constexpr unsigned CM_LOSTFOCUS = CM_BASE + 3;
inline constexpr unsigned CM_CANCELMODE = CM_BASE + 4;
inline constexpr unsigned CM_DIALOGKEY = CM_BASE + 5;
inline constexpr unsigned CM_DIALOGCHAR = CM_BASE + 6;
inline constexpr unsigned CM_FOCUSCHANGED = CM_BASE + 7;
inline constexpr unsigned CM_PARENTFONTCHANGED = CM_BASE + 8;
inline constexpr unsigned CM_PARENTCOLORCHANGED = CM_BASE + 9;
inline constexpr unsigned CM_HITTEST = CM_BASE + 10;
inline constexpr unsigned CM_VISIBLECHANGED = CM_BASE + 11;
inline constexpr unsigned CM_ENABLEDCHANGED = CM_BASE + 12;
inline constexpr unsigned CM_COLORCHANGED = CM_BASE + 13;
inline constexpr unsigned CM_FONTCHANGED = CM_BASE + 14;
inline constexpr unsigned CM_CURSORCHANGED = CM_BASE + 15;
inline constexpr unsigned CM_CTL3DCHANGED = CM_BASE + 16;
inline constexpr unsigned CM_PARENTCTL3DCHANGED = CM_BASE + 17;
inline constexpr unsigned CM_TEXTCHANGED = CM_BASE + 18;
inline constexpr unsigned CM_MOUSEENTER = CM_BASE + 19;
inline constexpr unsigned CM_MOUSELEAVE = CM_BASE + 20;
inline constexpr unsigned CM_MENUCHANGED = CM_BASE + 21;
inline constexpr unsigned CM_APPKEYDOWN = CM_BASE + 22;
inline constexpr unsigned CM_APPSYSCOMMAND = CM_BASE + 23;
inline constexpr unsigned CM_BUTTONPRESSED = CM_BASE + 24;
inline constexpr unsigned CM_SHOWINGCHANGED = CM_BASE + 25;
inline constexpr unsigned CM_ENTER = CM_BASE + 26;
inline constexpr unsigned CM_EXIT = CM_BASE + 27;
inline constexpr unsigned CM_DESIGNHITTEST = CM_BASE + 28;
inline constexpr unsigned CM_ICONCHANGED = CM_BASE + 29;
inline constexpr unsigned CM_WANTSPECIALKEY = CM_BASE + 30;
inline constexpr unsigned CM_INVOKEHELP = CM_BASE + 31;
inline constexpr unsigned CM_WINDOWHOOK = CM_BASE + 32;
inline constexpr unsigned CM_RELEASE = CM_BASE + 33;
inline constexpr unsigned CM_SHOWHINTCHANGED = CM_BASE + 34;
inline constexpr unsigned CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
inline constexpr unsigned CM_SYSCOLORCHANGE = CM_BASE + 36;
inline constexpr unsigned CM_WININICHANGE = CM_BASE + 37;
inline constexpr unsigned CM_FONTCHANGE = CM_BASE + 38;
inline constexpr unsigned CM_TIMECHANGE = CM_BASE + 39;
inline constexpr unsigned CM_TABSTOPCHANGED = CM_BASE + 40;
inline constexpr unsigned CM_UIACTIVATE = CM_BASE + 41;
inline constexpr unsigned CM_UIDEACTIVATE = CM_BASE + 42;
inline constexpr unsigned CM_DOCWINDOWACTIVATE = CM_BASE + 43;
inline constexpr unsigned CM_CONTROLLISTCHANGE = CM_BASE + 44;
inline constexpr unsigned CM_GETDATALINK = CM_BASE + 45;
inline constexpr unsigned CM_CHILDKEY = CM_BASE + 46;
inline constexpr unsigned CM_BIDIMODECHANGED = CM_BASE + 60;
inline constexpr unsigned CM_PARENTBIDIMODECHANGED = CM_BASE + 61;

// Mouse-key state bits in the WParam of mouse messages.
inline constexpr unsigned MK_LBUTTON = 0x0001;
inline constexpr unsigned MK_RBUTTON = 0x0002;
inline constexpr unsigned MK_SHIFT = 0x0004;
inline constexpr unsigned MK_CONTROL = 0x0008;
inline constexpr unsigned MK_MBUTTON = 0x0010;

// Virtual-key codes of WM_KEYDOWN/WM_KEYUP; letters and digits are their
// upper-case ASCII codes.
inline constexpr unsigned VK_BACK = 0x08;
inline constexpr unsigned VK_TAB = 0x09;
inline constexpr unsigned VK_RETURN = 0x0D;
inline constexpr unsigned VK_SHIFT = 0x10;
inline constexpr unsigned VK_CONTROL = 0x11;
inline constexpr unsigned VK_MENU = 0x12;
inline constexpr unsigned VK_ESCAPE = 0x1B;
inline constexpr unsigned VK_SPACE = 0x20;
inline constexpr unsigned VK_PRIOR = 0x21;
inline constexpr unsigned VK_NEXT = 0x22;
inline constexpr unsigned VK_END = 0x23;
inline constexpr unsigned VK_HOME = 0x24;
inline constexpr unsigned VK_LEFT = 0x25;
inline constexpr unsigned VK_UP = 0x26;
inline constexpr unsigned VK_RIGHT = 0x27;
inline constexpr unsigned VK_DOWN = 0x28;
inline constexpr unsigned VK_INSERT = 0x2D;
inline constexpr unsigned VK_DELETE = 0x2E;
inline constexpr unsigned VK_F1 = 0x70;

// One message: its number, two parameters and the handler's result.
struct TMessage
{
    unsigned Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// Packs two 16-bit values as mouse messages carry a position.
constexpr LPARAM MakeLParam(int Low, int High)
{
    return static_cast<LPARAM>(
        static_cast<std::uint32_t>(static_cast<std::uint16_t>(Low)) |
        (static_cast<std::uint32_t>(static_cast<std::uint16_t>(High)) << 16));
}

// A mouse message seen through its fields: Keys (MK_* bits), XPos and YPos in
// the control's client coordinates.
class TWMMouse
{
public:
    explicit TWMMouse(TMessage &Message) : FMessage(Message) {}
    unsigned Msg() const { return FMessage.Msg; }
    unsigned Keys() const { return static_cast<unsigned>(FMessage.WParam); }
    int XPos() const { return static_cast<std::int16_t>(FMessage.LParam & 0xFFFF); }
    int YPos() const { return static_cast<std::int16_t>((FMessage.LParam >> 16) & 0xFFFF); }
    LRESULT Result() const { return FMessage.Result; }
    TMessage &Message() const { return FMessage; }

private:
    TMessage &FMessage;
};

// A key message: CharCode is the virtual-key code (WM_KEYDOWN/WM_KEYUP) or the
// character's Unicode code point (WM_CHAR, CM_DIALOGCHAR). Setting it to 0
// in a handler swallows the key.
class TWMKey
{
public:
    explicit TWMKey(TMessage &Message) : FMessage(Message) {}
    unsigned Msg() const { return FMessage.Msg; }
    unsigned CharCode() const { return static_cast<unsigned>(FMessage.WParam); }
    void SetCharCode(unsigned Value) { FMessage.WParam = Value; }
    LRESULT Result() const { return FMessage.Result; }
    TMessage &Message() const { return FMessage; }

private:
    TMessage &FMessage;
};
