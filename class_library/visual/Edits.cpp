// TCustomEdit and TCustomMemo over the window layer's native edit.
#include <algorithm>

#include "class_library/visual/StdCtrls.h"
#include "platform/gui/Controls.h"

namespace {

// Offsets of the starts of the lines of Text (a line ends at CR LF, LF or CR).
std::vector<std::size_t> LineStarts(const String& Text) {
  std::vector<std::size_t> starts{0};
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
    if (Text[i] == '\r' || Text[i] == '\n') starts.push_back(i + 1);
  }
  return starts;
}

// The length of the line at Start, without its break.
std::size_t LineLength(const String& Text, std::size_t Start) {
  std::size_t end = Text.find_first_of("\r\n", Start);
  return (end == String::npos ? Text.size() : end) - Start;
}

// How many lines Text holds, given their starts: an empty last line (after a
// final break, or of an empty text) is not a line.
int LineCount(const String& Text, const std::vector<std::size_t>& Starts) {
  int count = static_cast<int>(Starts.size());
  if (Starts.back() == Text.size()) --count;
  return count;
}

// Text with every line followed by CR LF: breaks (CR LF, LF or CR) become
// CR LF, and a last line without one gets one.
String WithLineBreaks(const String& Text) {
  String out;
  out.reserve(Text.size() + 2);
  std::size_t i = 0;
  while (i < Text.size()) {
    std::size_t end = Text.find_first_of("\r\n", i);
    if (end == String::npos) {
      out.append(Text, i, String::npos);
      out += "\r\n";
      break;
    }
    out.append(Text, i, end - i);
    out += "\r\n";
    i = end + (Text[end] == '\r' && end + 1 < Text.size() && Text[end + 1] == '\n' ? 2 : 1);
  }
  return out;
}

}  // namespace

// ---- TCustomEdit ---------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  controlStyle_ = csClickEvents | csSetCaption | csDoubleClicks | csFixedHeight;
  PlaceBounds(0, 0, 121, 21);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomEdit::~TCustomEdit() { Destroying(); }

void TCustomEdit::SetWindowParams(TCreateParams& Params) {
  TWinControl::SetWindowParams(Params);
  Params.ClassName = gui::EDIT_CLASS;
  Params.Style |= gui::ES_AUTOHSCROLL;
  if (alignment_ == taRightJustify) Params.Style |= gui::ES_RIGHT;
  if (alignment_ == taCenter) Params.Style |= gui::ES_CENTER;
  if (!hideSelection_) Params.Style |= gui::ES_NOHIDESEL;
  if (readOnly_) Params.Style |= gui::ES_READONLY;
  if (passwordChar_) Params.Style |= gui::ES_PASSWORD;
  if (charCase_ == ecUpperCase) Params.Style |= gui::ES_UPPERCASE;
  if (charCase_ == ecLowerCase) Params.Style |= gui::ES_LOWERCASE;
  if (borderStyle_ == bsSingle) Params.ExStyle |= gui::WS_EX_CLIENTEDGE;
}

void TCustomEdit::MakeWindow() {
  TWinControl::MakeWindow();
  gui::HWND h = Handle();
  gui::SendMessage(h, gui::EM_LIMITTEXT, static_cast<WPARAM>(maxLength_));
  if (passwordChar_) gui::SendMessage(h, gui::EM_SETPASSWORDCHAR, static_cast<unsigned char>(passwordChar_));
  gui::SendMessage(h, gui::EM_SETMODIFY, modified_ ? 1 : 0);
  gui::SendMessage(h, gui::EM_SETSEL, static_cast<WPARAM>(selStart_), selStart_ + selLength_);
}

void TCustomEdit::DestroyWnd() {
  if (HandleAllocated()) {
    modified_ = Modified();
    selStart_ = SelStart();
    selLength_ = SelLength();
  }
  TWinControl::DestroyWnd();
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
  if (borderStyle_ == Value) return;
  borderStyle_ = Value;
  RecreateWnd();
}

