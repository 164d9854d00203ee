#include "class_library/components/TypeInfo.h"

#include <map>
#include <memory>
#include <mutex>

#include "class_library/core/SysUtils.h"

namespace {

struct Registry {
  std::recursive_mutex lock;
  std::map<String, std::unique_ptr<TClassInfo>> classes;  // key: upper-cased name
};

Registry& Storage() {
  static Registry registry;
  return registry;
}

// The registry with the roots of the hierarchy in it. Registered on first
// use so that a lookup never depends on static-init order; the registrations
// below re-enter through the recursive lock, after the flag is already set.
Registry& TheRegistry() {
  static bool builtIn = false;
  Registry& r = Storage();
  std::lock_guard<std::recursive_mutex> guard(r.lock);
  if (builtIn) return r;
  builtIn = true;
  RegisterClass<TPersistent>("TPersistent", "");
  RegisterClass<TComponent>("TComponent", "TPersistent")
      .Str("Name", &TComponent::Name, &TComponent::SetName)
      .NotStored()
      .Integer("Tag", &TComponent::Tag, &TComponent::SetTag, 0);
  RegisterClass<TCollection>("TCollection", "TPersistent");
  RegisterClass<TCollectionItem>("TCollectionItem", "TPersistent");
  RegisterClass<TOwnedCollection>("TOwnedCollection", "TCollection");
  RegisterClass<TDataModule>("TDataModule", "TComponent")
      .Event<TNotifyEvent>("OnCreate", [](TDataModule& m, TNotifyEvent e) { m.OnCreate = std::move(e); })
      .Event<TNotifyEvent>("OnDestroy", [](TDataModule& m, TNotifyEvent e) { m.OnDestroy = std::move(e); });
  return r;
}

const TPropInfo& RequireProp(const TPersistent* Instance, const String& PropName) {
  const TPropInfo* p = GetPropInfo(Instance, PropName);
  if (!p) throw EPropertyError("Unknown property: " + PropName);
  return *p;
}

[[noreturn]] void InvalidValue() { throw EPropertyError("Invalid property value"); }

bool IsOrdinal(TTypeKind k) {
  return k == TTypeKind::tkInteger || k == TTypeKind::tkBoolean || k == TTypeKind::tkEnumeration ||
         k == TTypeKind::tkSet;
}

}  // namespace

bool TPropInfo::Writable() const {
  switch (Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkBoolean:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
      return static_cast<bool>(SetOrd);
    case TTypeKind::tkFloat:
      return static_cast<bool>(SetFloat);
    case TTypeKind::tkString:
      return static_cast<bool>(SetString);
    case TTypeKind::tkComponent:
      return static_cast<bool>(SetComponent);
    case TTypeKind::tkMethod:
      return static_cast<bool>(SetMethod);
    case TTypeKind::tkClass:
      return static_cast<bool>(GetObject);
    case TTypeKind::tkStrings:
      return static_cast<bool>(SetStrings);
  }
  return false;
}

bool IsStoredProp(TPersistent* Instance, const TPropInfo& Prop) {
  if (!Prop.Stored) return false;
  if (IsOrdinal(Prop.Kind)) return !Prop.DefaultOrd || Prop.GetOrd(Instance) != *Prop.DefaultOrd;
  switch (Prop.Kind) {
    case TTypeKind::tkFloat:
      return !Prop.DefaultFloat || Prop.GetFloat(Instance) != *Prop.DefaultFloat;
    case TTypeKind::tkString:
      return !Prop.DefaultString || Prop.GetString(Instance) != *Prop.DefaultString;
    case TTypeKind::tkComponent:
      return Prop.GetComponent && Prop.GetComponent(Instance) != nullptr;
    case TTypeKind::tkStrings:
      return Prop.GetStrings && !Prop.GetStrings(Instance).empty();
    default:
      return true;
  }
}

// ---- TClassInfo ------------------------------------------------------------

const TClassInfo* TClassInfo::Parent() const {
  if (ParentName.empty()) return nullptr;
  return FindClassInfo(ParentName);
}

