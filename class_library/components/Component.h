#pragma once
// Components: named objects owned by other components, freed with their
// owner, told when their peers come and go, and loaded from text form
// resources. Also the process-wide list of data modules and forms that
// components search by class.
#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "class_library/core/Persistent.h"

enum TOperation { opInsert, opRemove };

// Flags of TComponent::ComponentState. csDesigning is never set: this
// system has no design mode, but code may still ask for it.
enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,     // being read from a resource (until FinishLoading)
  csReading = 1u << 1,     // its own properties are being read
  csWriting = 1u << 2,     // being written to a resource
  csDestroying = 1u << 3,  // its destructor (or its owner's) is running
  csUpdating = 1u << 4,    // between Updating() and Updated()
  csDesigning = 1u << 5,
};

class TComponentState {
public:
  constexpr TComponentState() = default;
  constexpr explicit TComponentState(unsigned bits) : bits_(bits) {}
  constexpr bool Contains(TComponentStateFlag f) const { return (bits_ & f) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr unsigned Bits() const { return bits_; }
  constexpr bool operator==(const TComponentState&) const = default;

private:
  unsigned bits_ = 0;
};

class TComponent : public TPersistent {
public:
  // Inserts the new component into AOwner (which then frees it). Without an
  // owner the creator holds it, e.g. in a std::unique_ptr.
  explicit TComponent(TComponent* AOwner);
  // Sets csDestroying, tells every free-notification peer (opRemove), frees
  // the owned components (last first) and leaves the owner, which tells its
  // other components (opRemove).
  ~TComponent() override;
  String ClassName() const override { return "TComponent"; }

  TComponent* Owner() const { return owner_; }
  const String& Name() const { return name_; }
  // A valid identifier (or empty), unique among the owner's components
  // without regard to case. EComponentError "'<n>' is not a valid component
  // name" / "A component named <n> already exists".
  virtual void SetName(const String& NewName);
  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t Value) { tag_ = Value; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int Index) const;  // EListError for a bad index
  int ComponentIndex() const;               // position in the owner, -1 without
  TComponent* FindComponent(const String& AName) const;  // case-insensitive; nullptr

  TComponentState ComponentState() const { return state_; }

  // Makes AComponent receive ComponentNotification(this, opRemove) when this
  // component is destroyed (and the other way round): the classic way to
  // clear a reference to a component with another owner.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Ownership. InsertComponent takes AComponent over from its previous owner
  // and tells the components here (opInsert); RemoveComponent releases it
  // (the caller then owns it) after telling them (opRemove).
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();
  // Sets csDestroying on this component and all it owns.
  void Destroying();

  // Told when a component is inserted into or removed from the owner, or a
  // free-notification peer is destroyed. The default forgets a destroyed
  // peer and passes the notification on to every owned component; overrides
  // call it and clear their own references to AComponent on opRemove.
  virtual void ComponentNotification(TComponent* AComponent, TOperation Operation);
  // Called once after the component and all its siblings have been read
  // from a resource; clears csLoading. Overrides call it first.
  virtual void FinishLoading();
  // Sets csLoading (the resource reader calls it before reading).
  virtual void BeginLoading();
  // The component that contains this one in a resource (a control's parent).
  // The reader calls SetParentComponent with the enclosing component of
  // every nested component it reads; the default ignores it.
  virtual void SetParentComponent(TComponent* Value) { (void)Value; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  // Drops the designer's position ("Left", "Top") that resources store for
  // non-visual components.
  void ReadLegacyProperties(TFiler* Filer) override;
  // csUpdating, for owners that rebuild themselves.
  void Updating();
  void Updated();

  // Methods that resource text may bind to events by name (OnTimer =
  // TimerTimer). Handler holds a std::function of the event's type, e.g.
  // TNotifyEvent; the event property's setter casts it back.
  void RegisterMethod(const String& MethodName, TNotifyEvent Handler);
  template <class Sig>
  void RegisterMethod(const String& MethodName, std::function<Sig> Handler) {
    RegisterMethodAny(MethodName, std::any(std::move(Handler)));
  }
  void RegisterMethodAny(const String& MethodName, std::any Handler);
  // nullptr when no method of that name (case-insensitive) is registered.
  const std::any* FindMethod(const String& MethodName) const;

  String GetNamePath() const override { return name_; }

protected:
  void SetComponentState(TComponentStateFlag Flag) { state_ = TComponentState(state_.Bits() | Flag); }
  void ClearComponentState(TComponentStateFlag Flag) { state_ = TComponentState(state_.Bits() & ~unsigned(Flag)); }
  // Raises EComponentError for an invalid or duplicate name.
  virtual void ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName) const;

private:
  friend class TReader;
  friend class TResourceLoader;

  TComponent* owner_ = nullptr;
  String name_;
  std::intptr_t tag_ = 0;
  TComponentState state_;
  std::vector<TComponent*> components_;  // owned
  std::vector<TComponent*> freeNotifies_;
  std::map<String, std::any> methods_;   // key: upper-cased name
};

// Checks a component name: a letter or '_' followed by letters, digits, '_'.
bool IsValidIdent(const String& Ident);

// ---- Data modules, forms and the search by class --------------------------

enum class TRootKind { DataModule, Form };

// The application's data modules and forms in creation order. Data modules
// and forms register themselves; components search them by class.
void RegisterRootComponent(TComponent* Root, TRootKind Kind);
void UnregisterRootComponent(TComponent* Root);
int DataModuleCount();
TComponent* DataModules(int Index);
int FormCount();
TComponent* Forms(int Index);
// The data module or form of that name (case-insensitive), or nullptr.
TComponent* FindGlobalComponent(const String& Name);

// True when the component's class is ClassName or inherits from it, by the
// class registry (TypeInfo.h); falls back to comparing ClassName() alone for
// an unregistered class.
bool ComponentInheritsFrom(const TComponent* Component, const String& ClassName);

// ---- Exceptions that components report instead of passing on ---------------

// For the catch block of a component that does not pass an exception on (an
// event handler that raised while the component was being created or
// destroyed): reports the exception being handled. The application object
// installs its HandleException here for as long as it exists; without it the
// exception is shown in an error box captioned with the program's name
// (EAbort stays silent).
void HandleComponentException(TObject* Sender);
using TComponentExceptionHandler = void (*)(TObject* Sender);
// Installs Handler (nullptr: the default report); returns the previous one.
TComponentExceptionHandler SetComponentExceptionHandler(TComponentExceptionHandler Handler);

// A non-visual container of components, typically read from a resource.
// Registers itself as a data module for the life of the object.
class TDataModule : public TComponent {
public:
  explicit TDataModule(TComponent* AOwner);
  // Fires OnDestroy unless DoDestroy already did.
  ~TDataModule() override;
  String ClassName() const override { return "TDataModule"; }
  // Drops the designer's stored layout values ("OldCreateOrder", "Height",
  // "Width", "PixelsPerInch", "HorizontalOffset", "VerticalOffset").
  void ReadLegacyProperties(TFiler* Filer) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;

  // Fires OnCreate. A descendant calls it at the end of its constructor,
  // after reading its resource. An exception of the handler goes to the
  // application's handler and is not passed on.
  void DoCreate();
  // Fires OnDestroy once. A descendant whose handler uses its members calls
  // it first in its destructor, while those members still exist. Exceptions
  // go to the application's handler.
  void DoDestroy();

private:
  bool destroyFired_ = false;
};