void TCustomEdit::SetAlignment(TAlignment Value) {
  if (alignment_ == Value) return;
  alignment_ = Value;
  RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool Value) {
  if (hideSelection_ == Value) return;
  hideSelection_ = Value;
  RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
  if (charCase_ == Value) return;
  charCase_ = Value;
  RecreateWnd();
}

void TCustomEdit::SetMaxLength(int Value) {
  maxLength_ = std::max(Value, 0);
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::EM_LIMITTEXT, static_cast<WPARAM>(maxLength_));
}

void TCustomEdit::SetPasswordChar(char Value) {
  if (passwordChar_ == Value) return;
  passwordChar_ = Value;
  RecreateWnd();
}

void TCustomEdit::SetReadOnly(bool Value) {
  if (readOnly_ == Value) return;
  readOnly_ = Value;
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::EM_SETREADONLY, Value ? 1 : 0);
}

bool TCustomEdit::Modified() {
  if (!HandleAllocated()) return modified_;
  return gui::SendMessage(Handle(), gui::EM_GETMODIFY) != 0;
}

void TCustomEdit::SetModified(bool Value) {
  modified_ = Value;
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::EM_SETMODIFY, Value ? 1 : 0);
}

int TCustomEdit::SelStart() {
  if (!HandleAllocated()) return selStart_;
  gui::DWORD start = 0, end = 0;
  gui::SendMessage(Handle(), gui::EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

int TCustomEdit::SelLength() {
  if (!HandleAllocated()) return selLength_;
  gui::DWORD start = 0, end = 0;
  gui::SendMessage(Handle(), gui::EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSelStart(int Value) {
  selStart_ = Value;
  selLength_ = 0;
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::EM_SETSEL, static_cast<WPARAM>(Value), Value);
}

void TCustomEdit::SetSelLength(int Value) {
  int start = SelStart();
  selLength_ = Value;
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::EM_SETSEL, static_cast<WPARAM>(start), start + Value);
}

String TCustomEdit::SelText() {
  // The selection is in what the window shows (a masked edit's Text is
  // another view of it).
  String text = TWinControl::GetText();
  std::size_t start = std::min<std::size_t>(static_cast<std::size_t>(SelStart()), text.size());
  return text.substr(start, static_cast<std::size_t>(SelLength()));
}

void TCustomEdit::SetSelText(const String& Value) {
  if (!HandleAllocated()) {
    String text = TControl::GetText();
    std::size_t start = std::min<std::size_t>(static_cast<std::size_t>(selStart_), text.size());
    text.replace(start, static_cast<std::size_t>(selLength_), Value);
    SetText(text);
    return;
  }
  // The window reports the change itself (EN_CHANGE), a multi-line one too:
  // telling it again would make two changes of one.
  gui::SendMessage(Handle(), gui::EM_REPLACESEL, 1, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TCustomEdit::SelectAll() {
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::EM_SETSEL, 0, -1);
}

bool TCustomEdit::CanUndo() { return HandleAllocated() && gui::SendMessage(Handle(), gui::EM_CANUNDO) != 0; }
void TCustomEdit::Undo() {
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::WM_UNDO);
}
void TCustomEdit::ClearUndo() {
  if (HandleAllocated()) gui::SendMessage(Handle(), gui::EM_EMPTYUNDOBUFFER);
}
void TCustomEdit::CopyToClipboard() { gui::SendMessage(Handle(), gui::WM_COPY); }
void TCustomEdit::CutToClipboard() { gui::SendMessage(Handle(), gui::WM_CUT); }
void TCustomEdit::PasteFromClipboard() { gui::SendMessage(Handle(), gui::WM_PASTE); }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::CMTextChanged(TMessage& Message) {
  TWinControl::CMTextChanged(Message);
  // A single-line window reports a new text itself (EN_CHANGE); a
  // multi-line one does not.
  if (!HandleAllocated() || (gui::GetWindowLong(Handle(), gui::GWL_STYLE) & gui::ES_MULTILINE)) Change();
}

void TCustomEdit::CMEnter(TMessage& Message) {
  if (autoSelect_ && !(controlState_ & csLButtonDown) && HandleAllocated() &&
      !(gui::GetWindowLong(Handle(), gui::GWL_STYLE) & gui::ES_MULTILINE))
    SelectAll();
  TWinControl::CMEnter(Message);
}

void TCustomEdit::WMEraseBkgnd(TMessage& Message) { DefaultHandler(Message); }
void TCustomEdit::WMPaint(TMessage& Message) { DefaultHandler(Message); }

void TCustomEdit::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_COMMAND) {
    if (gui::HIWORD(Message.WParam) == gui::EN_CHANGE && !(controlState_ & csCreating)) Change();
    return;
  }
  TWinControl::Dispatch(Message);
}