const TPropInfo* TClassInfo::FindProp(const String& PropName) const {
  // Bounded walk: a registration error that makes a cycle must not hang.
  int depth = 0;
  for (const TClassInfo* c = this; c && depth < 64; c = c->Parent(), ++depth)
    for (const TPropInfo& p : c->Props)
      if (SameText(p.Name, PropName)) return &p;
  return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::AllProps() const {
  std::vector<const TClassInfo*> chain;
  for (const TClassInfo* c = this; c && chain.size() < 64; c = c->Parent()) chain.push_back(c);
  std::vector<const TPropInfo*> result;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (const TPropInfo& p : (*it)->Props) result.push_back(&p);
  return result;
}

bool TClassInfo::InheritsFrom(const String& ClassName) const {
  int depth = 0;
  for (const TClassInfo* c = this; c && depth < 64; c = c->Parent(), ++depth)
    if (SameText(c->Name, ClassName)) return true;
  return false;
}

// ---- Registry --------------------------------------------------------------

TClassInfo& RegisterClassInfo(const String& Name, const String& ParentName, TClassInfo::TFactory Factory) {
  Registry& r = TheRegistry();
  std::lock_guard<std::recursive_mutex> guard(r.lock);
  auto info = std::make_unique<TClassInfo>();
  info->Name = Name;
  info->ParentName = ParentName;
  info->Factory = std::move(Factory);
  TClassInfo& ref = *info;
  r.classes[UpperCase(Name)] = std::move(info);
  return ref;
}

const TClassInfo* FindClassInfo(const String& Name) {
  Registry& r = TheRegistry();
  std::lock_guard<std::recursive_mutex> guard(r.lock);
  auto it = r.classes.find(UpperCase(Name));
  return it == r.classes.end() ? nullptr : it->second.get();
}

const TClassInfo& GetClassInfo(const String& Name) {
  const TClassInfo* info = FindClassInfo(Name);
  if (!info) throw EClassNotFound("Class " + Name + " not found");
  return *info;
}

const TClassInfo* ClassInfoOf(const TObject* Instance) {
  return Instance ? FindClassInfo(Instance->ClassName()) : nullptr;
}

bool ClassInheritsFrom(const String& ClassName, const String& AncestorName) {
  if (SameText(ClassName, AncestorName)) return true;
  const TClassInfo* info = FindClassInfo(ClassName);
  return info && info->InheritsFrom(AncestorName);
}

TComponent* CreateComponentOfClass(const String& ClassName, TComponent* Owner) {
  const TClassInfo& info = GetClassInfo(ClassName);
  if (!info.Factory) throw EComponentError("Cannot create an instance of " + info.Name);
  return info.Factory(Owner);
}

// ---- Access by name --------------------------------------------------------

const TPropInfo* GetPropInfo(const TPersistent* Instance, const String& PropName) {
  const TClassInfo* info = ClassInfoOf(Instance);
  return info ? info->FindProp(PropName) : nullptr;
}

std::int64_t GetOrdProp(TPersistent* Instance, const String& PropName) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if (!IsOrdinal(p.Kind) || !p.GetOrd) InvalidValue();
  return p.GetOrd(Instance);
}

void SetOrdProp(TPersistent* Instance, const String& PropName, std::int64_t Value) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if (!IsOrdinal(p.Kind) || !p.SetOrd) InvalidValue();
  if (p.Kind == TTypeKind::tkEnumeration && (Value < 0 || Value >= static_cast<std::int64_t>(p.Names.size())))
    InvalidValue();
  p.SetOrd(Instance, Value);
}

String GetStrProp(TPersistent* Instance, const String& PropName) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if (p.Kind != TTypeKind::tkString || !p.GetString) InvalidValue();
  return p.GetString(Instance);
}

void SetStrProp(TPersistent* Instance, const String& PropName, const String& Value) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if (p.Kind != TTypeKind::tkString || !p.SetString) InvalidValue();
  p.SetString(Instance, Value);
}

