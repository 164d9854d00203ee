#pragma once
// The dock manager of a docking panel (TVkCustomPanel with DockSite and
// UseDockManager): each docked control sits under a caption bar of its own,
// 14 pixels thick, showing the control's text and a close glyph in the
// window-caption colours (active while the control or one inside it has
// the focus). A panel aligned at the top or bottom is a strip, so there the
// bar stands on the left of the control with the text turned upwards, and
// the controls lie side by side. The close glyph closes the control and the
// rest of the bar drags it out, as the class library's dock tree has it.
// Without ShowDockClientCaptions the panel shows the class library's plain
// grabber instead, which has no close glyph.
//
// While it lives, the manager hooks the panel's window procedure: clicks
// and commands inside the panel, and focus moves, repaint the panel so that
// the bars follow the focus. Its destruction puts the panel's previous
// procedure back; a procedure installed over the hook later keeps working,
// the hook then only passes messages on.
#include <memory>

#include "class_library/visual/Docking.h"

class TVkCustomPanel;

class TVkPanelDockManager : public TDockTree {
public:
  explicit TVkPanelDockManager(TVkCustomPanel* Panel);
  ~TVkPanelDockManager() override;

  // The thickness of a caption bar.
  static constexpr int GrabberSize = 14;

  // The client area of a docked control: right of the bar on a panel
  // aligned at the top or bottom, below it otherwise.
  void AdjustDockRect(TControl* Control, TRect& ARect) override;
  // The caption bar of a docked control (ARect its whole zone).
  void PaintDockFrame(TCanvas* Canvas, TControl* Control, const TRect& ARect) override;

protected:
  // The close glyph of a zone's caption bar: none without captions, nor
  // on a bar too small to hold it.
  TRect CloseGlyphRect(const TRect& Zone) const override;

private:
  struct Hook;
  class HookedProcedure;

  // The caption bar of a zone.
  TRect BarOf(const TRect& Zone) const;
  // Where the close glyph goes on the bar of a zone, whether it fits or not.
  TRect GlyphBox(const TRect& Zone) const;
  // Whether the bar of Control shows the active colours: a window control
  // that holds the focus (itself or a control inside it), or a control
  // without a window of its own.
  static bool CaptionActive(TControl* Control);

  TVkCustomPanel* panel_;
  TFont captionFont_;  // "Verdana", 8 points
  std::shared_ptr<Hook> hook_;  // none at design time
};
