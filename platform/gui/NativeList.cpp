// The native list box over a list widget, driven by the LB_ messages. Items
// keep the bytes they were given; items are drawn by the layer's own drawing
// calls (or, owner-drawn, by the parent through WM_DRAWITEM).
#include <QtGui/QPainter>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStyledItemDelegate>

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/gui/Controls.h"
#include "platform/gui/Gdi.h"
#include "platform/gui/Screen.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/DcInternal.h"
#include "platform/gui/detail/Input.h"
#include "platform/gui/detail/NativeWidgets.h"
#include "platform/gui/detail/WindowState.h"
#include "platform/gui/detail/TextInternal.h"

namespace gui {
namespace detail {
namespace {

constexpr int kBytesRole = Qt::UserRole + 1;
constexpr int kDataRole = Qt::UserRole + 2;

std::string BytesOf(const QListWidgetItem* item) {
  if (!item) return {};
  QByteArray b = item->data(kBytesRole).toByteArray();
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

int DefaultItemHeight(const WindowObj& w) {
  FontObj* f = Font(w.font);
  if (!f) f = Font(GetStockFont(DEFAULT_GUI_FONT));
  return f ? f->tm.tmHeight : 13;
}

class ListDelegate : public QStyledItemDelegate {
public:
  ListDelegate(HWND hwnd, NativeListBox* list) : QStyledItemDelegate(list), hwnd_(hwnd), list_(list) {}

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    int h = list_->state.itemHeight > 0 ? list_->state.itemHeight : 13;
    return QSize(std::max(list_->state.horizontalExtent, list_->viewport()->width()), h);
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    GuardedCall([&] { Paint(painter, option, index); });
  }

private:
  void Paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    WindowObj* w = Win(hwnd_);
    if (!w) return;
    QRect qr = option.rect;
    Rect r{qr.left(), qr.top(), qr.left() + qr.width(), qr.top() + qr.height()};
    bool selected = option.state & QStyle::State_Selected;
    bool focus = (option.state & QStyle::State_HasFocus) && list_->hasFocus();
    bool disabled = (w->style & WS_DISABLED) != 0;
    HDC dc = NewBorrowedDc(painter, QRegion(qr));
    if (w->style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) {
      DrawItemStruct dis;
      dis.CtlType = ODT_LISTBOX;
      dis.CtlID = static_cast<UINT>(w->id);
      dis.itemID = index.row();
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = (selected ? ODS_SELECTED : 0) | (focus ? ODS_FOCUS : 0) | (disabled ? ODS_DISABLED : 0);
      dis.hwndItem = hwnd_;
      dis.hDC = dc;
      dis.rcItem = r;
      dis.itemData = static_cast<std::uintptr_t>(index.data(kDataRole).toULongLong());
      HWND parent = w->parent;
      if (Win(parent)) SendMessage(parent, WM_DRAWITEM, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&dis));
    } else {
      const NativeState& st = list_->state;
      COLORREF back = selected ? GetSysColor(COLOR_HIGHLIGHT)
                               : (st.colorsKnown ? RGB(st.baseColor.red(), st.baseColor.green(), st.baseColor.blue())
                                                 : GetSysColor(COLOR_WINDOW));
      COLORREF text = disabled   ? GetSysColor(COLOR_GRAYTEXT)
                      : selected ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                 : (st.colorsKnown ? RGB(st.textColor.red(), st.textColor.green(), st.textColor.blue())
                                                   : GetSysColor(COLOR_WINDOWTEXT));
      UniqueGdi<HBRUSH> brush(CreateSolidBrush(back));
      FillRect(dc, r, brush.get());
      HFONT font = Font(w->font) ? w->font : GetStockFont(DEFAULT_GUI_FONT);
      SelectObject(dc, font);
      SetTextColor(dc, text);
      SetBkMode(dc, TRANSPARENT);
      Rect tr = r;
      tr.Left += 2;
      UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
      if (w->style & LBS_USETABSTOPS) flags |= DT_EXPANDTABS;
      std::string bytes = BytesOf(list_->item(index.row()));
      DrawText(dc, bytes, tr, flags);
      if (focus) DrawFocusRect(dc, r);
    }
    FreeDc(dc);
  }

  HWND hwnd_;
  NativeListBox* list_;
};

NativeListBox* ListOf(WindowObj& w) { return dynamic_cast<NativeListBox*>(w.native); }

bool Multi(const WindowObj& w) { return w.style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL); }