double GetFloatProp(TPersistent* Instance, const String& PropName) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if (p.Kind != TTypeKind::tkFloat || !p.GetFloat) InvalidValue();
  return p.GetFloat(Instance);
}

void SetFloatProp(TPersistent* Instance, const String& PropName, double Value) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if (p.Kind != TTypeKind::tkFloat || !p.SetFloat) InvalidValue();
  p.SetFloat(Instance, Value);
}

int GetEnumValue(const TPropInfo& Prop, const String& Name) {
  for (size_t i = 0; i < Prop.Names.size(); ++i)
    if (SameText(Prop.Names[i], Name)) return static_cast<int>(i);
  return -1;
}

String GetEnumProp(TPersistent* Instance, const String& PropName) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if ((p.Kind != TTypeKind::tkEnumeration && p.Kind != TTypeKind::tkBoolean) || !p.GetOrd) InvalidValue();
  std::int64_t v = p.GetOrd(Instance);
  if (v < 0 || v >= static_cast<std::int64_t>(p.Names.size())) return std::to_string(v);
  return p.Names[static_cast<size_t>(v)];
}

void SetEnumProp(TPersistent* Instance, const String& PropName, const String& Value) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if ((p.Kind != TTypeKind::tkEnumeration && p.Kind != TTypeKind::tkBoolean) || !p.SetOrd) InvalidValue();
  int v = GetEnumValue(p, Trim(Value));
  if (v < 0) InvalidValue();
  p.SetOrd(Instance, v);
}

String GetSetProp(TPersistent* Instance, const String& PropName) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if (p.Kind != TTypeKind::tkSet || !p.GetOrd) InvalidValue();
  std::int64_t mask = p.GetOrd(Instance);
  String result = "[";
  for (size_t i = 0; i < p.Names.size() && i < 64; ++i) {
    if (!(mask & (std::int64_t(1) << i))) continue;
    if (result.size() > 1) result += ",";
    result += p.Names[i];
  }
  return result + "]";
}

void SetSetProp(TPersistent* Instance, const String& PropName, const String& Value) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if (p.Kind != TTypeKind::tkSet || !p.SetOrd) InvalidValue();
  String text = Trim(Value);
  if (!text.empty() && text.front() == '[') {
    if (text.back() != ']') InvalidValue();
    text = text.substr(1, text.size() - 2);
  }
  std::int64_t mask = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    String item = Trim(text.substr(start, comma == String::npos ? String::npos : comma - start));
    if (!item.empty()) {
      int bit = GetEnumValue(p, item);
      if (bit < 0 || bit >= 64) InvalidValue();
      mask |= std::int64_t(1) << bit;
    } else if (comma != String::npos) {
      InvalidValue();  // an empty element between commas
    }
    if (comma == String::npos) break;
    start = comma + 1;
  }
  p.SetOrd(Instance, mask);
}

TComponent* GetComponentProp(TPersistent* Instance, const String& PropName) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if (p.Kind != TTypeKind::tkComponent || !p.GetComponent) InvalidValue();
  return p.GetComponent(Instance);
}

void SetComponentProp(TPersistent* Instance, const String& PropName, TComponent* Value) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if (p.Kind != TTypeKind::tkComponent || !p.SetComponent) InvalidValue();
  if (Value && !p.ComponentClass.empty() && !ComponentInheritsFrom(Value, p.ComponentClass)) InvalidValue();
  p.SetComponent(Instance, Value);
}

TPersistent* GetObjectProp(TPersistent* Instance, const String& PropName) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if (p.Kind != TTypeKind::tkClass || !p.GetObject) InvalidValue();
  return p.GetObject(Instance);
}

void SetMethodProp(TPersistent* Instance, const String& PropName, const std::any& Handler) {
  const TPropInfo& p = RequireProp(Instance, PropName);
  if (p.Kind != TTypeKind::tkMethod || !p.SetMethod) InvalidValue();
  p.SetMethod(Instance, Handler);
}
