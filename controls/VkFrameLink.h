#pragma once
// A control's link to the frame controller that drives it: the controller
// (registered with, forgotten when it is freed, left when the control goes)
// and the mask of the controller's values that the control accepts. The
// bordered controls (border, label, panel) take the same values from it
// (controls/VkBorderProps.h).
#include "class_library/visual/Controls.h"
#include "controls/VkColors.h"
#include "controls/VkFrameController.h"

class TVkFrameLink {
public:
  explicit TVkFrameLink(TControl* Owner) : owner_(Owner) {}
  ~TVkFrameLink() {
    if (controller_) controller_->RemoveControl(owner_);
  }
  TVkFrameLink(const TVkFrameLink&) = delete;
  TVkFrameLink& operator=(const TVkFrameLink&) = delete;

  TVkFrameController* Controller() const { return controller_; }
  void SetController(TVkFrameController* Value) {
    if (controller_ == Value) return;
    if (controller_) controller_->RemoveControl(owner_);
    controller_ = Value;
    if (Value) {
      Value->AddControl(owner_);
      Value->FreeNotification(owner_);
    }
  }
  // From the owner's ComponentNotification.
  void Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent == controller_) controller_ = nullptr;
  }
  bool Accepts(TVkFrameControllerProperty Property) const { return (Mask & FrameControllerBit(Property)) != 0; }
  // The controller while it shows frames (a controller that shows none
  // changes nothing on the window-less and bordered controls).
  TVkFrameController* Pushing() const { return controller_ && controller_->FrameVisible() ? controller_ : nullptr; }

  TVkFrameControllerNotifications Mask = kAllFrameControllerNotifications;

private:
  TControl* owner_;
  TVkFrameController* controller_ = nullptr;
};
