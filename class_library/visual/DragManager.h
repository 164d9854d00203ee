#pragma once
// Dragging a control onto another (BeginDrag, DragOver, DragDrop): while the
// mouse moves with the button held, the control under it is asked whether
// it accepts the source (OnDragOver, with enter, move and leave states) and
// the cursor shows the answer; releasing the button over a control that
// accepts drops the source there (OnDragDrop); the source is then told where
// it ended (OnEndDrag, target nullptr when not dropped).
#include "class_library/visual/Controls.h"

class TDragObject : public TObject {
public:
  String ClassName() const override { return "TDragObject"; }
  virtual ~TDragObject() = default;
};

// CM_DRAG: WParam one of these, LParam a TDragRec*.
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };
struct TDragRec {
  TPoint Pos;  // screen
  TObject* Source = nullptr;
  TControl* Target = nullptr;
};
