#pragma once
// The toolkit widgets behind the native controls, and the per-control state
// the layer keeps for them.
#include <QtGui/QTextBlock>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtGui/QTextDocument>
#include <QtWidgets/QPlainTextEdit>

#include <string>

#include "platform/gui/Types.h"
#include "platform/gui/detail/QtConv.h"

namespace gui::detail {

struct WindowObj;

// Shared by the three widgets: what the layer remembers about the control.
struct NativeState {
  HWND hwnd{};
  TextEncoding encoding = TextEncoding::Utf8;
  bool settingText = false;      // inside WM_SETTEXT: no EN_CHANGE for a multi-line edit
  bool programmatic = false;     // the layer itself changes the selection
  bool resending = false;        // a key event the layer sends on itself
  std::string cueBanner;
  bool cueWhenFocused = false;
  int limit = 0;                 // EM_LIMITTEXT, bytes (0: none)
  QCursor ownCursor;
  QColor textColor;
  QColor baseColor;
  bool colorsKnown = false;
  bool selectionHidden = false;  // an edit without the focus hides its selection
  int itemHeight = 0;            // list box
  int horizontalExtent = 0;      // list box
  int anchor = -1;               // list box
  std::vector<int> tabStops;     // list box, dialog units / 4 per average character
  // Multi-line edit: where each line starts in the text as WM_GETTEXT gives
  // it (bytes), and the whole length; made again after each change.
  std::vector<int> lineStarts;
  int wireLength = 0;
  bool lineStartsValid = false;
  TextEncoding lineStartsEncoding = TextEncoding::Utf8;
  // The text as WM_GETTEXT gives it, kept from WM_SETTEXT until a change.
  std::string wire;
  bool wireValid = false;
  TextEncoding wireEncoding = TextEncoding::Utf8;
  // While words wrap: the lines as shown (where each starts in the text and
  // how many bytes it holds), kept until a change of the text, the width or
  // the font.
  struct ShownLine {
    int wire;
    int bytes;
  };
  std::vector<ShownLine> shown;
  bool shownValid = false;
  qreal shownWidth = 0;
  QString shownFont;
  // The width of each of the first 256 characters in shownFont.
  std::vector<qreal> advances;
  // Forgets what the text's content decides.
  void TextChanged() { lineStartsValid = wireValid = shownValid = false; }
};

class NativeLineEdit : public QLineEdit {
public:
  explicit NativeLineEdit(QWidget* parent) : QLineEdit(parent) {}
  NativeState state;
  QRect CaretRect() const { return cursorRect(); }
  // Where the text cursor would stand at pos (widget coordinates).
  QRect CaretRectAt(int pos) {
    if (pos == cursorPosition()) return cursorRect();
    bool blocked = blockSignals(true);
    int keepPos = cursorPosition();
    int selStart = selectionStart();
    int selLen = static_cast<int>(selectedText().size());
    bool caretAtStart = selStart >= 0 && keepPos == selStart;
    setCursorPosition(pos);
    QRect r = cursorRect();
    if (selStart >= 0) {
      if (caretAtStart)
        setSelection(selStart + selLen, -selLen);
      else
        setSelection(selStart, selLen);
    } else {
      setCursorPosition(keepPos);
    }
    blockSignals(blocked);
    return r;
  }

protected:
  bool focusNextPrevChild(bool) override { return false; }
};

class NativeTextEdit : public QPlainTextEdit {
public:
  explicit NativeTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    QObject::connect(document(), &QTextDocument::contentsChanged, this, [this] { state.TextChanged(); });
  }
  NativeState state;
  QTextBlock FirstVisibleBlock() const { return firstVisibleBlock(); }
  QMargins Margins() const { return viewportMargins(); }
  void SetMargins(const QMargins& m) { setViewportMargins(m); }

protected:
  bool focusNextPrevChild(bool) override { return false; }
};

class NativeListBox : public QListWidget {
public:
  explicit NativeListBox(QWidget* parent) : QListWidget(parent) {}
  NativeState state;

protected:
  bool focusNextPrevChild(bool) override { return false; }
};

NativeState* StateOf(QWidget* native);

// Edit (NativeEdit.cpp) and list box (NativeList.cpp) parts.
QWidget* CreateEditWidget(WindowObj& w, QWidget* parent);
LRESULT EditProc(WindowObj& w, UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
void EditStyleChanged(WindowObj& w);
bool EditCaretPos(WindowObj& w, Point& p);
QWidget* CreateListWidget(WindowObj& w, QWidget* parent);
LRESULT ListProc(WindowObj& w, UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
void ListStyleChanged(WindowObj& w);
// Sends WM_COMMAND with a notification to the control's parent.
void Notify(WindowObj& w, WORD code);
// Asks the parent for the control's colours (WM_CTLCOLOR*) and applies them.
void AskColors(WindowObj& w, QWidget* widget, UINT ctlColorMsg);
// The toolkit font of a font handle (the default GUI font for none).
QFont ToolkitFont(HFONT font);

}  // namespace gui::detail
