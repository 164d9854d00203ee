#include "xbase_engine/Collation.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

namespace xbe {

namespace {

// Accent codes (level 2), in their sorting order.
enum Accent : uint8_t {
  kNone = 0, kAcute, kGrave, kCircumflex, kTilde, kDiaeresis, kRing, kCedilla, kStroke, kCaron,
  kHook, kSuper, kLigature
};

constexpr double kSpaceRank = 40;
constexpr double kSymbolBase = 100;  // + byte
constexpr double kDigitBase = 400;   // + digit
constexpr double kLetterBase = 500;  // + 10 * letter index
constexpr double kThornRank = kLetterBase + 260;

double LetterRank(char lower) { return kLetterBase + 10.0 * (lower - 'a'); }

// The letters of Windows-1252 beyond ASCII: byte, base letters, accent, upper case.
struct Letter {
  uint8_t byte;
  const char* base;
  uint8_t accent;
  bool upper;
};

constexpr Letter kLetters[] = {
    {0x83, "f", kHook, false},      {0x8A, "s", kCaron, true},      {0x8C, "oe", kLigature, true},
    {0x8E, "z", kCaron, true},      {0x9A, "s", kCaron, false},     {0x9C, "oe", kLigature, false},
    {0x9E, "z", kCaron, false},     {0x9F, "y", kDiaeresis, true},  {0xAA, "a", kSuper, false},
    {0xBA, "o", kSuper, false},     {0xC0, "a", kGrave, true},      {0xC1, "a", kAcute, true},
    {0xC2, "a", kCircumflex, true}, {0xC3, "a", kTilde, true},      {0xC4, "a", kDiaeresis, true},
    {0xC5, "a", kRing, true},       {0xC6, "ae", kLigature, true},  {0xC7, "c", kCedilla, true},
    {0xC8, "e", kGrave, true},      {0xC9, "e", kAcute, true},      {0xCA, "e", kCircumflex, true},
    {0xCB, "e", kDiaeresis, true},  {0xCC, "i", kGrave, true},      {0xCD, "i", kAcute, true},
    {0xCE, "i", kCircumflex, true}, {0xCF, "i", kDiaeresis, true},  {0xD0, "d", kStroke, true},
    {0xD1, "n", kTilde, true},      {0xD2, "o", kGrave, true},      {0xD3, "o", kAcute, true},
    {0xD4, "o", kCircumflex, true}, {0xD5, "o", kTilde, true},      {0xD6, "o", kDiaeresis, true},
    {0xD8, "o", kStroke, true},     {0xD9, "u", kGrave, true},      {0xDA, "u", kAcute, true},
    {0xDB, "u", kCircumflex, true}, {0xDC, "u", kDiaeresis, true},  {0xDD, "y", kAcute, true},
    {0xDE, "", kNone, true},        {0xDF, "ss", kLigature, false},
};

// The other case of a letter; the byte itself when there is none.
uint8_t Counterpart(uint8_t b) {
  if (b >= 'a' && b <= 'z') return uint8_t(b - 32);
  if (b >= 'A' && b <= 'Z') return uint8_t(b + 32);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return uint8_t(b - 0x20);
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return uint8_t(b + 0x20);
  switch (b) {
    case 0x8A: return 0x9A;
    case 0x9A: return 0x8A;
    case 0x8C: return 0x9C;
    case 0x9C: return 0x8C;
    case 0x8E: return 0x9E;
    case 0x9E: return 0x8E;
    case 0x9F: return 0xFF;
    case 0xFF: return 0x9F;
    default: return b;
  }
}

Collation::Spec BaseSpec() {
  Collation::Spec s;
  for (int b = 0; b < 256; ++b) {
    double r;
    if (b < 0x20) {
      r = b;
    } else if (b == ' ') {
      r = kSpaceRank;
    } else if (b >= '0' && b <= '9') {
      r = kDigitBase + (b - '0');
    } else if (b >= 'a' && b <= 'z') {
      r = LetterRank(char(b));
    } else if (b >= 'A' && b <= 'Z') {
      r = LetterRank(char(b + 32));
      s.upper[size_t(b)] = 1;
    } else {
      r = kSymbolBase + b;
    }
    s.primary[size_t(b)] = {r};
  }
  // Superscript digits sort with their digit.
  s.primary[0xB9] = {kDigitBase + 1};
  s.primary[0xB2] = {kDigitBase + 2};
  s.primary[0xB3] = {kDigitBase + 3};
  for (uint8_t b : {0xB9, 0xB2, 0xB3}) s.accent[b] = kSuper;
  auto setLetter = [&s](uint8_t b, const char* base, uint8_t accent, bool upper) {
    std::vector<double> p;
    for (const char* c = base; *c; ++c) p.push_back(LetterRank(*c));
    if (p.empty()) p.push_back(kThornRank);
    s.primary[b] = p;
    s.accent[b] = accent;
    s.upper[b] = upper ? 1 : 0;
  };
  for (const Letter& l : kLetters) {
    setLetter(l.byte, l.base, l.accent, l.upper);
    // Lower-case partners of the upper-case letters from 0xC0 on (0xE0 ...).
    if (l.byte >= 0xC0 && l.byte <= 0xDE) setLetter(uint8_t(l.byte + 0x20), l.base, l.accent, false);
  }
  setLetter(0xFF, "y", kDiaeresis, false);
  return s;
}

bool ApplyRule(Collation::Spec& s, int rule, std::string_view text) {
  if (text.size() < 2) return false;
  const auto anchor = uint8_t(text[0]);
  const std::string_view rest = text.substr(1);
  auto both = [](uint8_t b, auto&& f) {
    f(b);
    const uint8_t c = Counterpart(b);
    if (c != b) f(c);
  };
  switch (rule) {
    case kRuleAfter: {
      const double from = s.primary[anchor].back();
      double next = from + 10;
      for (const auto& p : s.primary) {
        for (double r : p) {
          if (r > from && r < next) next = r;
        }
      }
      const double step = (next - from) / double(rest.size() + 1);
      for (size_t k = 0; k < rest.size(); ++k) {
        const double r = from + step * double(k + 1);
        both(uint8_t(rest[k]), [&](uint8_t b) { s.primary[b] = {r}; });
      }
      return true;
    }
    case kRuleEqual: {
      const std::vector<double> p = s.primary[anchor];
      for (char ch : rest) both(uint8_t(ch), [&](uint8_t b) { s.primary[b] = p; });
      return true;
    }
    case kRuleExpand: {
      if (rest.size() > 3) return false;
      std::vector<double> p;
      for (char ch : rest) p.push_back(s.primary[uint8_t(ch)].front());
      both(anchor, [&](uint8_t b) { s.primary[b] = p; });
      return true;
    }
    default:
      return false;
  }
}

// The language part of a locale name: "de" of "de_DE.UTF-8@euro".
std::string Language(std::string_view locale) {
  const size_t end = locale.find_first_of("_.@");
  std::string lang(locale.substr(0, end));
  for (char& c : lang) {
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  }
  return lang;
}

Collation::Spec SpecForLocale(std::string_view locale) {
  Collation::Spec s = BaseSpec();
  const std::string lang = Language(locale);
  if (lang == "sv" || lang == "fi") {
    ApplyRule(s, kRuleAfter, "z\xE5\xE4\xF6");
    ApplyRule(s, kRuleEqual, "\xE4\xE6");
    ApplyRule(s, kRuleEqual, "\xF6\xF8");
    ApplyRule(s, kRuleEqual, "y\xFC");
  } else if (lang == "da" || lang == "nb" || lang == "nn" || lang == "no") {
    ApplyRule(s, kRuleAfter, "z\xE6\xF8\xE5");
    ApplyRule(s, kRuleEqual, "\xE6\xE4");
    ApplyRule(s, kRuleEqual, "\xF8\xF6");
  } else if (lang == "es") {
    ApplyRule(s, kRuleAfter, "n\xF1");
  }
  return s;
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

int CompareBytes(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return Sign(c);
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace

Collation::Collation(const Spec& spec, std::string locale)
    : machine_(false), locale_(std::move(locale)), spec_(spec) {
  std::vector<double> ranks;
  for (const auto& p : spec_.primary) ranks.insert(ranks.end(), p.begin(), p.end());
  std::sort(ranks.begin(), ranks.end());
  ranks.erase(std::unique(ranks.begin(), ranks.end()), ranks.end());
  auto weight = [&ranks](double r) {
    return uint16_t(std::lower_bound(ranks.begin(), ranks.end(), r) - ranks.begin() + 1);
  };
  for (size_t b = 0; b < 256; ++b) {
    const auto& p = spec_.primary[b];
    weight1_[b] = weight(p.front());
    expands_[b] = p.size() > 1 ? 1 : 0;
    anyExpansion_ = anyExpansion_ || p.size() > 1;
    for (size_t k = 0; k < p.size() && k < 3; ++k) expansion_[b][k] = weight(p[k]);
    weight2_[b] = uint8_t(spec_.accent[b] + 1);
    weight3_[b] = uint8_t(spec_.upper[b] + 1);
  }
}

std::shared_ptr<const Collation> Collation::Machine() {
  static const std::shared_ptr<const Collation> machine = std::make_shared<Collation>(true);
  return machine;
}

std::shared_ptr<const Collation> Collation::ForLocale(std::string_view localeName) {
  return std::make_shared<Collation>(SpecForLocale(localeName), std::string(localeName));
}

int Collation::ComparePrimary(std::string_view a, std::string_view b) const {
  const auto* pa = reinterpret_cast<const uint8_t*>(a.data());
  const auto* pb = reinterpret_cast<const uint8_t*>(b.data());
  if (!anyExpansion_) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      const int d = int(weight1_[pa[i]]) - int(weight1_[pb[i]]);
      if (d != 0) return Sign(d);
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
  }
  // Walks both texts weight by weight; an expanding byte yields several.
  size_t i = 0, j = 0, ki = 0, kj = 0;
  for (;;) {
    const bool endA = i >= a.size();
    const bool endB = j >= b.size();
    if (endA || endB) return endA && endB ? 0 : endA ? -1 : 1;
    const uint16_t wa = expands_[pa[i]] ? expansion_[pa[i]][ki] : weight1_[pa[i]];
    const uint16_t wb = expands_[pb[j]] ? expansion_[pb[j]][kj] : weight1_[pb[j]];
    if (wa != wb) return wa < wb ? -1 : 1;
    if (expands_[pa[i]] && ki + 1 < 3 && expansion_[pa[i]][ki + 1] != 0) {
      ++ki;
    } else {
      ++i;
      ki = 0;
    }
    if (expands_[pb[j]] && kj + 1 < 3 && expansion_[pb[j]][kj + 1] != 0) {
      ++kj;
    } else {
      ++j;
      kj = 0;
    }
  }
}

int Collation::Compare(std::string_view a, std::string_view b) const {
  if (machine_) return CompareBytes(a, b);
  if (int c = ComparePrimary(a, b)) return c;
  const auto* pa = reinterpret_cast<const uint8_t*>(a.data());
  const auto* pb = reinterpret_cast<const uint8_t*>(b.data());
  const size_t n = std::min(a.size(), b.size());
  for (const auto* level : {&weight2_, &weight3_}) {
    for (size_t i = 0; i < n; ++i) {
      const int d = int((*level)[pa[i]]) - int((*level)[pb[i]]);
      if (d != 0) return Sign(d);
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  }
  return CompareBytes(a, b);
}

std::string Collation::SortKey(std::string_view s) const {
  if (machine_) return std::string(s);
  std::string out;
  out.reserve(s.size() * 5 + 4);
  for (unsigned char c : s) {
    const size_t count = expands_[c] ? 3 : 1;
    for (size_t k = 0; k < count; ++k) {
      const uint16_t w = expands_[c] ? expansion_[c][k] : weight1_[c];
      if (w == 0) break;
      out.push_back(char(w >> 8));
      out.push_back(char(w & 0xFF));
    }
  }
  out.append(2, '\0');
  for (unsigned char c : s) out.push_back(char(weight2_[c]));
  out.push_back('\0');
  for (unsigned char c : s) out.push_back(char(weight3_[c]));
  out.push_back('\0');
  out.append(s);
  return out;
}

void Collation::CharOrder(uint8_t out[256]) const {
  std::array<uint8_t, 256> bytes{};
  for (int i = 0; i < 256; ++i) bytes[size_t(i)] = uint8_t(i);
  std::stable_sort(bytes.begin(), bytes.end(), [this](uint8_t x, uint8_t y) {
    return Compare(std::string_view(reinterpret_cast<const char*>(&x), 1),
                   std::string_view(reinterpret_cast<const char*>(&y), 1)) < 0;
  });
  for (int rank = 0; rank < 256; ++rank) out[bytes[size_t(rank)]] = uint8_t(rank);
}

std::shared_ptr<const Collation> Collation::WithRule(int rule, std::string_view text) const {
  if (machine_) return nullptr;
  if (rule == kRuleReset) return ForLocale(locale_);
  Spec s = spec_;
  if (!ApplyRule(s, rule, text)) return nullptr;
  return std::make_shared<Collation>(s, locale_);
}

// ---- the process-wide choice ----

namespace {

struct CollationState {
  std::shared_ptr<const Collation> active = Collation::Machine();
  std::shared_ptr<const Collation> system;  // built on first use
};

CollationState& State() {
  static CollationState state;
  return state;
}

}  // namespace

std::shared_ptr<const Collation> ActiveCollation() { return State().active; }

int CompareKeys(std::string_view a, std::string_view b) { return State().active->Compare(a, b); }

std::string SystemLocaleName() {
  for (const char* name : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* v = std::getenv(name);
    if (v && *v) return v;
  }
  return "C";
}

std::shared_ptr<const Collation> SystemCollation() {
  CollationState& st = State();
  if (!st.system) st.system = Collation::ForLocale(SystemLocaleName());
  return st.system;
}

void UseMachineCollation() { State().active = Collation::Machine(); }

void UseSystemCollation() { State().active = SystemCollation(); }

bool AddCollationRule(int rule, std::string_view text) {
  CollationState& st = State();
  std::shared_ptr<const Collation> next;
  if (rule == kRuleReset) {
    next = Collation::ForLocale(SystemLocaleName());
  } else {
    next = SystemCollation()->WithRule(rule, text);
  }
  if (!next) return false;
  const bool wasActive = st.active == st.system && st.system;
  st.system = next;
  if (wasActive) st.active = next;
  return true;
}

void AddGermanDictionaryOrder() {
  AddCollationRule(kRuleEqual, "a\xE4");
  AddCollationRule(kRuleEqual, "o\xF6");
  AddCollationRule(kRuleEqual, "u\xFC");
  AddCollationRule(kRuleExpand, "\xDFss");
  UseSystemCollation();
}

void AddGermanPhoneBookOrder() {
  AddCollationRule(kRuleExpand, "\xE4" "ae");
  AddCollationRule(kRuleExpand, "\xF6oe");
  AddCollationRule(kRuleExpand, "\xFCue");
  AddCollationRule(kRuleExpand, "\xDFss");
  UseSystemCollation();
}

void ResetCollations() {
  State() = CollationState();
}

}  // namespace xbe