// ---- TCustomMemo -------------------------------------------------------------------

// The lines of a memo, kept in its text.
class TCustomMemo::TMemoStrings : public TStrings {
public:
  explicit TMemoStrings(TCustomMemo* Memo) : memo_(Memo) {}
  String ClassName() const override { return "TMemoStrings"; }

  int Count() const override {
    String text = memo_->Text();
    return LineCount(text, LineStarts(text));
  }
  String Strings(int Index) const override {
    String text = memo_->Text();
    std::vector<std::size_t> starts = LineStarts(text);
    if (Index < 0 || Index >= LineCount(text, starts))
      throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    std::size_t start = starts[static_cast<std::size_t>(Index)];
    return text.substr(start, LineLength(text, start));
  }
  void SetStrings(int Index, const String& S) override {
    String text = memo_->Text();
    std::vector<std::size_t> starts = LineStarts(text);
    if (Index < 0 || Index >= LineCount(text, starts))
      throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    std::size_t start = starts[static_cast<std::size_t>(Index)];
    std::size_t length = LineLength(text, start);
    if (!memo_->HandleAllocated()) {
      text.replace(start, length, S);
      memo_->SetText(text);
      return;
    }
    // Only the line's characters change: selecting them and replacing the
    // selection leaves the rest of the text, the view and what can be undone
    // as they were, and the caret right after the new text (setting the
    // whole text would put the caret and the view back at the top).
    gui::SendMessage(memo_->Handle(), gui::EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
    memo_->SetSelText(S);
  }
  void Insert(int Index, const String& S) override {
    String text = memo_->Text();
    std::vector<std::size_t> starts = LineStarts(text);
    int count = LineCount(text, starts);
    if (Index < 0 || Index > count) throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    if (Index < static_cast<int>(starts.size())) {
      text.insert(starts[static_cast<std::size_t>(Index)], S + "\r\n");
    } else {
      // After a last line without a break.
      text += "\r\n" + S;
    }
    memo_->SetText(text);
  }
  void Delete(int Index) override {
    String text = memo_->Text();
    std::vector<std::size_t> starts = LineStarts(text);
    if (Index < 0 || Index >= LineCount(text, starts))
      throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    std::size_t start = starts[static_cast<std::size_t>(Index)];
    std::size_t end = static_cast<std::size_t>(Index) + 1 < starts.size() ? starts[static_cast<std::size_t>(Index) + 1]
                                                                            : text.size();
    text.erase(start, end - start);
    memo_->SetText(text);
  }
  void Clear() override { memo_->SetText(String()); }

  // The whole text in one pass: going through Count and Strings would read
  // the memo's text once per line.
  String Text() const override { return WithLineBreaks(memo_->Text()); }
  // One write of the memo's text (so one change) instead of one per line;
  // the text is the one adding the lines one by one would make.
  void SetText(const String& Text) override { memo_->SetText(WithLineBreaks(Text)); }
  void Assign(TPersistent* Source) override {
    auto* strings = dynamic_cast<TStrings*>(Source);
    if (!strings || strings == this) {
      TStrings::Assign(Source);
      return;
    }
    // A memo's lines hold no objects: copying the lines is writing their
    // text, each line followed by CR LF as adding them one by one does
    // (a line holding a break stays as it is).
    memo_->SetText(strings->Text());
  }

private:
  TCustomMemo* memo_;
};

TCustomMemo::TCustomMemo(TComponent* AOwner)
    : TCustomEdit(AOwner), lines_(std::make_unique<TMemoStrings>(this)) {
  controlStyle_ &= ~unsigned(csFixedHeight);
  PlaceBounds(0, 0, 185, 89);
  SetAutoSelect(false);
}

TCustomMemo::~TCustomMemo() { Destroying(); }

TStrings* TCustomMemo::Lines() { return lines_.get(); }

void TCustomMemo::SetWindowParams(TCreateParams& Params) {
  TCustomEdit::SetWindowParams(Params);
  Params.Style |= gui::ES_MULTILINE | gui::ES_AUTOVSCROLL;
  if (wordWrap_) Params.Style &= ~gui::ES_AUTOHSCROLL;
  if (wantReturns_) Params.Style |= gui::ES_WANTRETURN;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) Params.Style |= gui::WS_VSCROLL;
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) Params.Style |= gui::WS_HSCROLL;
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
  if (scrollBars_ == Value) return;
  scrollBars_ = Value;
  RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool Value) {
  if (wordWrap_ == Value) return;
  wordWrap_ = Value;
  RecreateWnd();
}