int InsertAt(NativeListBox* lb, int index, const std::string& bytes) {
  auto* item = new QListWidgetItem(Decode(bytes));
  item->setData(kBytesRole, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  item->setData(kDataRole, QVariant::fromValue<qulonglong>(0));
  if (index < 0 || index > lb->count()) index = lb->count();
  lb->state.programmatic = true;
  lb->insertItem(index, item);
  lb->state.programmatic = false;
  return index;
}

// The first index whose item compares above s (Above) or not below s
// (without regard to case); the items of a sorted list are in that order.
int SortedBound(NativeListBox* lb, const QString& s, bool Above) {
  int lo = 0, hi = lb->count();
  while (lo < hi) {
    int mid = lo + (hi - lo) / 2;
    int c = QString::compare(lb->item(mid)->text(), s, Qt::CaseInsensitive);
    if (Above ? c <= 0 : c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

int SortedPlace(NativeListBox* lb, const std::string& bytes) { return SortedBound(lb, Decode(bytes), true); }

int Find(NativeListBox* lb, std::intptr_t start, const char* text, bool exact, bool sorted) {
  int n = lb->count();
  if (n == 0 || !text) return static_cast<int>(LB_ERR);
  QString s = Decode(text);
  if (sorted && start < 0) {
    // Items that begin with s follow one another from the first not below s.
    int i = SortedBound(lb, s, false);
    if (i < n) {
      const QString t = lb->item(i)->text();
      if (exact ? QString::compare(t, s, Qt::CaseInsensitive) == 0 : t.startsWith(s, Qt::CaseInsensitive)) return i;
    }
    return static_cast<int>(LB_ERR);
  }
  int from = (start < 0 || start >= n) ? 0 : static_cast<int>(start) + 1;
  for (int k = 0; k < n; ++k) {
    int i = (from + k) % n;
    const QString t = lb->item(i)->text();
    bool hit = exact ? QString::compare(t, s, Qt::CaseInsensitive) == 0 : t.startsWith(s, Qt::CaseInsensitive);
    if (hit) return i;
  }
  return static_cast<int>(LB_ERR);
}

void Select(NativeListBox* lb, int index, bool single) {
  lb->state.programmatic = true;
  if (single) {
    if (index < 0) {
      lb->clearSelection();
    } else {
      lb->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
      lb->scrollToItem(lb->item(index));
    }
  }
  lb->state.programmatic = false;
}

}  // namespace

QWidget* CreateListWidget(WindowObj& w, QWidget* parent) {
  auto* lb = new NativeListBox(parent);
  HWND hwnd = w.handle;
  lb->setFrameShape(QFrame::NoFrame);
  lb->setUniformItemSizes(true);
  lb->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  lb->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  lb->setItemDelegate(new ListDelegate(hwnd, lb));
  lb->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lb->setDragEnabled(false);
  // The pointer moving over the items reaches the program as WM_MOUSEMOVE
  // with no button held too (item hints follow it).
  lb->viewport()->setMouseTracking(true);
  lb->state.itemHeight = DefaultItemHeight(w);
  QObject::connect(lb, &QListWidget::itemSelectionChanged, lb, [hwnd, lb] {
    GuardedCall([&] {
      WindowObj* win = Win(hwnd);
      if (win && !lb->state.programmatic && (win->style & LBS_NOTIFY)) Notify(*win, LBN_SELCHANGE);
    });
  });
  QObject::connect(lb, &QListWidget::itemDoubleClicked, lb, [hwnd] {
    GuardedCall([&] {
      WindowObj* win = Win(hwnd);
      if (win && (win->style & LBS_NOTIFY)) Notify(*win, LBN_DBLCLK);
    });
  });
  return lb;
}

void ListStyleChanged(WindowObj& w) {
  NativeListBox* lb = ListOf(w);
  if (!lb) return;
  if (w.style & LBS_EXTENDEDSEL)
    lb->setSelectionMode(QAbstractItemView::ExtendedSelection);
  else if (w.style & LBS_MULTIPLESEL)
    lb->setSelectionMode(QAbstractItemView::MultiSelection);
  else
    lb->setSelectionMode(QAbstractItemView::SingleSelection);
  Qt::ScrollBarPolicy vertical = !(w.style & WS_VSCROLL)           ? Qt::ScrollBarAlwaysOff
                                 : (w.style & LBS_DISABLENOSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                   : Qt::ScrollBarAsNeeded;
  Qt::ScrollBarPolicy horizontal = !(w.style & WS_HSCROLL)           ? Qt::ScrollBarAlwaysOff
                                   : (w.style & LBS_DISABLENOSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                     : Qt::ScrollBarAsNeeded;
  lb->setVerticalScrollBarPolicy(vertical);
  lb->setHorizontalScrollBarPolicy(horizontal);
}

namespace {

// Keys and clicks.
std::optional<LRESULT> ListInput(WindowObj& w, NativeListBox* lb, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_CHAR:
    case WM_SYSCHAR: MarkPassToToolkit(msg, wParam); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // A click below the last item changes nothing but the focus.
      QPoint p = lb->viewport()->mapFrom(lb, QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
      if (!lb->indexAt(p).isValid()) {
        SetFocus(w.handle);
        return 0;
      }
      MarkPassToToolkit(msg, wParam);
      return 0;
    }
  }
  return std::nullopt;
}

// Adding, removing and reading items and their data.
std::optional<LRESULT> ListItems(WindowObj& w, NativeListBox* lb, UINT msg, WPARAM wParam, LPARAM lParam) {
  NativeState& st = lb->state;
  auto index = static_cast<int>(static_cast<std::intptr_t>(wParam));
  auto valid = [&](int i) { return i >= 0 && i < lb->count(); };
  switch (msg) {
    case LB_ADDSTRING: {
      const char* s = reinterpret_cast<const char*>(lParam);
      std::string bytes = s ? s : "";
      return InsertAt(lb, (w.style & LBS_SORT) ? SortedPlace(lb, bytes) : -1, bytes);
    }
    case LB_INSERTSTRING: {
      const char* s = reinterpret_cast<const char*>(lParam);
      if (index > lb->count()) return LB_ERR;
      return InsertAt(lb, index, s ? s : "");
    }
    case LB_DELETESTRING:
      if (!valid(index)) return LB_ERR;
      st.programmatic = true;
      delete lb->takeItem(index);
      st.programmatic = false;
      return lb->count();
    case LB_RESETCONTENT:
      st.programmatic = true;
      lb->clear();
      st.programmatic = false;
      return 0;
    case LB_GETCOUNT: return lb->count();
    case LB_GETTEXT: {
      if (!valid(index)) return LB_ERR;
      std::string bytes = BytesOf(lb->item(index));
      if (char* buf = reinterpret_cast<char*>(lParam)) {
        std::memcpy(buf, bytes.data(), bytes.size());
        buf[bytes.size()] = '\0';
      }
      return static_cast<LRESULT>(bytes.size());
    }
    case LB_GETTEXTLEN:
      if (!valid(index)) return LB_ERR;
      return static_cast<LRESULT>(BytesOf(lb->item(index)).size());
    case LB_GETITEMDATA:
      if (!valid(index)) return LB_ERR;
      return static_cast<LRESULT>(lb->item(index)->data(kDataRole).toULongLong());
    case LB_SETITEMDATA:
      if (!valid(index)) return LB_ERR;
      lb->item(index)->setData(kDataRole, QVariant::fromValue<qulonglong>(static_cast<qulonglong>(lParam)));
      return 1;
  }
  return std::nullopt;
}

// The selection, the caret and the anchor.
std::optional<LRESULT> ListSelection(WindowObj& w, NativeListBox* lb, UINT msg, WPARAM wParam, LPARAM lParam) {
  NativeState& st = lb->state;
  auto index = static_cast<int>(static_cast<std::intptr_t>(wParam));
  bool single = !Multi(w);
  auto valid = [&](int i) { return i >= 0 && i < lb->count(); };
  switch (msg) {
    case LB_SETCURSEL:
      if (!single) return LB_ERR;
      if (!valid(index)) {
        Select(lb, -1, true);
        return LB_ERR;
      }
      Select(lb, index, true);
      return index;
    case LB_GETCURSEL: {
      if (!single) return lb->currentRow() >= 0 ? lb->currentRow() : LB_ERR;
      QList<QListWidgetItem*> sel = lb->selectedItems();
      return sel.isEmpty() ? LB_ERR : lb->row(sel.front());
    }
    case LB_SETSEL: {
      if (single) return LB_ERR;
      int i = static_cast<int>(lParam);
      st.programmatic = true;
      if (i == -1) {
        for (int k = 0; k < lb->count(); ++k) lb->item(k)->setSelected(wParam != 0);
      } else if (valid(i)) {
        lb->item(i)->setSelected(wParam != 0);
      } else {
        st.programmatic = false;
        return LB_ERR;
      }
      st.programmatic = false;
      return 0;
    }
    case LB_GETSEL:
      if (!valid(index)) return LB_ERR;
      return lb->item(index)->isSelected() ? 1 : 0;
    case LB_GETSELCOUNT:
      if (single) return LB_ERR;
      return static_cast<LRESULT>(lb->selectedItems().size());
    case LB_GETSELITEMS: {
      if (single) return LB_ERR;
      int* out = reinterpret_cast<int*>(lParam);
      int n = 0;
      for (int k = 0; k < lb->count() && n < static_cast<int>(wParam); ++k)
        if (lb->item(k)->isSelected()) {
          if (out) out[n] = k;
          ++n;
        }
      return n;
    }
    case LB_SETCARETINDEX:
      if (!valid(index)) return LB_ERR;
      st.programmatic = true;
      lb->setCurrentRow(index, single ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate);
      if (!lParam) lb->scrollToItem(lb->item(index));
      st.programmatic = false;
      return 0;
    case LB_GETCARETINDEX: return lb->currentRow() >= 0 ? lb->currentRow() : 0;
    case LB_SETANCHORINDEX:
      if (!valid(index)) return LB_ERR;
      st.anchor = index;
      return 0;
    case LB_GETANCHORINDEX: return st.anchor >= 0 ? st.anchor : 0;
  }
  return std::nullopt;
}

// Finding items by their text.
std::optional<LRESULT> ListSearch(WindowObj& w, NativeListBox* lb, UINT msg, WPARAM wParam, LPARAM lParam) {
  NativeState& st = lb->state;
  bool single = !Multi(w);
  switch (msg) {
    case LB_FINDSTRING:
      return Find(lb, static_cast<std::intptr_t>(wParam), reinterpret_cast<const char*>(lParam), false,
                  (w.style & LBS_SORT) != 0);
    case LB_FINDSTRINGEXACT:
      return Find(lb, static_cast<std::intptr_t>(wParam), reinterpret_cast<const char*>(lParam), true,
                  (w.style & LBS_SORT) != 0);
    case LB_SELECTSTRING: {
      int i = Find(lb, static_cast<std::intptr_t>(wParam), reinterpret_cast<const char*>(lParam), false,
                   (w.style & LBS_SORT) != 0);
      if (i < 0) return LB_ERR;
      if (single) {
        Select(lb, i, true);
      } else {
        st.programmatic = true;
        lb->item(i)->setSelected(true);
        st.programmatic = false;
      }
      return i;
    }
  }
  return std::nullopt;
}

// Item heights and places, and scrolling.
std::optional<LRESULT> ListLayout(WindowObj& w, NativeListBox* lb, UINT msg, WPARAM wParam, LPARAM lParam) {
  NativeState& st = lb->state;
  auto index = static_cast<int>(static_cast<std::intptr_t>(wParam));
  auto valid = [&](int i) { return i >= 0 && i < lb->count(); };
  switch (msg) {
    case WM_SETFONT:
      st.itemHeight = DefaultItemHeight(w);
      lb->doItemsLayout();
      return 0;
    case LB_GETITEMRECT: {
      if (!valid(index)) return LB_ERR;
      QRect q = lb->visualItemRect(lb->item(index));
      q.translate(lb->viewport()->mapTo(lb, QPoint(0, 0)));
      if (auto* r = reinterpret_cast<Rect*>(lParam)) *r = Rect{q.left(), q.top(), q.left() + q.width(), q.top() + q.height()};
      return 1;
    }
    case LB_ITEMFROMPOINT: {
      QPoint p = lb->viewport()->mapFrom(lb, QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
      QModelIndex i = lb->indexAt(QPoint(1, p.y()));
      if (i.isValid() && lb->viewport()->rect().contains(p)) return MAKELRESULT(i.row(), 0);
      int nearest = lb->count() == 0 ? 0 : p.y() < 0 ? std::max(0, lb->indexAt(QPoint(1, 1)).row()) : lb->count() - 1;
      return MAKELRESULT(nearest, 1);
    }
    case LB_SETITEMHEIGHT:
      if (lParam <= 0 || lParam > 255) return LB_ERR;
      st.itemHeight = static_cast<int>(lParam);
      lb->doItemsLayout();
      return 0;
    case LB_GETITEMHEIGHT: return st.itemHeight;
    case LB_GETTOPINDEX: {
      QModelIndex i = lb->indexAt(QPoint(1, 1));
      return i.isValid() ? i.row() : 0;
    }
    case LB_SETTOPINDEX:
      if (!valid(index)) return LB_ERR;
      lb->verticalScrollBar()->setValue(index);
      return 0;
    case LB_SETHORIZONTALEXTENT:
      st.horizontalExtent = static_cast<int>(wParam);
      lb->doItemsLayout();
      return 0;
    case LB_GETHORIZONTALEXTENT: return st.horizontalExtent;
    case LB_SETTABSTOPS:
    case LB_SETCOLUMNWIDTH:
    case LB_SETCOUNT: return 1;
  }
  return std::nullopt;
}

}  // namespace

LRESULT ListProc(WindowObj& w, UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  NativeListBox* lb = ListOf(w);
  handled = false;
  if (!lb) return 0;
  using Group = std::optional<LRESULT> (*)(WindowObj&, NativeListBox*, UINT, WPARAM, LPARAM);
  static constexpr Group kGroups[] = {ListInput, ListItems, ListSelection, ListSearch, ListLayout};
  for (Group group : kGroups) {
    if (std::optional<LRESULT> r = group(w, lb, msg, wParam, lParam)) {
      handled = true;
      return *r;
    }
  }
  return 0;
}

}  // namespace detail
}  // namespace gui
