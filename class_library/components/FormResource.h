#pragma once
// Text form resources: the description of a module or form and the
// components on it, read into a live root component.
//
//   object srvTarnwick: TsrvTarnwick
//     OnCreate = ServiceCreate
//     object Timer: TTimer
//       Enabled = False
//       OnTimer = TimerTimer
//     end
//   end
//
// Values: integers (-5, $FF), floats (1.5, 2E3), strings ('it''s', #13,
// 'a' + 'b', 'a'#10'b'), identifiers (True, enumeration values, component
// and method names, nil), sets ([a, b]), lists (( ... )), collections
// (< item ... end >) and binary data ({ 0A1B }).
#include <cstdint>
#include <vector>

#include "class_library/components/Component.h"
#include "class_library/core/Exceptions.h"

// One parsed value.
struct TResValue {
  enum Kind { vaInt, vaFloat, vaString, vaIdent, vaSet, vaList, vaCollection, vaBinary };
  struct Item;  // one collection item

  Kind kind = vaInt;
  int line = 0;
  std::int64_t integer = 0;
  double number = 0;
  String text;                     // string, identifier, binary bytes
  std::vector<String> names;       // set elements
  std::vector<TResValue> items;    // list elements
  std::vector<Item> collection;    // collection items
};

struct TResProperty {
  String path;  // "TabColors.HighlightBar"
  TResValue value;
  int line = 0;
};

struct TResValue::Item {
  std::vector<TResProperty> props;
  int line = 0;
};

// One parsed "object ... end" block.
struct TResObject {
  String keyword;  // object, inherited or inline
  String name;
  String className;
  std::vector<TResProperty> props;
  std::vector<TResObject> children;
  int line = 0;
};

// Parses resource text. Raises EReadError "Line <n>: <what>" for malformed
// text (bad character, unterminated string, missing end, nesting deeper
// than 64 levels).
TResObject ParseFormResource(const String& Text);

// Hands one stored value to a ReadLegacyProperties reader procedure. The Read
// functions raise EReadError "Line <n>: Invalid property value" when the
// value is of another kind.
class TReader {
public:
  TReader(const TResValue& Value, TComponent* Root) : value_(Value), root_(Root) {}
  const TResValue& Value() const { return value_; }
  TComponent* Root() const { return root_; }
  int Line() const { return value_.line; }

  bool ReadBoolean() const;
  std::int64_t ReadInteger() const;
  double ReadFloat() const;  // integers are accepted
  String ReadString() const;
  String ReadIdent() const;
  std::vector<String> ReadSet() const;
  String ReadBinary() const;
  std::vector<String> ReadStrings() const;  // a list of strings
  void SkipValue() const {}

private:
  [[noreturn]] void Invalid() const;
  const TResValue& value_;
  TComponent* root_;
};

// Reads Text into Root: Root's own properties, then the nested components,
// created by class with Root as owner (a component of that name that Root
// already owns is reused), each told its enclosing component
// (SetParentComponent). Component references are resolved and methods bound
// after all components exist; names with no published property go to the
// object's ReadLegacyProperties. Every read component is in csLoading during
// the read and gets FinishLoading at the end (Root first, then in reading
// order). Errors raise EReadError "Line <n>: ..." and leave the components
// created so far owned by Root.
void ReadComponentResource(TComponent* Root, const String& Text);

// ReadComponentResource with the text built into the executable under
// ResourceName (Resources.h); EResNotFound "Resource <name> not found".
void InitComponentFromResource(TComponent* Root, const String& ResourceName);

TW_DECLARE_EXCEPTION(EResNotFound, Exception)

// The component Name, of class C, that reading a resource into Root made;
// EComponentError "The <Kind> resource lacks the component <Name>" when there
// is none of that name and class (Kind says what was read: "form", "module").
template <class C>
C* RequireComponent(TComponent* Root, const String& Name, const String& Kind) {
  C* c = dynamic_cast<C*>(Root->FindComponent(Name));
  if (c == nullptr) throw EComponentError("The " + Kind + " resource lacks the component " + Name);
  return c;
}
