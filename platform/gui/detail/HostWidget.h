#pragma once
// The toolkit window behind each top-level window: it shows the window's
// surface (everything the layer painted) and turns the toolkit's input and
// window events into messages.
#include <QtWidgets/QWidget>

#include "platform/gui/Types.h"
#include "platform/gui/detail/WindowState.h"

namespace gui::detail {

class HostWidget : public QWidget {
public:
  HostWidget(HWND hwnd, Qt::WindowFlags flags);
  ~HostWidget() override;

  HWND hwnd() const { return hwnd_; }
  void Detach() { hwnd_ = HWND{}; }
  Surface& surface() { return surface_; }
  // Sizes the surface to the widget (keeping what it shows).
  void SyncSurfaceSize();
  // Moves the toolkit window without reporting the move back.
  void PlaceQuietly(const QRect& geometry);
  bool quiet() const { return quiet_ > 0; }

protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool focusNextPrevChild(bool) override { return false; }

private:
  HWND hwnd_;
  Surface surface_;
  int quiet_ = 0;
};

}  // namespace gui::detail
