#include "controls/VkSystem.h"

#include <optional>

#include "class_library/core/RegIniFile.h"
#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"
#include "class_library/visual/Forms.h"
#include "platform/gui/Window.h"

namespace {

// A device context of the screen, released at the end of the scope.
class ScreenDC {
public:
  ScreenDC() : dc_(gui::GetDC(gui::HWND{})) {}
  ~ScreenDC() {
    if (!gui::IsNull(dc_)) gui::ReleaseDC(gui::HWND{}, dc_);
  }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  gui::HDC get() const { return dc_; }

private:
  gui::HDC dc_;
};

bool ReadTextMetrics(TFont* Font, gui::TextMetric& tm) {
  ScreenDC dc;
  if (gui::IsNull(dc.get())) return false;
  gui::HFONT old = gui::SelectObject(dc.get(), Font->Handle());
  bool ok = gui::GetTextMetrics(dc.get(), tm);
  gui::SelectObject(dc.get(), old);
  return ok;
}

struct Version {
  int major, minor;
};
// The version each kind stands for.
Version KindVersion(TOSVersionKind Kind) {
  switch (Kind) {
    case osWin95:
    case osWinNT: return {4, 0};
    case osWin98: return {4, 10};
    case osWinME: return {4, 90};
    case osWin2000: return {5, 0};
    case osWinXP: return {5, 1};
    case osWin2003: return {5, 2};
    case osWinVista: return {6, 0};
  }
  return {0, 0};
}

}  // namespace

bool ScreenIsFullColor() {
  ScreenDC dc;
  return !gui::IsNull(dc.get()) && gui::GetDeviceCaps(dc.get(), gui::NUMCOLORS) == -1;
}

bool FullColorScreen() {
  // Taken once the screen can be asked (not before the window layer starts).
  static std::optional<bool> full;
  if (!full) {
    ScreenDC dc;
    if (gui::IsNull(dc.get())) return false;
    full = gui::GetDeviceCaps(dc.get(), gui::NUMCOLORS) == -1;
  }
  return *full;
}

int ReadXPColorScheme() {
  TRegIniFile settings("\\Software\\Microsoft\\Windows\\CurrentVersion");
  String name = UpperCase(settings.ReadString("ThemeManager", "ColorName", ""));
  if (name == "HOMESTEAD") return 1;
  if (name == "METALLIC") return 2;
  return 0;
}

bool IsWindowsVersionOf(TOSVersionKind Kind, int Platform, int Major, int Minor) {
  switch (Kind) {
    case osWin95: return Platform == 1 && Major <= 4 && Minor == 0;
    case osWinNT: return Platform == 2 && Major <= 4;
    case osWin98: return Platform == 1 && Major <= 4 && Minor == 10;
    case osWinME: return Platform == 1 && Major <= 4 && Minor == 90;
    case osWin2000: return Platform == 2 && Major == 5 && Minor == 0;
    case osWinXP: return Platform == 2 && Major == 5 && Minor == 1;
    case osWin2003: return Platform == 2 && Major == 5 && Minor == 2;
    case osWinVista: return Platform == 2 && Major == 6 && Minor == 0;
  }
  return false;
}

bool IsWindowsVersionOrLaterOf(TOSVersionKind Kind, int Platform, int Major, int Minor) {
  // The three oldest kinds are reached from either family; the rest only
  // from the NT family.
  bool family = Kind == osWin95 || Kind == osWin98 || Kind == osWinME ? Platform == 1 || Platform == 2 : Platform == 2;
  Version v = KindVersion(Kind);
  return family && (Major > v.major || (Major == v.major && Minor >= v.minor));
}

bool IsWindowsVersion(TOSVersionKind Kind) {
  return IsWindowsVersionOf(Kind, Win32Platform, Win32MajorVersion, Win32MinorVersion);
}

bool IsWindowsVersionOrLater(TOSVersionKind Kind) {
  return IsWindowsVersionOrLaterOf(Kind, Win32Platform, Win32MajorVersion, Win32MinorVersion);
}

bool FontIsTrueType(TFont* Font) {
  gui::TextMetric tm;
  return ReadTextMetrics(Font, tm) && (tm.tmPitchAndFamily & gui::TMPF_TRUETYPE) != 0;
}

int FontLineHeight(TFont* Font) {
  gui::TextMetric tm;
  return (ReadTextMetrics(Font, tm) ? tm.tmHeight : 0) + 2;
}

gui::UniqueGdi<gui::HFONT> CreateAngledFont(TFont* Font, int Angle) {
  gui::LogFont lf;
  lf.lfHeight = Font->Height();
  lf.lfWidth = 0;
  lf.lfEscapement = Angle * 10;
  lf.lfOrientation = 0;
  TFontStyles style = Font->Style();
  lf.lfWeight = style & FontStyle(fsBold) ? gui::FW_BOLD : gui::FW_NORMAL;
  lf.lfItalic = style & FontStyle(fsItalic) ? 1 : 0;
  lf.lfUnderline = style & FontStyle(fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = style & FontStyle(fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = Font->Charset();
  lf.lfPitchAndFamily = Font->Pitch() == fpVariable ? gui::VARIABLE_PITCH
                        : Font->Pitch() == fpFixed  ? gui::FIXED_PITCH
                                                    : gui::DEFAULT_PITCH;
  lf.lfFaceName = Font->Name();
  return gui::UniqueGdi<gui::HFONT>(gui::CreateFontIndirect(lf));
}

int CanvasDrawText(TCanvas* Canvas, const String& Text, TRect& Rect, UINT Flags) {
  Canvas->RequireAll();
  return gui::DrawText(Canvas->Handle(), Text, Rect, Flags);
}

LRESULT SendTextMessage(gui::HWND Handle, UINT Msg, WPARAM WParam, const String& Text) {
  return gui::SendMessage(Handle, Msg, WParam, reinterpret_cast<LPARAM>(Text.c_str()));
}

void InvalidateNonClientFrame(gui::HWND Handle, const TRect* Rect) {
  gui::HDC dc = gui::GetWindowDC(Handle);
  if (gui::IsNull(dc)) return;
  TRect box;
  int kind = gui::GetClipBox(dc, box);
  gui::ReleaseDC(Handle, dc);
  if (kind != gui::ERROR && kind != gui::NULLREGION)
    gui::RedrawWindow(Handle, Rect, gui::HRGN{}, gui::RDW_FRAME | gui::RDW_INVALIDATE);
}

void InvalidateTransparentChildren(TWinControl* Parent) {
  if (!Parent) return;
  for (int i = 0; i < Parent->ControlCount(); ++i) {
    TControl* child = Parent->Controls(i);
    const TPropInfo* prop = GetPropInfo(child, "Transparent");
    if (prop && prop->Kind == TTypeKind::tkBoolean && prop->GetOrd && prop->GetOrd(child) != 0) child->Invalidate();
  }
}

bool TestBit(int Index, std::span<const std::uint32_t> Bits) {
  if (Index < 0 || static_cast<std::size_t>(Index / 32) >= Bits.size()) return false;
  return (Bits[static_cast<std::size_t>(Index / 32)] >> (Index % 32)) & 1u;
}

void NotifyDesigner(TControl* Control) {
  // No designer exists at run time; the design-mode test keeps the call
  // harmless should one ever be attached.
  if (!Control || !Control->ComponentState().Contains(csDesigning)) return;
}
