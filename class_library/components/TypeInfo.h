#pragma once
// Published properties and the class registry.
//
// Every class that text form resources may create or set registers itself
// once with RegisterClass<T>(name, parent), listing its published
// properties with a getter and a setter each. Lookups walk the parent chain,
// so a class registers only what it adds. Example:
//
//   RegisterClass<TTimer>("TTimer", "TComponent")
//       .Boolean("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, true)
//       .Integer("Interval", &TTimer::Interval, &TTimer::SetInterval, 1000)
//       .Event<TNotifyEvent>("OnTimer", [](TTimer& t, TNotifyEvent e) { t.OnTimer = std::move(e); });
//
// Getters and setters may be member function pointers or callables taking
// T&. Registration usually runs from a static initializer in the class's
// unit; the registry itself is built on first use, so order does not matter.
#include <any>
#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "class_library/components/Component.h"
#include "class_library/core/Exceptions.h"

enum class TTypeKind {
  tkInteger,      // whole numbers (also Cardinal, Int64)
  tkFloat,        // double
  tkString,       // String
  tkBoolean,      // stored as False/True
  tkEnumeration,  // one identifier of Names
  tkSet,          // [a, b]: bit i = element Names[i]
  tkComponent,    // a reference to another component, by name
  tkMethod,       // an event, bound to a method of the root by name
  tkClass,        // an owned sub-object: nested properties or a collection
  tkStrings,      // a list of strings: Lines.Strings = ('a' 'b')
};

struct TPropInfo {
  String Name;
  TTypeKind Kind = TTypeKind::tkInteger;
  // Enumeration values or set elements, by ordinal.
  std::vector<String> Names;
  // For tkComponent: the class the referenced component must inherit from.
  String ComponentClass;

  // Integer, boolean (0/1), enumeration (ordinal), set (bit mask).
  std::function<std::int64_t(TPersistent*)> GetOrd;
  // For tkInteger: names that stand for values in resource text
  // (clWindowText, DEFAULT_CHARSET, crHandPoint); false for an unknown name.
  std::function<bool(const String& Ident, std::int64_t& Value)> IdentToInt;
  std::function<void(TPersistent*, std::int64_t)> SetOrd;
  std::function<double(TPersistent*)> GetFloat;
  std::function<void(TPersistent*, double)> SetFloat;
  std::function<String(TPersistent*)> GetString;
  std::function<void(TPersistent*, const String&)> SetString;
  std::function<TComponent*(TPersistent*)> GetComponent;
  std::function<void(TPersistent*, TComponent*)> SetComponent;
  // Binds a handler registered with TComponent::RegisterMethod; raises
  // EPropertyError when its type does not fit the event.
  std::function<void(TPersistent*, const std::any&)> SetMethod;
  std::function<TPersistent*(TPersistent*)> GetObject;
  std::function<std::vector<String>(TPersistent*)> GetStrings;
  std::function<void(TPersistent*, const std::vector<String>&)> SetStrings;

  // The stored default: a value equal to it is not stored. Ordinal kinds use
  // DefaultOrd, floats DefaultFloat, strings DefaultString (always "" unless
  // given).
  std::optional<std::int64_t> DefaultOrd;
  std::optional<double> DefaultFloat;
  std::optional<String> DefaultString;
  // False: never stored (read-only or computed). A stored value is still
  // accepted by the reader when a setter exists.
  bool Stored = true;
  // False: the property may not be set (reading it from a resource raises).
  bool Writable() const;
};

// True when the property's current value is worth storing: it is Stored and
// differs from its default (a sub-object or event is always stored).
bool IsStoredProp(TPersistent* Instance, const TPropInfo& Prop);

class TClassInfo {
public:
  using TFactory = std::function<TComponent*(TComponent* Owner)>;

  String Name;
  String ParentName;
  // Creates a component of this class for the resource reader; empty for
  // classes a resource cannot create (abstract classes, non-components).
  TFactory Factory;
  std::vector<TPropInfo> Props;  // the properties this class adds

