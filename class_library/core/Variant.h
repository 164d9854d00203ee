#pragma once
// A value of one of a few kinds, as datasets and fields exchange them:
// unassigned, null, Boolean, integer, floating point, text, date or an array.
#include <cstdint>
#include <initializer_list>
#include <variant>
#include <vector>

#include "class_library/core/Exceptions.h"
#include "class_library/core/Types.h"

// Type codes as VarType reports them.
constexpr int varEmpty = 0x0000;
constexpr int varNull = 0x0001;
constexpr int varInteger = 0x0003;
constexpr int varDouble = 0x0005;
constexpr int varDate = 0x0007;
constexpr int varBoolean = 0x000B;
constexpr int varVariant = 0x000C;
constexpr int varInt64 = 0x0014;
constexpr int varString = 0x0100;
constexpr int varArray = 0x2000;

class Variant {
public:
  struct EmptyTag {
    bool operator==(const EmptyTag&) const = default;
  };
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  struct DateTag {
    TDateTime value;
    bool operator==(const DateTag&) const = default;
  };
  using Array = std::vector<Variant>;

  Variant() = default;  // unassigned
  Variant(bool v) : value_(v) {}  // NOLINT: implicit by design
  Variant(int v) : value_(static_cast<int64_t>(v)) {}  // NOLINT
  Variant(long v) : value_(static_cast<int64_t>(v)) {}  // NOLINT
  Variant(long long v) : value_(static_cast<int64_t>(v)) {}  // NOLINT
  Variant(double v) : value_(v) {}  // NOLINT
  Variant(const char* v) : value_(String(v ? v : "")) {}  // NOLINT
  Variant(const String& v) : value_(v) {}  // NOLINT
  Variant(String&& v) : value_(std::move(v)) {}  // NOLINT
  Variant(Array v) : value_(std::move(v)) {}  // NOLINT

  static Variant MakeNull() { return Variant(NullTag{}); }
  static Variant FromDateTime(TDateTime v) { return Variant(DateTag{v}); }

  // One of the var* codes (an array is varArray | varVariant).
  int VarType() const;
  bool IsEmpty() const { return std::holds_alternative<EmptyTag>(value_); }
  bool IsNull() const { return std::holds_alternative<NullTag>(value_); }
  bool IsArray() const { return std::holds_alternative<Array>(value_); }

  // Conversions. Unassigned converts to "", 0, 0.0, false; null and arrays
  // convert to nothing, and text that is no number to no number: EVariantError
  // "Could not convert variant of type (<from>) into type (<to>)".
  String AsString() const;
  int64_t AsInteger() const;
  double AsFloat() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;

  // Elements of an array (EVariantError when this is no array or the index
  // is out of bounds).
  int ArrayCount() const;
  const Variant& operator[](int index) const;
  Variant& operator[](int index);

  // Same kind and same value (no conversion).
  bool operator==(const Variant& other) const { return value_ == other.value_; }

private:
  explicit Variant(NullTag t) : value_(t) {}
  explicit Variant(DateTag t) : value_(t) {}
  [[noreturn]] void ConvertError(const char* to) const;
  String KindName() const;

  std::variant<EmptyTag, NullTag, bool, int64_t, double, String, DateTag, Array> value_;
};

inline Variant Null() { return Variant::MakeNull(); }
inline Variant Unassigned() { return Variant(); }

bool VarIsNull(const Variant& v);
bool VarIsEmpty(const Variant& v);
bool VarIsArray(const Variant& v);
// Null or unassigned.
bool VarIsClear(const Variant& v);
Variant VarArrayOf(std::initializer_list<Variant> values);
Variant VarArrayOf(const std::vector<Variant>& values);
int VarArrayHighBound(const Variant& v);
// The text of a value; "" for null and unassigned.
String VarToStr(const Variant& v);
Variant VarFromDateTime(TDateTime v);
int VarType(const Variant& v);
