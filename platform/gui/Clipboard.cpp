// The desktop clipboard.
#include "platform/gui/Clipboard.h"

#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>
#include <QtCore/QMimeData>

#include "platform/gui/detail/QtConv.h"

namespace gui {

bool ClipboardHasText() {
  QClipboard* c = QGuiApplication::clipboard();
  const QMimeData* m = c ? c->mimeData() : nullptr;
  return m && m->hasText();
}

std::string ClipboardGetText() {
  QClipboard* c = QGuiApplication::clipboard();
  if (!c) return {};
  return detail::Encode(c->text(), detail::TextEncoding::Utf8);
}

void ClipboardSetText(const std::string& text) {
  if (QClipboard* c = QGuiApplication::clipboard()) c->setText(detail::Decode(text));
}

void ClipboardClear() {
  if (QClipboard* c = QGuiApplication::clipboard()) c->clear();
}

}  // namespace gui
