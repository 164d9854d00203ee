// The native edit: single-line over a line edit, multi-line over a plain
// text editor, driven by the EM_ messages. Positions are byte offsets into
// the text as WM_GETTEXT gives it, lines of a multi-line edit end in CR LF
// there. The line queries count lines as shown: while the edit wraps words,
// a long text line is several lines, split where the wrap breaks it (those
// soft breaks are no characters of the text).
#include <QtGui/QTextBlock>
#include <QtGui/QTextDocument>
#include <QtGui/QTextLayout>
#include <QtWidgets/QPlainTextDocumentLayout>
#include <QtWidgets/QScrollBar>

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/gui/Controls.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/Input.h"
#include "platform/gui/detail/NativeWidgets.h"
#include "platform/gui/detail/WindowState.h"

namespace gui {
namespace detail {
namespace {

template <typename F>
void Guarded(F&& f) {
  try {
    f();
  } catch (...) {
    ReportException(std::current_exception());
  }
}

// Uniform access to either widget in the terms of the messages.
class Edit {
public:
  explicit Edit(WindowObj& w)
      : line_(dynamic_cast<NativeLineEdit*>(w.native)), text_(dynamic_cast<NativeTextEdit*>(w.native)),
        st_(StateOf(w.native)) {}
  bool Valid() const { return (line_ || text_) && st_; }
  bool Multi() const { return text_ != nullptr; }
  NativeState& St() { return *st_; }
  NativeLineEdit* Line() { return line_; }
  NativeTextEdit* Text() { return text_; }

  int Bytes(const QString& s) const { return ByteOffset(s, static_cast<int>(s.size()), st_->encoding); }