  const TClassInfo* Parent() const;
  // Case-insensitive; walks the parent chain.
  const TPropInfo* FindProp(const String& PropName) const;
  // Parent's properties first.
  std::vector<const TPropInfo*> AllProps() const;
  bool InheritsFrom(const String& ClassName) const;
};

// The class registry (case-insensitive names). Registering a name twice
// replaces the earlier registration.
TClassInfo& RegisterClassInfo(const String& Name, const String& ParentName, TClassInfo::TFactory Factory);
const TClassInfo* FindClassInfo(const String& Name);
// FindClassInfo that raises EClassNotFound "Class <name> not found".
const TClassInfo& GetClassInfo(const String& Name);
// The registration of the object's class (by ClassName()), or nullptr.
const TClassInfo* ClassInfoOf(const TObject* Instance);
bool ClassInheritsFrom(const String& ClassName, const String& AncestorName);
// Creates a registered component class with its factory; raises
// EClassNotFound for an unknown class, EComponentError when it has no factory.
TComponent* CreateComponentOfClass(const String& ClassName, TComponent* Owner);

// ---- Access by property name ----------------------------------------------
// All raise EPropertyError "Unknown property: <name>" or "Invalid property
// value" (wrong kind, unknown enumeration name, read-only).
const TPropInfo* GetPropInfo(const TPersistent* Instance, const String& PropName);
std::int64_t GetOrdProp(TPersistent* Instance, const String& PropName);
void SetOrdProp(TPersistent* Instance, const String& PropName, std::int64_t Value);
String GetStrProp(TPersistent* Instance, const String& PropName);
void SetStrProp(TPersistent* Instance, const String& PropName, const String& Value);
double GetFloatProp(TPersistent* Instance, const String& PropName);
void SetFloatProp(TPersistent* Instance, const String& PropName, double Value);
// The enumeration value's name ("ttSXNTX"); setting takes a name.
String GetEnumProp(TPersistent* Instance, const String& PropName);
void SetEnumProp(TPersistent* Instance, const String& PropName, const String& Value);
// "[a,b]" style text ("a,b" without brackets also accepted when setting).
String GetSetProp(TPersistent* Instance, const String& PropName);
void SetSetProp(TPersistent* Instance, const String& PropName, const String& Value);
TComponent* GetComponentProp(TPersistent* Instance, const String& PropName);
void SetComponentProp(TPersistent* Instance, const String& PropName, TComponent* Value);
TPersistent* GetObjectProp(TPersistent* Instance, const String& PropName);
void SetMethodProp(TPersistent* Instance, const String& PropName, const std::any& Handler);
// Ordinal index of Name in Prop.Names without regard to case, or -1.
int GetEnumValue(const TPropInfo& Prop, const String& Name);

// ---- Typed registration ---------------------------------------------------

template <class T>
class TClassRegistration {
public:
  explicit TClassRegistration(TClassInfo& Info) : info_(&Info) {}
  TClassInfo& Info() const { return *info_; }