TPoint TCustomMemo::CaretPos() {
  // The caret stands at the end of the selection.
  if (!HandleAllocated()) return TPoint{SelStart() + SelLength(), 0};
  gui::DWORD start = 0, end = 0;
  gui::SendMessage(Handle(), gui::EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  int line = static_cast<int>(gui::SendMessage(Handle(), gui::EM_LINEFROMCHAR, static_cast<WPARAM>(end)));
  int lineStart = static_cast<int>(gui::SendMessage(Handle(), gui::EM_LINEINDEX, static_cast<WPARAM>(line)));
  return TPoint{static_cast<int>(end) - lineStart, line};
}

void TCustomMemo::SetCaretPos(TPoint Value) {
  if (!HandleAllocated()) {
    SetSelStart(Value.X);
    return;
  }
  LRESULT lineStart = gui::SendMessage(Handle(), gui::EM_LINEINDEX, static_cast<WPARAM>(Value.Y));
  if (lineStart < 0) return;
  int pos = static_cast<int>(lineStart) + Value.X;
  gui::SendMessage(Handle(), gui::EM_SETSEL, static_cast<WPARAM>(pos), pos);
  gui::SendMessage(Handle(), gui::EM_SCROLLCARET);
}

void TCustomMemo::AppendText(const String& Text) {
  if (Text.empty()) return;
  if (!HandleAllocated()) {
    SetText(TControl::GetText() + Text);
    return;
  }
  const gui::HWND h = Handle();
  gui::DWORD start = 0, end = 0;
  gui::SendMessage(h, gui::EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const auto caret = static_cast<gui::DWORD>(gui::SendMessage(h, gui::EM_GETCARETINDEX));
  const LRESULT first = gui::SendMessage(h, gui::EM_GETFIRSTVISIBLELINE);
  const LRESULT length = gui::SendMessage(h, gui::WM_GETTEXTLENGTH);
  gui::SendMessage(h, gui::EM_SETSEL, static_cast<WPARAM>(length), length);
  gui::SendMessage(h, gui::EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(Text.c_str()));
  // The selection is set back from its anchor to the caret, so that a
  // selection made upwards stays one.
  const gui::DWORD anchor = caret == start ? end : start;
  gui::SendMessage(h, gui::EM_SETSEL, static_cast<WPARAM>(anchor), static_cast<LPARAM>(caret));
  const LRESULT now = gui::SendMessage(h, gui::EM_GETFIRSTVISIBLELINE);
  if (now != first) gui::SendMessage(h, gui::EM_LINESCROLL, 0, first - now);
}

int TCustomMemo::TextLength() {
  if (!HandleAllocated()) return static_cast<int>(TControl::GetText().size());
  return static_cast<int>(gui::SendMessage(Handle(), gui::WM_GETTEXTLENGTH));
}

void TCustomMemo::WMGetDlgCode(TMessage& Message) {
  TCustomEdit::WMGetDlgCode(Message);
  if (wantTabs_) {
    Message.Result |= gui::DLGC_WANTTAB;
  } else {
    Message.Result &= ~gui::DLGC_WANTTAB;
  }
  if (!wantReturns_) Message.Result &= ~gui::DLGC_WANTALLKEYS;
}