  // The text as WM_GETTEXT gives it; a multi-line one is made once per change.
  const std::string& Wire() const {
    NativeState& st = *st_;
    if (line_) {
      st.wire = Encode(line_->text(), st.encoding);
      return st.wire;
    }
    if (st.wireValid && st.wireEncoding == st.encoding) return st.wire;
    std::string out;
    out.reserve(static_cast<std::size_t>(text_->document()->characterCount()) + 2);
    for (QTextBlock b = text_->document()->begin(); b.isValid(); b = b.next()) {
      if (b != text_->document()->begin()) out += "\r\n";
      out += Encode(b.text(), st.encoding);
    }
    st.wire = std::move(out);
    st.wireValid = true;
    st.wireEncoding = st.encoding;
    return st.wire;
  }
  int WireLength() const {
    if (line_) return Bytes(line_->text());
    BlockStarts();
    return st_->wireLength;
  }
  // Where each block (a line of the text) starts, in bytes, kept until the
  // text changes: positions in long texts are found without walking every
  // block again.
  const std::vector<int>& BlockStarts() const {
    NativeState& st = *st_;
    if (st.lineStartsValid && st.lineStartsEncoding == st.encoding) return st.lineStarts;
    st.lineStarts.clear();
    st.lineStarts.reserve(static_cast<std::size_t>(text_->document()->blockCount()));
    int n = 0;
    for (QTextBlock b = text_->document()->begin(); b.isValid(); b = b.next()) {
      if (!st.lineStarts.empty()) n += 2;
      st.lineStarts.push_back(n);
      n += Bytes(b.text());
    }
    st.wireLength = n;
    st.lineStartsValid = true;
    st.lineStartsEncoding = st.encoding;
    return st.lineStarts;
  }
  // The block that holds the byte offset (a line break belongs to the block
  // before it).
  int BlockOfWire(int wire) const {
    const std::vector<int>& starts = BlockStarts();
    auto it = std::upper_bound(starts.begin(), starts.end(), wire);
    return it == starts.begin() ? 0 : static_cast<int>(it - starts.begin()) - 1;
  }
  int LineCount() const {
    if (line_) return 1;
    if (Wraps()) return static_cast<int>(Shown().size());
    return text_->document()->blockCount();
  }
  // Byte offset where a line starts, -1 past the last line.
  int LineStart(int line) const {
    if (line_) return line == 0 ? 0 : -1;
    if (Wraps()) {
      const std::vector<ShownLine>& shown = Shown();
      if (line < 0 || line >= static_cast<int>(shown.size())) return -1;
      return shown[static_cast<std::size_t>(line)].wire;
    }
    const std::vector<int>& starts = BlockStarts();
    return line >= 0 && line < static_cast<int>(starts.size()) ? starts[static_cast<std::size_t>(line)] : -1;
  }
  int LineBytes(int line) const {
    if (line_) return Bytes(line_->text());
    if (Wraps()) {
      const std::vector<ShownLine>& shown = Shown();
      if (line < 0 || line >= static_cast<int>(shown.size())) return 0;
      return shown[static_cast<std::size_t>(line)].bytes;
    }
    QTextBlock b = text_->document()->findBlockByNumber(line);
    return b.isValid() ? Bytes(b.text()) : 0;
  }
  int DocToWire(int pos) const {
    if (line_) return ByteOffset(line_->text(), pos, st_->encoding);
    QTextBlock blk = text_->document()->findBlock(pos);
    if (!blk.isValid()) return WireLength();
    return BlockStart(blk.blockNumber()) + ByteOffset(blk.text(), pos - blk.position(), st_->encoding);
  }
  int WireToDoc(int wire) const {
    if (line_) return CharIndex(line_->text(), wire, st_->encoding);
    int block = BlockOfWire(wire);
    QTextBlock b = text_->document()->findBlockByNumber(block);
    if (!b.isValid()) return 0;
    int within = wire - BlockStart(block);
    if (within <= Bytes(b.text())) return b.position() + CharIndex(b.text(), within, st_->encoding);
    return b.position() + static_cast<int>(b.text().size());  // inside the line break
  }
  int LineOfWire(int wire) const {
    if (line_) return 0;
    if (Wraps()) {
      // The last shown line starting at or before the offset: a soft break
      // belongs to the line it starts.
      const std::vector<ShownLine>& shown = Shown();
      auto it = std::upper_bound(shown.begin(), shown.end(), wire,
                                 [](int w, const ShownLine& l) { return w < l.wire; });
      return it == shown.begin() ? 0 : static_cast<int>(it - shown.begin()) - 1;
    }
    return BlockOfWire(wire);
  }
  // The first line shown at the top (the editor scrolls by shown lines).
  int FirstVisibleLine() const {
    if (line_) return 0;
    if (Wraps()) return text_->verticalScrollBar()->value();
    return text_->FirstVisibleBlock().blockNumber();
  }
  // Scrolls so that line (clamped) is the first shown.
  void ScrollToLine(int line) {
    if (Wraps()) {
      text_->verticalScrollBar()->setValue(std::clamp(line, 0, std::max(0, LineCount() - 1)));
      return;
    }
    line = std::clamp(line, 0, std::max(0, text_->document()->blockCount() - 1));
    text_->verticalScrollBar()->setValue(text_->document()->findBlockByNumber(line).firstLineNumber());
  }
  // Selection in document positions.
  void Selection(int& start, int& end, int& caret) const {
    if (line_) {
      caret = line_->cursorPosition();
      if (line_->hasSelectedText()) {
        start = line_->selectionStart();
        end = start + static_cast<int>(line_->selectedText().size());
      } else {
        start = end = caret;
      }
      return;
    }
    QTextCursor c = text_->textCursor();
    start = c.selectionStart();
    end = c.selectionEnd();
    caret = c.position();
  }
  void SetSelection(int anchor, int position) {
    st_->programmatic = true;
    if (line_) {
      if (anchor == position)
        line_->setCursorPosition(position);
      else
        line_->setSelection(anchor, position - anchor);
    } else {
      // Selecting does not scroll (EM_SCROLLCARET does).
      int v = text_->verticalScrollBar()->value(), h = text_->horizontalScrollBar()->value();
      QTextCursor c(text_->document());
      c.setPosition(anchor);
      c.setPosition(position, QTextCursor::KeepAnchor);
      text_->setTextCursor(c);
      text_->verticalScrollBar()->setValue(v);
      text_->horizontalScrollBar()->setValue(h);
    }
    st_->programmatic = false;
  }
  QWidget* Widget() const { return line_ ? static_cast<QWidget*>(line_) : static_cast<QWidget*>(text_); }

private:
  using ShownLine = NativeState::ShownLine;
  bool Wraps() const { return text_ && text_->lineWrapMode() != QPlainTextEdit::NoWrap; }
  // Byte offset where a text line (a block) starts.
  int BlockStart(int block) const {
    const std::vector<int>& starts = BlockStarts();
    if (starts.empty() || block <= 0) return 0;
    if (block < static_cast<int>(starts.size())) return starts[static_cast<std::size_t>(block)];
    return st_->wireLength + 2;
  }
  // The lines as shown, kept until the text, the width or the font changes.
  // A block whose characters surely fit the width is one line without being
  // laid out: laying out every line of a long text is what makes counting
  // its lines dear.
  const std::vector<ShownLine>& Shown() const {
    NativeState& st = *st_;
    QTextDocument* doc = text_->document();
    auto* layout = qobject_cast<QPlainTextDocumentLayout*>(doc->documentLayout());
    // The width the layout gives a line, read from the first block's layout
    // (laying out one block is cheap).
    qreal width = -1;
    if (layout) {
      layout->ensureBlockLayout(doc->begin());
      QTextLayout* first = doc->begin().layout();
      if (first && first->lineCount() > 0) width = first->lineAt(0).width();
    }
    QString font = doc->defaultFont().key();
    Wire();
    const std::vector<int>& starts = BlockStarts();
    if (st.shownValid && st.shownWidth == width && st.shownFont == font) return st.shown;
    if (st.shownFont != font || st.advances.empty()) {
      QFontMetricsF metrics(doc->defaultFont());
      st.advances.assign(128, 0);
      for (char16_t c = 32; c < 127; ++c) st.advances[c] = metrics.horizontalAdvance(QChar(c));
    }
    std::vector<ShownLine> out;
    out.reserve(starts.size());
    AddShownLines(doc->begin(), 0, width, out);
    st.shown = std::move(out);
    st.shownValid = true;
    st.shownWidth = width;
    st.shownFont = font;
    return st.shown;
  }

public:
  // After text was added at the very end of a multi-line edit whose line
  // starts and text were known (wire, line starts and shown lines as they
  // were before, shownKnown: whether the shown lines were known): makes
  // them those of the longer text from the bytes added
  // (valid UTF-8 in a UTF-8 text) and the lines from the last old one on,
  // instead of walking every line of the text again on the next question.
  // The text of a growing log is then never walked whole. Leaves everything
  // to be made again when the document does not agree.
  void KeepAppended(std::string_view added, int oldBlocks, bool shownKnown) {
    NativeState& st = *st_;
    QTextDocument* doc = text_->document();
    const int oldLength = st.wireLength;
    std::string wire;
    wire.reserve(added.size() + 16);
    std::vector<int> starts;
    for (std::size_t i = 0; i < added.size(); ++i) {
      char c = added[i];
      if (c != '\r' && c != '\n') {
        wire += c;
        continue;
      }
      if (c == '\r' && i + 1 < added.size() && added[i + 1] == '\n') ++i;
      wire += "\r\n";
      starts.push_back(oldLength + static_cast<int>(wire.size()));
    }
    if (static_cast<int>(st.lineStarts.size() + starts.size()) != doc->blockCount() || oldBlocks < 1) return;
    st.wire += wire;
    st.lineStarts.insert(st.lineStarts.end(), starts.begin(), starts.end());
    st.wireLength = oldLength + static_cast<int>(wire.size());
    st.lineStartsValid = st.wireValid = true;
    if (!shownKnown || !Wraps()) return;
    // The last old line may have grown: its shown lines are made again.
    const int lastOld = st.lineStarts[static_cast<std::size_t>(oldBlocks - 1)];
    while (!st.shown.empty() && st.shown.back().wire >= lastOld) st.shown.pop_back();
    AddShownLines(doc->findBlockByNumber(oldBlocks - 1), static_cast<std::size_t>(oldBlocks - 1), st.shownWidth,
                  st.shown);
    st.shownValid = true;
  }

private:
  // The shown lines of the blocks from b (the k-th) to the last, where a
  // line has width (negative: unknown) to fill.
  void AddShownLines(QTextBlock b, std::size_t k, qreal width, std::vector<ShownLine>& out) const {
    NativeState& st = *st_;
    auto* layout = qobject_cast<QPlainTextDocumentLayout*>(text_->document()->documentLayout());
    const std::string& wire = st.wire;
    const std::vector<int>& starts = st.lineStarts;
    // Less a tenth for what shaping may add to the sum of the characters'
    // own widths.
    qreal room = width > 0 ? width * 0.9 - 2 : -1;
    for (; b.isValid(); b = b.next(), ++k) {
      int n = k < starts.size() ? starts[k] : st.wireLength;
      int end = k + 1 < starts.size() ? starts[k + 1] - 2 : st.wireLength;
      // (Asking a block for its layout makes one: only blocks that may
      // wrap are asked.)
      if (FitsOneLine(std::string_view(wire).substr(static_cast<std::size_t>(n), static_cast<std::size_t>(end - n)),
                      room)) {
        out.push_back(ShownLine{n, end - n});
        continue;
      }
      if (layout) layout->ensureBlockLayout(b);
      QTextLayout* l = b.layout();
      QString t = b.text();
      int count = l ? l->lineCount() : 0;
      if (count == 0) {
        out.push_back(ShownLine{n, Bytes(t)});
      } else {
        for (int i = 0; i < count; ++i) {
          QTextLine line = l->lineAt(i);
          int from = ByteOffset(t, line.textStart(), st.encoding);
          int to = ByteOffset(t, line.textStart() + line.textLength(), st.encoding);
          out.push_back(ShownLine{n + from, to - from});
        }
      }
    }
  }
  // Whether a line of plain characters (space to tilde) takes one shown line
  // in the room a line has (negative: none known, so the layout decides).
  bool FitsOneLine(std::string_view bytes, qreal room) const {
    qreal sum = 0;
    for (char c : bytes) {
      auto u = static_cast<unsigned char>(c);
      if (u < 32 || u >= 127) return false;
      sum += st_->advances[u];
    }
    return room >= 0 && sum <= room;
  }

