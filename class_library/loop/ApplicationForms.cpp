// The parts of the application object that a windowing layer acts on: the
// start-up steps of the libraries, the main form and the hint settings.
#include <mutex>
#include <vector>

#include "class_library/loop/Application.h"

namespace {

struct Initializers {
  std::mutex lock;
  std::vector<TApplicationInitializer> list;
};

Initializers& TheInitializers() {
  static Initializers initializers;
  return initializers;
}

}  // namespace

void RegisterApplicationInitializer(TApplicationInitializer Initializer) {
  Initializers& i = TheInitializers();
  std::lock_guard<std::mutex> guard(i.lock);
  i.list.push_back(Initializer);
}

void TApplication::Initialize() {
  std::vector<TApplicationInitializer> steps;
  {
    Initializers& i = TheInitializers();
    std::lock_guard<std::mutex> guard(i.lock);
    steps = i.list;
  }
  for (TApplicationInitializer step : steps) step(this);
}

void TApplication::SetShowHint(bool Value) {
  if (showHint_ == Value) return;
  showHint_ = Value;
  if (gui_) gui_->HintSettingsChanged();
}

void TApplication::SetHintPause(int Value) {
  hintPause_ = Value;
  if (gui_) gui_->HintSettingsChanged();
}

void TApplication::SetHintShortPause(int Value) {
  hintShortPause_ = Value;
  if (gui_) gui_->HintSettingsChanged();
}

void TApplication::SetHintHidePause(int Value) {
  hintHidePause_ = Value;
  if (gui_) gui_->HintSettingsChanged();
}

void TApplication::CancelHint() {
  if (gui_) gui_->CancelHint();
}

void TApplication::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TComponent::ComponentNotification(AComponent, Operation);
  if (Operation == opRemove && AComponent == mainForm_) mainForm_ = nullptr;
}
