#pragma once
// Small controls for the tests: they paint a colour and record messages.
#include <vector>

#include "class_library/visual/Controls.h"

namespace vistest {

// A window control that fills itself with Fill.
class TProbeWindow : public TCustomControl {
public:
  explicit TProbeWindow(TComponent* AOwner, TColor Fill = clRed) : TCustomControl(AOwner), fill(Fill) {
    SetTabStop(true);
  }
  String ClassName() const override { return "TProbeWindow"; }
  TColor fill;
  int paints = 0;
  std::vector<UINT> seen;
  bool record = false;

protected:
  void PaintControl() override {
    ++paints;
    Canvas()->Brush()->SetColor(fill);
    Canvas()->FillRect(ClientRect());
  }
  void WindowProcedure(TMessage& Message) override {
    if (record) seen.push_back(Message.Msg);
    TCustomControl::WindowProcedure(Message);
  }
};

// A window-less control that fills itself with Fill.
class TProbeGraphic : public TGraphicControl {
public:
  explicit TProbeGraphic(TComponent* AOwner, TColor Fill = clBlue) : TGraphicControl(AOwner), fill(Fill) {}
  String ClassName() const override { return "TProbeGraphic"; }
  TColor fill;
  int paints = 0;

protected:
  void PaintControl() override {
    ++paints;
    Canvas()->Brush()->SetColor(fill);
    Canvas()->FillRect(ClientRect());
  }
};

}  // namespace vistest