  NativeLineEdit* line_;
  NativeTextEdit* text_;
  NativeState* st_;
};

// After WM_SETTEXT: the line starts, and the text as WM_GETTEXT gives it (the
// breaks made CR LF), come straight from the bytes set, not from a walk over
// every line of the document. Characters the toolkit takes as paragraph or
// frame breaks (U+2029, U+FDD0, U+FDD1) or drops (a leading byte order mark)
// leave it to the walk, as does a line count that differs from the document's.
bool TakenAsItStands(std::string_view bytes) {
  return !(bytes.rfind("\xEF\xBB\xBF", 0) == 0 || bytes.find("\xE2\x80\xA9") != std::string::npos ||
           bytes.find("\xEF\xB7\x90") != std::string::npos || bytes.find("\xEF\xB7\x91") != std::string::npos);
}

void KeepSetText(NativeState& st, std::string bytes, int blocks) {
  if (st.encoding == TextEncoding::Utf8 && !TakenAsItStands(bytes)) return;
  std::vector<int> starts;
  starts.reserve(static_cast<std::size_t>(blocks));
  starts.push_back(0);
  bool crlfOnly = true;
  std::size_t n = bytes.size();
  int wire = 0;
  int from = 0;
  for (std::size_t i = 0; i < n; ++i) {
    char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    wire += static_cast<int>(i) - from + 2;
    starts.push_back(wire);
    if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
      ++i;
    else
      crlfOnly = false;
    from = static_cast<int>(i) + 1;
  }
  wire += static_cast<int>(n) - from;
  if (static_cast<int>(starts.size()) != blocks) return;
  if (crlfOnly) {
    st.wire = std::move(bytes);
  } else {
    st.wire.clear();
    st.wire.reserve(static_cast<std::size_t>(wire));
    for (std::size_t i = 0; i < n; ++i) {
      char c = bytes[i];
      if (c != '\r' && c != '\n') {
        st.wire += c;
        continue;
      }
      if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ++i;
      st.wire += "\r\n";
    }
  }
  st.lineStarts = std::move(starts);
  st.wireLength = wire;
  st.lineStartsValid = st.wireValid = true;
  st.lineStartsEncoding = st.wireEncoding = st.encoding;
}

int CopyOut(const std::string& s, char* buf, std::size_t size, bool terminate) {
  if (!buf || size == 0) return 0;
  std::size_t n = std::min(s.size(), terminate ? size - 1 : size);
  std::memcpy(buf, s.data(), n);
  if (terminate) buf[n] = '\0';
  return static_cast<int>(n);
}

// EM_REPLACESEL with bytes that are no UTF-8 into a UTF-8 text: the whole
// text turns Windows-1252, so it is set again whole as it reads after the
// replacement (no character is lost), with the caret after the new text, the
// view kept and one change reported.
void ReplaceSelectionWhole(WindowObj& w, Edit& ed, std::string_view bytes) {
  std::string added;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c != '\r' && c != '\n') {
      added += c;
      continue;
    }
    if (!ed.Multi()) continue;  // a single line takes no breaks
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    added += "\r\n";
  }
  int s0, s1, caret;
  ed.Selection(s0, s1, caret);
  int from = ed.DocToWire(s0), to = ed.DocToWire(s1);
  std::string whole = ed.Wire();
  whole.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from), added);
  NativeTextEdit* t = ed.Text();
  int v = t ? t->verticalScrollBar()->value() : 0, h = t ? t->horizontalScrollBar()->value() : 0;
  bool handled = false;
  EditProc(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(whole.c_str()), handled);
  int at = ed.WireToDoc(from + static_cast<int>(added.size()));
  ed.SetSelection(at, at);
  if (t) {
    t->verticalScrollBar()->setValue(v);
    t->horizontalScrollBar()->setValue(h);
    t->ensureCursorVisible();
    t->document()->setModified(true);
    Notify(w, EN_CHANGE);  // setting a multi-line text reports none itself
  } else {
    ed.Line()->setModified(true);
  }
}

