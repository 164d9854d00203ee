#include "class_library/core/Variant.h"

#include <cmath>
#include <limits>

#include "class_library/core/DateTime.h"
#include "class_library/core/SysUtils.h"

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// Rounds half to even, as the integer conversion of a floating value does.
bool RoundToInt64(double v, int64_t& out) {
  if (!std::isfinite(v)) return false;
  const double r = std::nearbyint(v);
  if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return false;
  out = static_cast<int64_t>(r);
  return true;
}

}  // namespace

int Variant::VarType() const {
  return std::visit(Overloaded{[](const EmptyTag&) { return varEmpty; }, [](const NullTag&) { return varNull; },
                               [](bool) { return varBoolean; }, [](int64_t) { return varInt64; },
                               [](double) { return varDouble; }, [](const String&) { return varString; },
                               [](const DateTag&) { return varDate; },
                               [](const Array&) { return varArray | varVariant; }},
                    value_);
}

String Variant::KindName() const {
  switch (VarType()) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varBoolean: return "Boolean";
    case varInt64: return "Int64";
    case varDouble: return "Double";
    case varString: return "String";
    case varDate: return "Date";
    default: return "Array";
  }
}

void Variant::ConvertError(const char* to) const {
  throw EVariantError("Could not convert variant of type (" + KindName() + ") into type (" + to + ")");
}

String Variant::AsString() const {
  if (IsEmpty()) return String();
  if (const auto* b = std::get_if<bool>(&value_)) return *b ? "True" : "False";
  if (const auto* i = std::get_if<int64_t>(&value_)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&value_)) return FloatToStr(*d);
  if (const auto* s = std::get_if<String>(&value_)) return *s;
  if (const auto* t = std::get_if<DateTag>(&value_)) return DateTimeToStr(t->value);
  ConvertError("String");
}

int64_t Variant::AsInteger() const {
  if (IsEmpty()) return 0;
  if (const auto* b = std::get_if<bool>(&value_)) return *b ? -1 : 0;
  if (const auto* i = std::get_if<int64_t>(&value_)) return *i;
  int64_t out;
  if (const auto* d = std::get_if<double>(&value_)) {
    if (RoundToInt64(*d, out)) return out;
  } else if (const auto* t = std::get_if<DateTag>(&value_)) {
    if (RoundToInt64(t->value, out)) return out;
  } else if (const auto* s = std::get_if<String>(&value_)) {
    if (TryStrToInt64(*s, out)) return out;
    double f;
    if (TryStrToFloat(*s, f) && RoundToInt64(f, out)) return out;
    if (SameText(Trim(*s), "True")) return -1;
    if (SameText(Trim(*s), "False")) return 0;
  }
  ConvertError("Int64");
}

double Variant::AsFloat() const {
  if (IsEmpty()) return 0;
  if (const auto* b = std::get_if<bool>(&value_)) return *b ? -1 : 0;
  if (const auto* i = std::get_if<int64_t>(&value_)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&value_)) return *d;
  if (const auto* t = std::get_if<DateTag>(&value_)) return t->value;
  if (const auto* s = std::get_if<String>(&value_)) {
    double f;
    if (TryStrToFloat(*s, f)) return f;
  }
  ConvertError("Double");
}

bool Variant::AsBoolean() const {
  if (IsEmpty()) return false;
  if (const auto* b = std::get_if<bool>(&value_)) return *b;
  if (const auto* i = std::get_if<int64_t>(&value_)) return *i != 0;
  if (const auto* d = std::get_if<double>(&value_)) return *d != 0;
  if (const auto* t = std::get_if<DateTag>(&value_)) return t->value != 0;
  if (const auto* s = std::get_if<String>(&value_)) {
    const String t = Trim(*s);
    if (SameText(t, "True")) return true;
    if (SameText(t, "False")) return false;
    double f;
    if (TryStrToFloat(t, f)) return f != 0;
  }
  ConvertError("Boolean");
}

TDateTime Variant::AsDateTime() const {
  if (IsEmpty()) return 0;
  if (const auto* t = std::get_if<DateTag>(&value_)) return t->value;
  if (const auto* i = std::get_if<int64_t>(&value_)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&value_)) return *d;
  if (const auto* s = std::get_if<String>(&value_)) {
    TDateTime v;
    if (TryStrToDateTime(*s, v)) return v;
  }
  ConvertError("Date");
}

int Variant::ArrayCount() const {
  const auto* a = std::get_if<Array>(&value_);
  if (!a) throw EVariantError("Variant is not an array");
  return static_cast<int>(a->size());
}

const Variant& Variant::operator[](int index) const {
  const auto* a = std::get_if<Array>(&value_);
  if (!a) throw EVariantError("Variant is not an array");
  if (index < 0 || static_cast<size_t>(index) >= a->size())
    throw EVariantError("Variant or safe array index out of bounds");
  return (*a)[static_cast<size_t>(index)];
}

Variant& Variant::operator[](int index) {
  return const_cast<Variant&>(static_cast<const Variant&>(*this)[index]);
}

bool VarIsNull(const Variant& v) { return v.IsNull(); }
bool VarIsEmpty(const Variant& v) { return v.IsEmpty(); }
bool VarIsArray(const Variant& v) { return v.IsArray(); }
bool VarIsClear(const Variant& v) { return v.IsNull() || v.IsEmpty(); }

Variant VarArrayOf(std::initializer_list<Variant> values) { return Variant(Variant::Array(values)); }
Variant VarArrayOf(const std::vector<Variant>& values) { return Variant(Variant::Array(values)); }

int VarArrayHighBound(const Variant& v) { return v.ArrayCount() - 1; }

String VarToStr(const Variant& v) { return VarIsClear(v) ? String() : v.AsString(); }

Variant VarFromDateTime(TDateTime v) { return Variant::FromDateTime(v); }

int VarType(const Variant& v) { return v.VarType(); }
