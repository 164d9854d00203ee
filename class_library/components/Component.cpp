#include "class_library/components/Component.h"

#include <algorithm>
#include <atomic>

#include "class_library/core/Exceptions.h"
#include "class_library/core/SysUtils.h"
#include "class_library/components/TypeInfo.h"

namespace {

std::atomic<TComponentExceptionHandler> gExceptionHandler{nullptr};

template <class V, class T>
void EraseValue(V& list, T* value) {
  auto it = std::find(list.begin(), list.end(), value);
  if (it != list.end()) list.erase(it);
}

}  // namespace

bool IsValidIdent(const String& Ident) {
  if (Ident.empty()) return false;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!alpha(Ident[0])) return false;
  return std::all_of(Ident.begin() + 1, Ident.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

// ---- TComponent ------------------------------------------------------------

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell every peer that asked to hear of our end, and forget them; each
  // peer's handler may remove further entries, so take one at a time.
  while (!freeNotifies_.empty()) {
    TComponent* peer = freeNotifies_.back();
    freeNotifies_.pop_back();
    EraseValue(peer->freeNotifies_, this);
    peer->ComponentNotification(this, opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const String& NewName) {
  if (name_ == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("'" + NewName + "' is not a valid component name");
  if (owner_) {
    owner_->ValidateRename(this, name_, NewName);
  } else {
    ValidateRename(nullptr, name_, NewName);
  }
  name_ = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName) const {
  if (!AComponent || NewName.empty() || SameText(CurName, NewName)) return;
  TComponent* existing = FindComponent(NewName);
  if (existing && existing != AComponent) throw EComponentError("A component named " + NewName + " already exists");
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return components_[Index];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

TComponent* TComponent::FindComponent(const String& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, AName)) return c;
  return nullptr;
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), AComponent) == freeNotifies_.end())
    freeNotifies_.push_back(AComponent);
  if (std::find(AComponent->freeNotifies_.begin(), AComponent->freeNotifies_.end(), this) ==
      AComponent->freeNotifies_.end())
    AComponent->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  EraseValue(freeNotifies_, AComponent);
  EraseValue(AComponent->freeNotifies_, this);
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->owner_ == this) return;
  // A name already taken here would make FindComponent ambiguous.
  ValidateRename(AComponent, String(), AComponent->name_);
  if (AComponent->owner_) AComponent->owner_->RemoveComponent(AComponent);
  components_.push_back(AComponent);
  AComponent->owner_ = this;
  ComponentNotification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->owner_ != this) return;
  ComponentNotification(AComponent, opRemove);
  EraseValue(components_, AComponent);
  AComponent->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  // Last first; each destructor takes itself out of the list and tells the
  // remaining siblings, so none keeps a pointer to a freed one.
  while (!components_.empty()) delete components_.back();
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  SetComponentState(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // Copy: a handler may free or insert components.
  std::vector<TComponent*> owned = components_;
  for (TComponent* c : owned) {
    if (std::find(components_.begin(), components_.end(), c) == components_.end()) continue;
    c->ComponentNotification(AComponent, Operation);
  }
}

void TComponent::ReadLegacyProperties(TFiler* Filer) {
  TPersistent::ReadLegacyProperties(Filer);
  Filer->DefineProperty("Left", [](TReader&) {});
  Filer->DefineProperty("Top", [](TReader&) {});
}

void TComponent::FinishLoading() { ClearComponentState(csLoading); }

void TComponent::BeginLoading() { SetComponentState(csLoading); }

void TComponent::Updating() { SetComponentState(csUpdating); }

void TComponent::Updated() { ClearComponentState(csUpdating); }

void TComponent::RegisterMethod(const String& MethodName, TNotifyEvent Handler) {
  RegisterMethodAny(MethodName, std::any(std::move(Handler)));
}

void TComponent::RegisterMethodAny(const String& MethodName, std::any Handler) {
  methods_[UpperCase(MethodName)] = std::move(Handler);
}

const std::any* TComponent::FindMethod(const String& MethodName) const {
  auto it = methods_.find(UpperCase(MethodName));
  return it == methods_.end() ? nullptr : &it->second;
}

// ---- Data modules and forms ------------------------------------------------

namespace {

struct RootEntry {
  TComponent* root;
  TRootKind kind;
};

// Never freed: data modules and forms owned by the application object leave
// the list when that object is freed at exit, after function statics made
// later than it are gone.
std::vector<RootEntry>& Roots() {
  static auto* roots = new std::vector<RootEntry>;
  return *roots;
}

TComponent* NthRoot(TRootKind kind, int index) {
  int n = 0;
  for (const RootEntry& e : Roots()) {
    if (e.kind != kind) continue;
    if (n++ == index) return e.root;
  }
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

int CountRoots(TRootKind kind) {
  return static_cast<int>(
      std::count_if(Roots().begin(), Roots().end(), [kind](const RootEntry& e) { return e.kind == kind; }));
}

}  // namespace

void RegisterRootComponent(TComponent* Root, TRootKind Kind) {
  if (!Root) return;
  UnregisterRootComponent(Root);
  Roots().push_back({Root, Kind});
}

void UnregisterRootComponent(TComponent* Root) {
  auto& roots = Roots();
  roots.erase(std::remove_if(roots.begin(), roots.end(), [Root](const RootEntry& e) { return e.root == Root; }),
              roots.end());
}

int DataModuleCount() { return CountRoots(TRootKind::DataModule); }
TComponent* DataModules(int Index) { return NthRoot(TRootKind::DataModule, Index); }
int FormCount() { return CountRoots(TRootKind::Form); }
TComponent* Forms(int Index) { return NthRoot(TRootKind::Form, Index); }

TComponent* FindGlobalComponent(const String& Name) {
  if (Name.empty()) return nullptr;
  for (const RootEntry& e : Roots())
    if (SameText(e.root->Name(), Name)) return e.root;
  return nullptr;
}

bool ComponentInheritsFrom(const TComponent* Component, const String& ClassName) {
  if (!Component) return false;
  String own = Component->ClassName();
  if (SameText(own, ClassName)) return true;
  return ClassInheritsFrom(own, ClassName);
}

void HandleComponentException(TObject* Sender) {
  if (TComponentExceptionHandler handler = gExceptionHandler.load()) {
    handler(Sender);
    return;
  }
  ReportCurrentException([](const Exception& e) { ShowExceptionMessage(ProgramTitle(), e); });
}

TComponentExceptionHandler SetComponentExceptionHandler(TComponentExceptionHandler Handler) {
  return gExceptionHandler.exchange(Handler);
}

// ---- TDataModule -----------------------------------------------------------

TDataModule::TDataModule(TComponent* AOwner) : TComponent(AOwner) {
  RegisterRootComponent(this, TRootKind::DataModule);
}

TDataModule::~TDataModule() {
  DoDestroy();
  UnregisterRootComponent(this);
}

void TDataModule::ReadLegacyProperties(TFiler* Filer) {
  TComponent::ReadLegacyProperties(Filer);
  for (const char* name : {"OldCreateOrder", "Height", "Width", "PixelsPerInch", "HorizontalOffset", "VerticalOffset"})
    Filer->DefineProperty(name, [](TReader&) {});
}

void TDataModule::DoCreate() {
  if (!OnCreate) return;
  try {
    OnCreate(this);
  } catch (...) {
    HandleComponentException(this);
  }
}

void TDataModule::DoDestroy() {
  if (destroyFired_) return;
  destroyFired_ = true;
  Destroying();
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (...) {
    HandleComponentException(this);
  }
}