void ApplyWrapAndBars(WindowObj& w, NativeTextEdit* t) {
  bool wrap = !(w.style & (ES_AUTOHSCROLL | WS_HSCROLL));
  t->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  t->setVerticalScrollBarPolicy((w.style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  t->setHorizontalScrollBarPolicy((w.style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

}  // namespace

QWidget* CreateEditWidget(WindowObj& w, QWidget* parent) {
  HWND hwnd = w.handle;
  if (w.style & ES_MULTILINE) {
    auto* t = new NativeTextEdit(parent);
    t->setFrameShape(QFrame::NoFrame);
    t->document()->setDocumentMargin(1);
    t->setTabChangesFocus(false);
    t->state.encoding = EncodingOf(w.text);
    t->state.settingText = true;
    t->setPlainText(Decode(w.text, t->state.encoding));  // CR LF, LF and CR all break lines
    t->state.settingText = false;
    QObject::connect(t, &QPlainTextEdit::textChanged, t, [hwnd, t] {
      Guarded([&] {
        if (t->state.settingText) return;
        if (WindowObj* win = Win(hwnd)) Notify(*win, EN_CHANGE);
      });
    });
    QObject::connect(t->verticalScrollBar(), &QScrollBar::valueChanged, t, [hwnd] {
      Guarded([&] {
        if (WindowObj* win = Win(hwnd)) Notify(*win, EN_VSCROLL);
      });
    });
    QObject::connect(t->horizontalScrollBar(), &QScrollBar::valueChanged, t, [hwnd] {
      Guarded([&] {
        if (WindowObj* win = Win(hwnd)) Notify(*win, EN_HSCROLL);
      });
    });
    return t;
  }
  auto* e = new NativeLineEdit(parent);
  e->setFrame(false);
  e->setMaxLength(30000);
  e->state.encoding = EncodingOf(w.text);
  e->setText(Decode(w.text, e->state.encoding));
  e->setCursorPosition(0);
  QObject::connect(e, &QLineEdit::textChanged, e, [hwnd] {
    Guarded([&] {
      if (WindowObj* win = Win(hwnd)) Notify(*win, EN_CHANGE);
    });
  });
  return e;
}

void EditStyleChanged(WindowObj& w) {
  Edit ed(w);
  if (!ed.Valid()) return;
  Qt::Alignment align = (w.style & ES_RIGHT) ? Qt::AlignRight : (w.style & ES_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
  if (NativeLineEdit* l = ed.Line()) {
    l->setAlignment(align | Qt::AlignVCenter);
    l->setReadOnly(w.style & ES_READONLY);
    l->setEchoMode((w.style & ES_PASSWORD) ? QLineEdit::Password : QLineEdit::Normal);
  } else {
    NativeTextEdit* t = ed.Text();
    t->setReadOnly(w.style & ES_READONLY);
    ApplyWrapAndBars(w, t);
    QTextOption opt = t->document()->defaultTextOption();
    opt.setAlignment(align);
    t->document()->setDefaultTextOption(opt);
  }
}

bool EditCaretPos(WindowObj& w, Point& p) {
  Edit ed(w);
  if (!ed.Valid()) return false;
  QPoint tl;
  if (NativeLineEdit* l = ed.Line())
    tl = l->CaretRect().topLeft();
  else
    tl = ed.Text()->viewport()->mapTo(ed.Text(), ed.Text()->cursorRect().topLeft());
  p = Point{tl.x(), tl.y()};
  return true;
}

namespace {

// WM_SETTEXT: the text is taken in the encoding its bytes read as.
LRESULT SetText(WindowObj& w, Edit& ed, LPARAM lParam) {
  NativeState& st = ed.St();
  const char* s = reinterpret_cast<const char*>(lParam);
  std::string bytes = s ? s : "";
  st.encoding = EncodingOf(bytes);
  w.text = bytes;
  if (NativeLineEdit* l = ed.Line()) {
    l->setText(Decode(bytes, st.encoding));
    l->setCursorPosition(0);  // new text starts with the caret at its beginning
    l->setModified(false);
  } else {
    // The document takes the text straight (CR LF, LF and CR all break
    // lines); the editor's own setter would walk it once more to give
    // it the caret's character format, which a plain text never has.
    NativeTextEdit* t = ed.Text();
    QTextDocument* doc = t->document();
    st.settingText = true;
    doc->setPlainText(Decode(bytes, st.encoding));
    t->setTextCursor(QTextCursor(doc));
    t->verticalScrollBar()->setValue(0);
    t->horizontalScrollBar()->setValue(0);
    doc->setModified(false);
    st.settingText = false;
    KeepSetText(st, std::move(bytes), doc->blockCount());
  }
  return 1;
}

// EM_REPLACESEL: the new text goes in place of the selection.
LRESULT ReplaceSelection(WindowObj& w, Edit& ed, LPARAM lParam) {
  NativeState& st = ed.St();
  const char* s = reinterpret_cast<const char*>(lParam);
  std::string_view bytes = s ? std::string_view(s) : std::string_view();
  if (st.encoding == TextEncoding::Utf8 && !IsValidUtf8(bytes)) {
    ReplaceSelectionWhole(w, ed, bytes);
    return 0;
  }
  // The new characters read in the text's own encoding, so that its bytes
  // come back unchanged.
  QString text = Decode(bytes, st.encoding);
  if (NativeLineEdit* l = ed.Line()) {
    l->insert(text.remove(QLatin1Char('\r')).remove(QLatin1Char('\n')));
  } else {
    // Only the selection changes: the view stays unless the caret, right
    // after the new text, would be out of it.
    NativeTextEdit* t = ed.Text();
    QTextDocument* doc = t->document();
    int s0, s1, caret;
    ed.Selection(s0, s1, caret);
    const bool appending = s0 == s1 && s1 == doc->characterCount() - 1 && st.encoding == TextEncoding::Utf8 &&
                           st.lineStartsValid && st.wireValid && st.lineStartsEncoding == st.encoding &&
                           st.wireEncoding == st.encoding && TakenAsItStands(bytes);
    const int blocks = doc->blockCount();
    const bool shownKnown = st.shownValid;
    t->insertPlainText(text);  // CR LF, LF and CR all break lines
    if (appending) ed.KeepAppended(bytes, blocks, shownKnown);
    t->ensureCursorVisible();
  }
  return 0;
}

// Getting, setting and replacing the text.
std::optional<LRESULT> EditText(WindowObj& w, Edit& ed, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETTEXT: return SetText(w, ed, lParam);
    case WM_GETTEXT: return CopyOut(ed.Wire(), reinterpret_cast<char*>(lParam), wParam, true);
    case WM_GETTEXTLENGTH: return ed.WireLength();
    case EM_REPLACESEL: return ReplaceSelection(w, ed, lParam);
  }
  return std::nullopt;
}

// WM_CHAR: a typed character meets the style (digits only, case) and the
// length limit before the editor takes it.
LRESULT TypeChar(WindowObj& w, Edit& ed, WPARAM wParam) {
  NativeState& st = ed.St();
  char32_t c = static_cast<char32_t>(wParam);
  if (c >= 32) {
    if (w.style & ES_NUMBER && !(c >= '0' && c <= '9')) {
      MessageBeep(0);
      return 0;
    }
    QString one = QString::fromUcs4(&c, 1);
    if (w.style & ES_UPPERCASE) one = one.toUpper();
    if (w.style & ES_LOWERCASE) one = one.toLower();
    std::u32string u = one.toStdU32String();
    if (!u.empty()) c = u.front();
    if (st.limit > 0 && !(w.style & ES_READONLY)) {
      int s0, s1, caret;
      ed.Selection(s0, s1, caret);
      int selected = ed.DocToWire(s1) - ed.DocToWire(s0);
      if (ed.WireLength() - selected + ed.Bytes(one) > st.limit) {
        MessageBeep(0);
        return 0;
      }
    }
  }
  MarkPassToToolkit(WM_CHAR, static_cast<WPARAM>(c));
  return 0;
}

// The keys the edit wants, and typed characters.
std::optional<LRESULT> EditKeys(WindowObj& w, Edit& ed, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | (ed.Multi() ? DLGC_WANTALLKEYS : 0);
    case WM_CHAR: return TypeChar(w, ed, wParam);
    case WM_SYSCHAR: MarkPassToToolkit(WM_SYSCHAR, wParam); return 0;
  }
  return std::nullopt;
}

// The selection and the caret.
std::optional<LRESULT> EditSelection(WindowObj&, Edit& ed, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto wparamInt = static_cast<std::intptr_t>(wParam);
  switch (msg) {
    case EM_GETSEL: {
      int s0, s1, caret;
      ed.Selection(s0, s1, caret);
      int a = ed.DocToWire(s0), b = ed.DocToWire(s1);
      if (auto* p = reinterpret_cast<DWORD*>(wParam)) *p = static_cast<DWORD>(a);
      if (auto* p = reinterpret_cast<DWORD*>(lParam)) *p = static_cast<DWORD>(b);
      return MAKELRESULT(std::min(a, 0xFFFF), std::min(b, 0xFFFF));
    }
    case EM_SETSEL: {
      int len = ed.WireLength();
      std::intptr_t s = wparamInt, e = lParam;
      if (s == -1) {
        int s0, s1, caret;
        ed.Selection(s0, s1, caret);
        ed.SetSelection(caret, caret);
        return 0;
      }
      if (e < 0 || e > len) e = len;
      if (s < 0 || s > len) s = len;
      ed.SetSelection(ed.WireToDoc(static_cast<int>(s)), ed.WireToDoc(static_cast<int>(e)));
      return 0;
    }
    case EM_GETCARETINDEX: {
      int s0, s1, caret;
      ed.Selection(s0, s1, caret);
      return ed.DocToWire(caret);
    }
  }
  return std::nullopt;
}

// Lines as shown: counts, starts, lengths and their text.
std::optional<LRESULT> EditLines(WindowObj&, Edit& ed, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto wparamInt = static_cast<std::intptr_t>(wParam);
  switch (msg) {
    case EM_GETLINECOUNT: return ed.LineCount();
    case EM_LINEINDEX: {
      int line = static_cast<int>(wparamInt);
      if (line < 0) {
        int s0, s1, caret;
        ed.Selection(s0, s1, caret);
        line = ed.LineOfWire(ed.DocToWire(caret));
      }
      return ed.LineStart(line);
    }
    case EM_LINEFROMCHAR: {
      std::intptr_t c = wparamInt;
      if (c < 0) {
        int s0, s1, caret;
        ed.Selection(s0, s1, caret);
        return ed.LineOfWire(ed.DocToWire(s0 != s1 ? s0 : caret));
      }
      return ed.LineOfWire(static_cast<int>(std::min<std::intptr_t>(c, ed.WireLength())));
    }
    case EM_LINELENGTH: {
      std::intptr_t c = wparamInt;
      if (c < 0) {
        int s0, s1, caret;
        ed.Selection(s0, s1, caret);
        int a = ed.DocToWire(s0), b = ed.DocToWire(s1);
        int la = ed.LineOfWire(a), lb = ed.LineOfWire(b);
        return (a - ed.LineStart(la)) + (ed.LineStart(lb) + ed.LineBytes(lb) - b);
      }
      return ed.LineBytes(ed.LineOfWire(static_cast<int>(std::min<std::intptr_t>(c, ed.WireLength()))));
    }
    case EM_GETLINE: {
      char* buf = reinterpret_cast<char*>(lParam);
      if (!buf) return 0;
      WORD size;
      std::memcpy(&size, buf, sizeof size);
      int line = static_cast<int>(wparamInt);
      if (line < 0 || line >= ed.LineCount()) return 0;
      int start = ed.LineStart(line);
      return CopyOut(ed.Wire().substr(static_cast<std::size_t>(start), static_cast<std::size_t>(ed.LineBytes(line))),
                     buf, size, false);
    }
  }
  return std::nullopt;
}

// Scrolling.
std::optional<LRESULT> EditScrolling(WindowObj&, Edit& ed, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto wparamInt = static_cast<std::intptr_t>(wParam);
  switch (msg) {
    case EM_GETFIRSTVISIBLELINE: return ed.FirstVisibleLine();
    case EM_LINESCROLL: {
      if (!ed.Multi()) return 0;
      NativeTextEdit* t = ed.Text();
      if (static_cast<int>(lParam) != 0) ed.ScrollToLine(ed.FirstVisibleLine() + static_cast<int>(lParam));
      if (wparamInt != 0) {
        int step = std::max(1, QFontMetrics(t->font()).horizontalAdvance(QLatin1Char('x')));
        t->horizontalScrollBar()->setValue(t->horizontalScrollBar()->value() + static_cast<int>(wparamInt) * step);
      }
      return 1;
    }
    case EM_SCROLL: {
      if (!ed.Multi()) return 0;
      QScrollBar* bar = ed.Text()->verticalScrollBar();
      int before = bar->value();
      switch (wParam) {
        case SB_LINEUP: bar->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
        case SB_LINEDOWN: bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
        case SB_PAGEUP: bar->triggerAction(QAbstractSlider::SliderPageStepSub); break;
        case SB_PAGEDOWN: bar->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
        default: return 0;
      }
      int moved = bar->value() - before;
      return moved == 0 ? 0 : MAKELRESULT(moved, 1);
    }
    case EM_SCROLLCARET:
      if (ed.Multi()) ed.Text()->ensureCursorVisible();
      return 1;
  }
  return std::nullopt;
}

// The modified flag, undo and the clipboard.
std::optional<LRESULT> EditChanges(WindowObj&, Edit& ed, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case EM_GETMODIFY: return ed.Multi() ? ed.Text()->document()->isModified() : ed.Line()->isModified();
    case EM_SETMODIFY:
      if (ed.Multi())
        ed.Text()->document()->setModified(wParam != 0);
      else
        ed.Line()->setModified(wParam != 0);
      return 0;
    case EM_CANUNDO: return ed.Multi() ? ed.Text()->document()->isUndoAvailable() : ed.Line()->isUndoAvailable();
    case EM_UNDO:
    case WM_UNDO: {
      bool can = ed.Multi() ? ed.Text()->document()->isUndoAvailable() : ed.Line()->isUndoAvailable();
      if (ed.Multi())
        ed.Text()->undo();
      else
        ed.Line()->undo();
      return can ? 1 : 0;
    }
    case EM_EMPTYUNDOBUFFER:
      if (ed.Multi()) {
        ed.Text()->document()->clearUndoRedoStacks();
      } else {
        NativeLineEdit* l = ed.Line();
        bool blocked = l->blockSignals(true);
        int pos = l->cursorPosition();
        bool modified = l->isModified();
        l->setText(l->text());
        l->setCursorPosition(pos);
        l->setModified(modified);
        l->blockSignals(blocked);
      }
      return 0;
    case WM_CUT:
      if (ed.Multi()) ed.Text()->cut(); else ed.Line()->cut();
      return 0;
    case WM_COPY:
      if (ed.Multi()) ed.Text()->copy(); else ed.Line()->copy();
      return 0;
    case WM_PASTE:
      if (ed.Multi()) ed.Text()->paste(); else ed.Line()->paste();
      return 0;
    case WM_CLEAR:
      if (ed.Multi()) {
        QTextCursor c = ed.Text()->textCursor();
        c.removeSelectedText();
        ed.Text()->setTextCursor(c);
      } else if (ed.Line()->hasSelectedText()) {
        ed.Line()->del();
      }
      return 0;
  }
  return std::nullopt;
}

// Read-only, the length limit, the password character and the cue banner.
std::optional<LRESULT> EditState(WindowObj& w, Edit& ed, UINT msg, WPARAM wParam, LPARAM lParam) {
  NativeState& st = ed.St();
  switch (msg) {
    case EM_SETREADONLY:
      if (wParam)
        w.style |= ES_READONLY;
      else
        w.style &= ~ES_READONLY;
      EditStyleChanged(w);
      return 1;
    case EM_LIMITTEXT:
      st.limit = static_cast<int>(wParam);
      if (NativeLineEdit* l = ed.Line()) l->setMaxLength(wParam ? static_cast<int>(wParam) : 0x7FFFFFFF);
      return 0;
    case EM_GETLIMITTEXT: return st.limit > 0 ? st.limit : (ed.Multi() ? 0x7FFFFFFE : 30000);
    case EM_SETPASSWORDCHAR:
      if (NativeLineEdit* l = ed.Line()) {
        if (wParam)
          w.style |= ES_PASSWORD;
        else
          w.style &= ~ES_PASSWORD;
        l->setEchoMode(wParam ? QLineEdit::Password : QLineEdit::Normal);
      }
      return 0;
    case EM_GETPASSWORDCHAR: return (w.style & ES_PASSWORD) ? '*' : 0;
    case EM_SETCUEBANNER: {
      const char* s = reinterpret_cast<const char*>(lParam);
      st.cueBanner = s ? s : "";
      st.cueWhenFocused = wParam != 0;
      QString text = Decode(st.cueBanner);
      bool hide = ed.Widget()->hasFocus() && !st.cueWhenFocused;
      if (NativeLineEdit* l = ed.Line())
        l->setPlaceholderText(hide ? QString() : text);
      else
        ed.Text()->setPlaceholderText(text);
      return 1;
    }
    case EM_GETCUEBANNER: return CopyOut(st.cueBanner, reinterpret_cast<char*>(wParam), static_cast<std::size_t>(lParam), true) > 0 || st.cueBanner.empty() ? 1 : 0;
    case EM_SETTABSTOPS: return 1;
  }
  return std::nullopt;
}

// Positions of characters, and the margins.
std::optional<LRESULT> EditGeometry(WindowObj& w, Edit& ed, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto wparamInt = static_cast<std::intptr_t>(wParam);
  switch (msg) {
    case EM_POSFROMCHAR: {
      int len = ed.WireLength();
      auto c = static_cast<int>(wparamInt);
      if (c < 0 || c > len) return -1;
      QPoint p;
      if (NativeLineEdit* l = ed.Line()) {
        p = l->CaretRectAt(ed.WireToDoc(c)).topLeft();
      } else {
        QTextCursor cur(ed.Text()->document());
        cur.setPosition(ed.WireToDoc(c));
        p = ed.Text()->viewport()->mapTo(ed.Text(), ed.Text()->cursorRect(cur).topLeft());
      }
      return MAKELRESULT(p.x(), p.y());
    }
    case EM_CHARFROMPOS: {
      QPoint p(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      if (!ed.Widget()->rect().contains(p)) return -1;
      int docPos, line = 0;
      if (NativeLineEdit* l = ed.Line()) {
        docPos = l->cursorPositionAt(p);
      } else {
        QTextCursor cur = ed.Text()->cursorForPosition(ed.Text()->viewport()->mapFrom(ed.Text(), p));
        docPos = cur.position();
        line = ed.LineOfWire(ed.DocToWire(docPos));
      }
      return MAKELRESULT(ed.DocToWire(docPos) & 0xFFFF, line & 0xFFFF);
    }
    case EM_SETMARGINS: {
      QMargins m = ed.Multi() ? ed.Text()->Margins() : ed.Line()->textMargins();
      if (wParam & EC_LEFTMARGIN) m.setLeft(LOWORD(static_cast<std::uintptr_t>(lParam)));
      if (wParam & EC_RIGHTMARGIN) m.setRight(HIWORD(static_cast<std::uintptr_t>(lParam)));
      if (ed.Multi())
        ed.Text()->SetMargins(m);
      else
        ed.Line()->setTextMargins(m);
      return 0;
    }
    case EM_GETMARGINS: {
      QMargins m = ed.Multi() ? ed.Text()->Margins() : ed.Line()->textMargins();
      return MAKELRESULT(m.left(), m.right());
    }
    case EM_GETRECT: {
      if (auto* r = reinterpret_cast<Rect*>(lParam)) {
        QMargins m = ed.Multi() ? ed.Text()->Margins() : ed.Line()->textMargins();
        *r = Rect{m.left(), m.top(), w.client.Width() - m.right(), w.client.Height() - m.bottom()};
      }
      return 0;
    }
  }
  return std::nullopt;
}

}  // namespace

LRESULT EditProc(WindowObj& w, UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  Edit ed(w);
  handled = false;
  if (!ed.Valid()) return 0;
  using Group = std::optional<LRESULT> (*)(WindowObj&, Edit&, UINT, WPARAM, LPARAM);
  static constexpr Group kGroups[] = {EditText,      EditKeys,    EditSelection, EditLines,
                                      EditScrolling, EditChanges, EditState,     EditGeometry};
  for (Group group : kGroups) {
    if (std::optional<LRESULT> r = group(w, ed, msg, wParam, lParam)) {
      handled = true;
      return *r;
    }
  }
  return 0;
}

}  // namespace detail
}  // namespace gui
