#pragma once
// Enumerations, key codes and event types shared by every unit of the forms layer.

#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"
#include "platform/rtti/TypInfo.h"

#include <QString>
#include <cstdint>
#include <functional>

class TObject;
class TControl;

using Word = std::uint16_t;
using TModalResult = int;

constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;
constexpr TModalResult mrClose = 11;

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
KORVEL_ENUM(TShiftStateItem, "ssShift,ssAlt,ssCtrl,ssLeft,ssRight,ssMiddle,ssDouble")
KORVEL_SET(TShiftState, TShiftStateItem)

enum TMouseButton { mbLeft, mbRight, mbMiddle };
KORVEL_ENUM(TMouseButton, "mbLeft,mbRight,mbMiddle")

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
KORVEL_ENUM(TAlign, "alNone,alTop,alBottom,alLeft,alRight,alClient,alCustom")
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
KORVEL_ENUM(TAnchorKind, "akLeft,akTop,akRight,akBottom")
KORVEL_SET(TAnchors, TAnchorKind)

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
KORVEL_ENUM(TAlignment, "taLeftJustify,taRightJustify,taCenter")
enum TVerticalAlignment { taAlignTop, taAlignBottom, taVerticalCenter };
KORVEL_ENUM(TVerticalAlignment, "taAlignTop,taAlignBottom,taVerticalCenter")
// A control's border uses the first two members; a form's all of them.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
KORVEL_ENUM(TFormBorderStyle, "bsNone,bsSingle,bsSizeable,bsDialog,bsToolWindow,bsSizeToolWin")
using TBorderStyle = TFormBorderStyle;
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
                 poDesktopCenter, poMainFormCenter, poOwnerFormCenter };
KORVEL_ENUM(TPosition, "poDesigned,poDefault,poDefaultPosOnly,poDefaultSizeOnly,poScreenCenter,"
                       "poDesktopCenter,poMainFormCenter,poOwnerFormCenter")
// Whether a window stays above the other windows of the desktop.
enum TFormStyle { fsNormal, fsStayOnTop };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
KORVEL_ENUM(TCloseAction, "caNone,caHide,caFree,caMinimize")
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
KORVEL_ENUM(TWindowState, "wsNormal,wsMinimized,wsMaximized")
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
KORVEL_ENUM(TCheckBoxState, "cbUnchecked,cbChecked,cbGrayed")
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
KORVEL_ENUM(TScrollStyle, "ssNone,ssHorizontal,ssVertical,ssBoth")

// Control states kept by the layer itself.
enum TControlStateItem { csLButtonDown, csClicked, csFocusing, csCreating, csAligning };
using TControlState = TSet<TControlStateItem>;

// Control style flags consulted by the mouse and paint handling.
enum TControlStyleItem { csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents,
                         csFramed, csSetCaption, csOpaque, csDoubleClicks, csFixedWidth,
                         csFixedHeight, csNoDesignVisible, csReplicatable, csNoStdEvents,
                         csDisplayDragImage, csReflector, csActionClient, csMenuEvents,
                         csNeedsBorderPaint, csParentBackground, csPannable, csGestures };
using TControlStyle = TSet<TControlStyleItem>;

// Cursor numbers: the standard ones are negative; programs register their own above zero.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// Virtual key codes.
constexpr Word VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_CANCEL = 0x03, VK_MBUTTON = 0x04;
constexpr Word VK_BACK = 0x08, VK_TAB = 0x09, VK_CLEAR = 0x0C, VK_RETURN = 0x0D;
constexpr Word VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13,
               VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21,
               VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26,
               VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_SELECT = 0x29, VK_PRINT = 0x2A,
               VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_HELP = 0x2F,
               VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_APPS = 0x5D, VK_NUMPAD0 = 0x60,
               VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C, VK_SUBTRACT = 0x6D,
               VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F2 = 0x71, VK_F3 = 0x72,
               VK_F4 = 0x73, VK_F5 = 0x74, VK_F6 = 0x75, VK_F7 = 0x76, VK_F8 = 0x77,
               VK_F9 = 0x78, VK_F10 = 0x79, VK_F11 = 0x7A, VK_F12 = 0x7B, VK_NUMLOCK = 0x90,
               VK_SCROLL = 0x91, VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC,
               VK_OEM_MINUS = 0xBD, VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0,
               VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE;

// Window scroll bars: selectors, requests and the information record.
constexpr int SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3;
constexpr int SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1,
              SB_PAGEUP = 2, SB_PAGELEFT = 2, SB_PAGEDOWN = 3, SB_PAGERIGHT = 3,
              SB_THUMBPOSITION = 4, SB_THUMBTRACK = 5, SB_TOP = 6, SB_LEFT = 6,
              SB_BOTTOM = 7, SB_RIGHT = 7, SB_ENDSCROLL = 8;
constexpr unsigned SIF_RANGE = 0x1, SIF_PAGE = 0x2, SIF_POS = 0x4, SIF_DISABLENOSCROLL = 0x8,
                   SIF_TRACKPOS = 0x10, SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
constexpr int ESB_ENABLE_BOTH = 0, ESB_DISABLE_BOTH = 3;

struct TScrollInfo {
    unsigned cbSize = 28;
    unsigned fMask = 0;
    int nMin = 0;
    int nMax = 0;
    unsigned nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

// Event types.
using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift,
                                       int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta,
                                            TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* Sender, TShiftState Shift,
                                                  TPoint MousePos, bool& Handled)>;
using TKeyEvent = std::function<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, QChar& Key)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// ShortCut: a virtual key with scShift, scCtrl and scAlt bits.
using TShortCut = Word;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