  template <class G, class S>
  TClassRegistration& Integer(const String& Name, G Get, S Set, std::optional<std::int64_t> Default = {}) {
    TPropInfo& p = Add(Name, TTypeKind::tkInteger);
    p.GetOrd = [Get](TPersistent* o) { return static_cast<std::int64_t>(std::invoke(Get, Cast(o))); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>) {
      // A value the setter's type cannot hold is refused, not wrapped
      // (Interval = -1 must not become 4294967295 ms).
      p.SetOrd = [Set](TPersistent* o, std::int64_t v) {
        using Arg = typename SetterArg<S>::type;
        if constexpr (std::is_integral_v<Arg> && !std::is_same_v<Arg, bool>) {
          if (!std::in_range<Arg>(v)) throw EPropertyError("Invalid property value");
        }
        std::invoke(Set, Cast(o), static_cast<typename SetterArg<S>::type>(v));
      };
    }
    p.DefaultOrd = Default;
    return *this;
  }
  template <class G, class S>
  TClassRegistration& Boolean(const String& Name, G Get, S Set, std::optional<bool> Default = false) {
    TPropInfo& p = Add(Name, TTypeKind::tkBoolean);
    p.Names = {"False", "True"};
    p.GetOrd = [Get](TPersistent* o) { return static_cast<std::int64_t>(std::invoke(Get, Cast(o)) ? 1 : 0); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>)
      p.SetOrd = [Set](TPersistent* o, std::int64_t v) { std::invoke(Set, Cast(o), v != 0); };
    if (Default) p.DefaultOrd = *Default ? 1 : 0;
    return *this;
  }
  // Get returns and Set takes the enumeration type (or an integer ordinal).
  template <class G, class S>
  TClassRegistration& Enum(const String& Name, std::vector<String> Names, G Get, S Set,
                           std::optional<std::int64_t> Default = {}) {
    TPropInfo& p = Add(Name, TTypeKind::tkEnumeration);
    p.Names = std::move(Names);
    p.GetOrd = [Get](TPersistent* o) { return static_cast<std::int64_t>(std::invoke(Get, Cast(o))); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>) {
      p.SetOrd = [Set](TPersistent* o, std::int64_t v) {
        using Arg = EnumArg<S>;
        std::invoke(Set, Cast(o), static_cast<Arg>(v));
      };
    }
    p.DefaultOrd = Default;
    return *this;
  }
  // Get returns and Set takes a bit mask (bit i = element Names[i]).
  template <class G, class S>
  TClassRegistration& Set(const String& Name, std::vector<String> Names, G Get, S Set,
                          std::optional<std::int64_t> Default = 0) {
    TPropInfo& p = Add(Name, TTypeKind::tkSet);
    p.Names = std::move(Names);
    p.GetOrd = [Get](TPersistent* o) { return static_cast<std::int64_t>(std::invoke(Get, Cast(o))); };
    p.SetOrd = WrapSet<std::int64_t>(Set);
    p.DefaultOrd = Default;
    return *this;
  }
  template <class G, class S>
  TClassRegistration& Float(const String& Name, G Get, S Set, std::optional<double> Default = {}) {
    TPropInfo& p = Add(Name, TTypeKind::tkFloat);
    p.GetFloat = [Get](TPersistent* o) { return static_cast<double>(std::invoke(Get, Cast(o))); };
    p.SetFloat = WrapSet<double>(Set);
    p.DefaultFloat = Default;
    return *this;
  }
  template <class G, class S>
  TClassRegistration& Str(const String& Name, G Get, S Set, std::optional<String> Default = String()) {
    TPropInfo& p = Add(Name, TTypeKind::tkString);
    p.GetString = [Get](TPersistent* o) { return String(std::invoke(Get, Cast(o))); };
    p.SetString = WrapSet<const String&>(Set);
    p.DefaultString = std::move(Default);
    return *this;
  }
  // A reference to a component inheriting from ComponentClass. Get returns
  // and Set takes a pointer (of any component type).
  template <class G, class S>
  TClassRegistration& Component(const String& Name, const String& ComponentClass, G Get, S Set) {
    TPropInfo& p = Add(Name, TTypeKind::tkComponent);
    p.ComponentClass = ComponentClass;
    p.GetComponent = [Get](TPersistent* o) -> TComponent* { return std::invoke(Get, Cast(o)); };
    if constexpr (!std::is_same_v<S, std::nullptr_t>) {
      p.SetComponent = [Set](TPersistent* o, TComponent* c) {
        using Arg = ComponentArg<S>;
        if constexpr (std::is_same_v<Arg, TComponent*>) {
          std::invoke(Set, Cast(o), c);
        } else {
          Arg typed = c ? dynamic_cast<Arg>(c) : nullptr;
          if (c && !typed) throw EPropertyError("Invalid property value");
          std::invoke(Set, Cast(o), typed);
        }
      };
    }
    return *this;
  }
  // An event of type E (TNotifyEvent or any std::function). Set takes E.
  template <class E, class S>
  TClassRegistration& Event(const String& Name, S Set) {
    TPropInfo& p = Add(Name, TTypeKind::tkMethod);
    p.SetMethod = [Set](TPersistent* o, const std::any& m) {
      const E* handler = std::any_cast<E>(&m);
      if (!handler) throw EPropertyError("Invalid property value");
      std::invoke(Set, Cast(o), *handler);
    };
    return *this;
  }
  // An owned sub-object (collection, font, TStrings ...): the reader sets its
  // properties in place. Get returns a pointer to a TPersistent descendant.
  template <class G>
  TClassRegistration& Object(const String& Name, G Get) {
    TPropInfo& p = Add(Name, TTypeKind::tkClass);
    p.GetObject = [Get](TPersistent* o) -> TPersistent* { return std::invoke(Get, Cast(o)); };
    return *this;
  }
  // A string list value. Get returns and Set takes std::vector<String>.
  template <class G, class S>
  TClassRegistration& Strings(const String& Name, G Get, S Set) {
    TPropInfo& p = Add(Name, TTypeKind::tkStrings);
    p.GetStrings = [Get](TPersistent* o) { return std::vector<String>(std::invoke(Get, Cast(o))); };
    p.SetStrings = WrapSet<const std::vector<String>&>(Set);
    return *this;
  }
  // Lets the last registered integer property be written as a name in
  // resource text (Font.Color = clWindowText).
  TClassRegistration& Idents(std::function<bool(const String&, std::int64_t&)> IdentToInt) {
    info_->Props.back().IdentToInt = std::move(IdentToInt);
    return *this;
  }
  // Marks the last registered property as never stored.
  TClassRegistration& NotStored() {
    info_->Props.back().Stored = false;
    return *this;
  }

