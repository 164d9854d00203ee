// Popup menus.
#include "platform/gui/Menu.h"

#include <QtGui/QCursor>
#include <QtGui/QIcon>
#include <QtGui/QPixmap>
#include <QtWidgets/QMenu>

#include <map>
#include <memory>

#include "platform/gui/App.h"
#include "platform/gui/Messages.h"
#include "platform/gui/Window.h"
#include "platform/gui/detail/QtConv.h"
#include "platform/gui/detail/WindowState.h"

namespace gui {
namespace {

struct MenuItem {
  UINT flags = 0;
  std::uintptr_t id = 0;
  std::string text;
  QImage image;
};

struct MenuObj {
  std::vector<MenuItem> items;
};

detail::HandleTable<MenuObj>& Menus() {
  static detail::HandleTable<MenuObj> table;
  return table;
}

MenuObj* MenuOf(HMENU h) { return Menus().Get(static_cast<std::uintptr_t>(h)); }

QMenu* gOpen = nullptr;

void Build(QMenu& qm, MenuObj& m, std::uintptr_t& chosen, bool& done) {
  for (const MenuItem& it : m.items) {
    if (it.flags & MF_SEPARATOR) {
      qm.addSeparator();
      continue;
    }
    QString text = detail::Decode(it.text);
    QString shortcut;
    int tab = static_cast<int>(text.indexOf(QLatin1Char('\t')));
    if (tab >= 0) {
      shortcut = text.mid(tab + 1);
      text = text.left(tab);
    }
    if (it.flags & MF_POPUP) {
      MenuObj* sub = MenuOf(static_cast<HMENU>(it.id));
      QMenu* qs = qm.addMenu(text);
      if (sub) Build(*qs, *sub, chosen, done);
      qs->setEnabled(!(it.flags & (MF_GRAYED | MF_DISABLED)));
      continue;
    }
    QAction* a = qm.addAction(text);
    if (!shortcut.isEmpty()) a->setShortcut(QKeySequence(shortcut));
    a->setEnabled(!(it.flags & (MF_GRAYED | MF_DISABLED)));
    if (it.flags & MF_CHECKED) {
      a->setCheckable(true);
      a->setChecked(true);
    }
    if (!it.image.isNull()) a->setIcon(QIcon(QPixmap::fromImage(it.image)));
    if (it.flags & MF_DEFAULT) {
      QFont f = a->font();
      f.setBold(true);
      a->setFont(f);
    }
    std::uintptr_t id = it.id;
    QObject::connect(a, &QAction::triggered, [&chosen, &done, id] {
      chosen = id;
      done = true;
    });
  }
}

}  // namespace

HMENU CreatePopupMenu() { return static_cast<HMENU>(Menus().Add(std::make_unique<MenuObj>())); }

bool DestroyMenu(HMENU menu) {
  MenuObj* m = MenuOf(menu);
  if (!m) return false;
  std::vector<std::uintptr_t> subs;
  for (const MenuItem& it : m->items)
    if (it.flags & MF_POPUP) subs.push_back(it.id);
  Menus().Remove(static_cast<std::uintptr_t>(menu));
  for (std::uintptr_t s : subs) DestroyMenu(static_cast<HMENU>(s));
  return true;
}

bool AppendMenuItem(HMENU menu, UINT flags, std::uintptr_t id, const std::string& text, HBITMAP image) {
  MenuObj* m = MenuOf(menu);
  if (!m) return false;
  MenuItem it{flags, id, text, {}};
  if (detail::BitmapObj* b = detail::Bmp(image)) {
    b->surface.End();
    it.image = b->surface.image.copy();
  }
  m->items.push_back(std::move(it));
  return true;
}

int GetMenuItemCount(HMENU menu) {
  MenuObj* m = MenuOf(menu);
  return m ? static_cast<int>(m->items.size()) : -1;
}

std::uintptr_t TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner) {
  MenuObj* m = MenuOf(menu);
  if (!m || !IsInitialized()) return 0;
  if (!IsNull(owner)) SendMessage(owner, WM_INITMENUPOPUP, ToWParam(menu), 0);
  if (!(m = MenuOf(menu))) return 0;
  std::uintptr_t chosen = 0;
  bool done = false;
  QMenu qm;
  Build(qm, *m, chosen, done);
  QObject::connect(&qm, &QMenu::aboutToHide, [&done] { done = true; });
  QSize size = qm.sizeHint();
  QPoint pos(x, y);
  if (flags & TPM_RIGHTALIGN) pos.rx() -= size.width();
  if (flags & TPM_CENTERALIGN) pos.rx() -= size.width() / 2;
  if (flags & TPM_BOTTOMALIGN) pos.ry() -= size.height();
  if (flags & TPM_VCENTERALIGN) pos.ry() -= size.height() / 2;
  gOpen = &qm;
  qm.popup(pos);
  RunModalLoop([&] { return done || !qm.isVisible(); });
  gOpen = nullptr;
  // A triggered action arrives after the menu started hiding.
  ProcessPending();
  if (flags & TPM_RETURNCMD) return chosen;
  if (chosen && !IsNull(owner) && !(flags & TPM_NONOTIFY)) PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<int>(chosen), 0), 0);
  return chosen ? 1 : 0;
}

void EndMenu() {
  if (gOpen) gOpen->close();
}

}  // namespace gui
