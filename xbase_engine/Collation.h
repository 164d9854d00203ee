#pragma once
// How the engine orders character keys.
//
// Two orders exist:
//  - machine order: the bytes compared as unsigned numbers (memcmp), the
//    default;
//  - the system order: a dictionary order for Windows-1252 text chosen by the
//    language of the user's locale (LC_ALL, LC_COLLATE, LANG, the first one
//    set). Levels, compared one after the other over the whole key:
//      1. the character: controls < blank < punctuation and symbols (in byte
//         order) < digits < letters; accented letters count as their base
//         letter, ae/oe ligatures and sharp s as two letters ("ae", "oe",
//         "ss"); thorn follows z;
//      2. the accent (none < acute < grave < circumflex < tilde < diaeresis <
//         ring < cedilla < stroke < caron < hook < superscript/ordinal);
//      3. the case: lower case before upper case;
//      4. the bytes themselves, so that only identical keys compare equal.
//    Languages with letters of their own after z: Swedish and Finnish
//    (a-ring, a-diaeresis, o-diaeresis; ae with a-diaeresis, o-stroke with
//    o-diaeresis, u-diaeresis with y), Danish and Norwegian (ae, o-stroke,
//    a-ring; a-diaeresis with ae, o-diaeresis with o-stroke), Spanish (n-tilde
//    after n). Every other language uses the order above.
//
// A collation object never changes: tailoring makes a new one. An index takes
// the active collation when it is built or opened and keeps it (hold the
// shared_ptr from ActiveCollation and compare character keys with it; machine
// order may keep its memcmp fast path), so a later change of the process-wide
// choice cannot disturb an open index (rebuild an index to give it a new
// order). Only character keys are collated: numeric, date and logical keys
// are encoded for byte order.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xbe {

// Rule numbers of xb_SetCollationRule (text bytes are Windows-1252).
constexpr int kRuleReset = 0;   // text ignored: the system order of the locale again
constexpr int kRuleAfter = 1;   // text "xyz...": y, z ... become letters of their own right after x
constexpr int kRuleEqual = 2;   // text "xyz...": y, z ... sort as x (told apart by their accent)
constexpr int kRuleExpand = 3;  // text "xyz...": x sorts as the letters y z ... (keeps its accent)

class Collation {
 public:
  // Byte order.
  static std::shared_ptr<const Collation> Machine();
  // The system order for a locale name ("de_DE.UTF-8", "sv_SE", "C" ...).
  static std::shared_ptr<const Collation> ForLocale(std::string_view localeName);

  bool IsMachine() const { return machine_; }
  // "MACHINE" or "SYSTEM" (an index format may record it).
  const char* Name() const { return machine_ ? "MACHINE" : "SYSTEM"; }

  // Negative, zero or positive as a sorts before, with or after b. Zero only
  // for identical byte strings; a proper prefix sorts first.
  int Compare(std::string_view a, std::string_view b) const;
  // Two fixed-length keys of n bytes each (the shape index pages hold).
  int CompareFixed(const uint8_t* a, const uint8_t* b, size_t n) const {
    return Compare(std::string_view(reinterpret_cast<const char*>(a), n),
                   std::string_view(reinterpret_cast<const char*>(b), n));
  }
  // A byte string whose memcmp order is the Compare order (machine order:
  // the text itself). For sorting many keys once.
  std::string SortKey(std::string_view s) const;
  // out[b] = the rank (0..255) of the one-byte text b in this order.
  void CharOrder(uint8_t out[256]) const;

  // A tailored copy (kRule* above); nullptr when the rule or text is not
  // usable (unknown rule, text too short, machine order).
  std::shared_ptr<const Collation> WithRule(int rule, std::string_view text) const;

  // The ranks each byte starts from (kept so that tailoring can insert new
  // ones); public only for the factory functions.
  struct Spec {
    std::array<std::vector<double>, 256> primary;  // one rank, or more for an expansion
    std::array<uint8_t, 256> accent{};
    std::array<uint8_t, 256> upper{};
  };
  explicit Collation(bool machine) : machine_(machine) {}
  Collation(const Spec& spec, std::string locale);

  const std::string& Locale() const { return locale_; }

 private:
  int ComparePrimary(std::string_view a, std::string_view b) const;

  bool machine_ = true;
  std::string locale_;
  Spec spec_;
  std::array<uint16_t, 256> weight1_{};   // primary weight of a byte without expansion
  std::array<uint8_t, 256> expands_{};    // non-zero: the byte has several primary weights
  std::array<std::array<uint16_t, 3>, 256> expansion_{};  // up to three weights, 0 ends
  std::array<uint8_t, 256> weight2_{};
  std::array<uint8_t, 256> weight3_{};
  bool anyExpansion_ = false;
};

// ---- the process-wide choice (xb_SetMachineCollation and friends) ----

// The collation new indexes take. Machine order until the system order is chosen.
std::shared_ptr<const Collation> ActiveCollation();
// Compares two keys in the active collation (machine order: memcmp).
int CompareKeys(std::string_view a, std::string_view b);

// The user's locale name from LC_ALL, LC_COLLATE, LANG (first one set), "C" when none.
std::string SystemLocaleName();
void UseMachineCollation();
// The system order (built from the locale the first time, or after kRuleReset) becomes active.
void UseSystemCollation();
// Tailors the system order (built first when needed); does not change which
// order is active. False when the rule is not usable.
bool AddCollationRule(int rule, std::string_view text);
// The two German additions; each tailors the system order and makes it active.
// Dictionary order: a/o/u-diaeresis sort as a, o, u, sharp s as "ss".
void AddGermanDictionaryOrder();
// Phone-book order: a/o/u-diaeresis sort as "ae", "oe", "ue", sharp s as "ss".
void AddGermanPhoneBookOrder();
// The system order as it stands (built from the locale when needed).
std::shared_ptr<const Collation> SystemCollation();
// Back to machine order and a system order built afresh on next use.
void ResetCollations();

}  // namespace xbe