  // The instance as T, or EPropertyError when it is not one.
  static T& Cast(TPersistent* o) {
    T* t = dynamic_cast<T*>(o);
    if (!t) throw EPropertyError("Invalid property value");
    return *t;
  }

private:
  TPropInfo& Add(const String& Name, TTypeKind Kind) {
    TPropInfo p;
    p.Name = Name;
    p.Kind = Kind;
    info_->Props.push_back(std::move(p));
    return info_->Props.back();
  }
  template <class V, class S>
  static auto WrapSet(S Set) {
    if constexpr (std::is_same_v<S, std::nullptr_t>) {
      return std::function<void(TPersistent*, V)>();
    } else {
      return std::function<void(TPersistent*, V)>([Set](TPersistent* o, V v) { std::invoke(Set, Cast(o), v); });
    }
  }

  // The argument type of a setter: member function pointer or callable.
  template <class S>
  struct SetterArg;
  template <class C, class R, class A>
  struct SetterArg<R (C::*)(A)> { using type = std::remove_cvref_t<A>; };
  template <class C, class R, class A>
  struct SetterArg<R (C::*)(A) noexcept> { using type = std::remove_cvref_t<A>; };
  template <class R, class O, class A>
  struct SetterArg<R (*)(O, A)> { using type = std::remove_cvref_t<A>; };
  template <class S>
    requires requires { &S::operator(); }
  struct SetterArg<S> : SetterArg<decltype(&S::operator())> {};
  template <class C, class R, class O, class A>
  struct SetterArg<R (C::*)(O, A) const> { using type = std::remove_cvref_t<A>; };
  template <class C, class R, class O, class A>
  struct SetterArg<R (C::*)(O, A)> { using type = std::remove_cvref_t<A>; };
  template <class S>
  using EnumArg = typename SetterArg<S>::type;
  template <class S>
  using ComponentArg = typename SetterArg<S>::type;

  TClassInfo* info_;
};

// Registers class T. Without a factory, a TComponent descendant that can be
// constructed from its owner gets `new T(Owner)`.
template <class T>
TClassRegistration<T> RegisterClass(const String& Name, const String& ParentName,
                                    TClassInfo::TFactory Factory = nullptr) {
  if (!Factory) {
    if constexpr (std::is_base_of_v<TComponent, T> && std::is_constructible_v<T, TComponent*> &&
                  !std::is_abstract_v<T>) {
      Factory = [](TComponent* Owner) -> TComponent* { return new T(Owner); };
    }
  }
  return TClassRegistration<T>(RegisterClassInfo(Name, ParentName, std::move(Factory)));
}
