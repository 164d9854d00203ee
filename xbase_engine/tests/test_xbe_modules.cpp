// The engine's building blocks on their own: collations, code page
// translation, encryption primitives, XML text and the progress gauge.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "xbase_engine/Collation.h"
#include "xbase_engine/Crypt.h"
#include "xbase_engine/Progress.h"
#include "xbase_engine/Translate.h"
#include "xbase_engine/Xml.h"

using namespace xbe;

namespace {

std::vector<std::string> Sorted(const Collation& c, std::vector<std::string> v) {
  std::sort(v.begin(), v.end(), [&c](const std::string& a, const std::string& b) { return c.Compare(a, b) < 0; });
  return v;
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

}  // namespace

// ---- collations ----

TEST(Collation, MachineOrderIsByteOrder) {
  const auto m = Collation::Machine();
  EXPECT_TRUE(m->IsMachine());
  EXPECT_EQ(Sorted(*m, {"b", "B", "a", "A", "\xE4", "1", " ", "ab", "a"}),
            (std::vector<std::string>{" ", "1", "A", "B", "a", "a", "ab", "b", "\xE4"}));
  EXPECT_EQ(m->SortKey("xyz"), "xyz");
}

TEST(Collation, SystemOrderAgainstHandWorkedList) {
  const auto c = Collation::ForLocale("en_US.UTF-8");
  EXPECT_FALSE(c->IsMachine());
  // Symbols before digits before letters; a letter's accent counts after the
  // letters, its case after the accents.
  EXPECT_EQ(Sorted(*c, {"zebra", "Apfel", "apfel", "\xC4pfel", "\xE4pfel", "apple", "10", "9", "-x", "Zebra",
                        "\xE9" "clair", "eclair", "Eclair"}),
            (std::vector<std::string>{"-x", "10", "9", "apfel", "Apfel", "\xE4pfel", "\xC4pfel", "apple", "eclair",
                                      "Eclair", "\xE9" "clair", "zebra", "Zebra"}));
  // Only identical keys are equal; a prefix comes first; blanks pad low.
  EXPECT_EQ(c->Compare("abc", "abc"), 0);
  EXPECT_LT(c->Compare("ab", "abc"), 0);
  EXPECT_LT(c->Compare("ab  ", "abc "), 0);
  EXPECT_LT(c->CompareFixed(reinterpret_cast<const uint8_t*>("apfelX"), reinterpret_cast<const uint8_t*>("ApfelA"), 5), 0);
  EXPECT_NE(c->Compare("a", "A"), 0);
  // Ligatures and sharp s count as two letters.
  EXPECT_EQ(Sorted(*c, {"af", "\xE6", "ad"}), (std::vector<std::string>{"ad", "\xE6", "af"}));
  EXPECT_EQ(Sorted(*c, {"st", "\xDF", "sr"}), (std::vector<std::string>{"sr", "\xDF", "st"}));
}

TEST(Collation, LanguagesWithLettersOfTheirOwn) {
  const auto sv = Collation::ForLocale("sv_SE.UTF-8");
  EXPECT_EQ(Sorted(*sv, {"\xF6", "z", "\xE5", "\xE4", "a", "o", "\xC5"}),
            (std::vector<std::string>{"a", "o", "z", "\xE5", "\xC5", "\xE4", "\xF6"}));
  EXPECT_EQ(Sorted(*sv, {"z", "\xFC", "y"}), (std::vector<std::string>{"y", "\xFC", "z"}));
  const auto da = Collation::ForLocale("da_DK");
  EXPECT_EQ(Sorted(*da, {"\xE5", "\xE6", "\xF8", "z", "\xE4", "\xF6"}),
            (std::vector<std::string>{"z", "\xE4", "\xE6", "\xF6", "\xF8", "\xE5"}));
  const auto es = Collation::ForLocale("es_ES@euro");
  EXPECT_EQ(Sorted(*es, {"o", "\xF1" "a", "nz"}), (std::vector<std::string>{"nz", "\xF1" "a", "o"}));
  // Other languages: a-ring is an a.
  const auto de = Collation::ForLocale("de_DE");
  EXPECT_EQ(Sorted(*de, {"b", "\xE5"}), (std::vector<std::string>{"\xE5", "b"}));
}

TEST(Collation, GermanAdditionsAndRules) {
  ResetCollations();
  ::setenv("LC_ALL", "de_DE.UTF-8", 1);
  const std::vector<std::string> names = {"Mull", "M\xFCller", "Muffler", "Mueller"};
  AddGermanDictionaryOrder();
  EXPECT_FALSE(ActiveCollation()->IsMachine());
  EXPECT_EQ(Sorted(*ActiveCollation(), names),
            (std::vector<std::string>{"Mueller", "Muffler", "Mull", "M\xFCller"}));
  AddGermanPhoneBookOrder();
  EXPECT_EQ(Sorted(*ActiveCollation(), names),
            (std::vector<std::string>{"Mueller", "M\xFCller", "Muffler", "Mull"}));
  EXPECT_EQ(Sorted(*ActiveCollation(), {"Strassen", "Stra\xDF" "e", "Strasse"}),
            (std::vector<std::string>{"Strasse", "Stra\xDF" "e", "Strassen"}));
  // A rule of one's own: x right after c (both cases).
  ASSERT_TRUE(AddCollationRule(kRuleAfter, "cx"));
  EXPECT_EQ(Sorted(*ActiveCollation(), {"d", "X", "c", "x"}), (std::vector<std::string>{"c", "x", "X", "d"}));
  EXPECT_FALSE(AddCollationRule(kRuleAfter, "c"));
  EXPECT_FALSE(AddCollationRule(42, "cx"));
  // An index holds the collation it took: a later switch does not touch it.
  const auto held = ActiveCollation();
  UseMachineCollation();
  EXPECT_TRUE(ActiveCollation()->IsMachine());
  EXPECT_LT(held->Compare("x", "d"), 0);
  EXPECT_GT(CompareKeys("x", "d"), 0);
  // Reset: the locale's order without the rules.
  ASSERT_TRUE(AddCollationRule(kRuleReset, ""));
  UseSystemCollation();
  EXPECT_GT(CompareKeys("x", "d"), 0);
  ::unsetenv("LC_ALL");
  ResetCollations();
}

TEST(Collation, SortKeysAgreeWithCompare) {
  ::setenv("LC_ALL", "de_DE", 1);
  ResetCollations();
  AddGermanPhoneBookOrder();
  const auto tailored = ActiveCollation();
  ::unsetenv("LC_ALL");
  ResetCollations();
  const std::string alphabet = std::string("aAeEsSuUzZ ") + "\xE4\xC4\xDF\xE6\xFC\xF6\x8C\x9C" + "-1";
  std::mt19937 rng(7);
  std::vector<std::string> keys;
  for (int i = 0; i < 300; ++i) {
    std::string k;
    const int len = int(rng() % 5);
    for (int j = 0; j < len; ++j) k.push_back(alphabet[rng() % alphabet.size()]);
    keys.push_back(k);
  }
  for (const auto& c : {Collation::ForLocale("en_US"), Collation::ForLocale("sv_SE"), tailored}) {
    for (const auto& a : keys) {
      for (const auto& b : keys) {
        const std::string ka = c->SortKey(a), kb = c->SortKey(b);
        ASSERT_EQ(Sign(ka.compare(kb)), Sign(c->Compare(a, b))) << a << " / " << b;
        ASSERT_EQ(Sign(c->Compare(a, b)), -Sign(c->Compare(b, a)));
      }
    }
  }
}

TEST(Collation, CharOrderIsAPermutation) {
  const auto c = Collation::ForLocale("en_US");
  uint8_t order[256];
  c->CharOrder(order);
  std::vector<bool> seen(256);
  for (int i = 0; i < 256; ++i) seen[order[i]] = true;
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 256);
  EXPECT_LT(order[uint8_t(' ')], order[uint8_t('!')]);
  EXPECT_LT(order[uint8_t('!')], order[uint8_t('0')]);
  EXPECT_LT(order[uint8_t('9')], order[uint8_t('a')]);
  EXPECT_LT(order[uint8_t('a')], order[uint8_t('A')]);
  EXPECT_LT(order[uint8_t('A')], order[0xE1]);
  EXPECT_LT(order[0xE1], order[uint8_t('b')]);
}

// ---- code pages ----

TEST(Translate, KnownCharactersAndLosslessRoundTrip) {
  EXPECT_EQ(DosToWindows(DosPage::Cp437, "\x84\x81\xE1\x9B\x8E"), "\xE4\xFC\xDF\xA2\xC4");
  EXPECT_EQ(DosToWindows(DosPage::Cp850, "\x84\x9B\x9D\xB5"), "\xE4\xF8\xD8\xC1");
  EXPECT_EQ(WindowsToDos(DosPage::Cp437, "Gr\xFC\xDF" "e"), "Gr\x81\xE1" "e");
  EXPECT_EQ(WindowsToDos(DosPage::Cp850, "\xD8l"), "\x9Dl");
  for (DosPage page : {DosPage::Cp437, DosPage::Cp850}) {
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i) all[size_t(i)] = char(i);
    const std::string win = DosToWindows(page, all);
    EXPECT_EQ(WindowsToDos(page, win), all);
    EXPECT_EQ(DosToWindows(page, WindowsToDos(page, all)), all);
    EXPECT_EQ(win.substr(0, 128), all.substr(0, 128));
    std::string sorted = win;
    std::sort(sorted.begin(), sorted.end());
    std::string expect = all;
    std::sort(expect.begin(), expect.end());
    EXPECT_EQ(sorted, expect) << "not one-to-one";
  }
}

TEST(Translate, PageFromTheHeaderMark) {
  EXPECT_EQ(DosPageForMark(0x00), DosPage::Cp437);
  EXPECT_EQ(DosPageForMark(0x01), DosPage::Cp437);
  EXPECT_EQ(DosPageForMark(0x02), DosPage::Cp850);
  EXPECT_EQ(DosPageForMark(0x03), std::nullopt);
  EXPECT_EQ(DosPageForMark(0x57), std::nullopt);
}

// ---- encryption ----

TEST(Crypt, BufferRoundTripWrongPasswordAndTampering) {
  const std::string text = "Order 17: two labels";
  std::vector<uint8_t> buf(text.size() + kBufferOverhead);
  std::memcpy(buf.data(), text.data(), text.size());
  const int n = EncryptBuffer(buf.data(), int(text.size()), "secret");
  ASSERT_EQ(n, int(text.size() + kBufferOverhead));
  EXPECT_EQ(std::string(buf.begin(), buf.end()).find("labels"), std::string::npos);
  // A second encryption of the same text looks different (fresh salt and nonce).
  std::vector<uint8_t> again(buf.size());
  std::memcpy(again.data(), text.data(), text.size());
  ASSERT_EQ(EncryptBuffer(again.data(), int(text.size()), "secret"), n);
  EXPECT_NE(again, buf);

  const std::vector<uint8_t> sealed = buf;
  EXPECT_EQ(DecryptBuffer(buf.data(), n, "Secret"), -1);
  EXPECT_EQ(buf, sealed) << "a failed decryption must leave the buffer alone";
  buf[30] ^= 1;
  EXPECT_EQ(DecryptBuffer(buf.data(), n, "secret"), -1);
  buf[30] ^= 1;
  ASSERT_EQ(DecryptBuffer(buf.data(), n, "secret"), int(text.size()));
  EXPECT_EQ(std::string(buf.begin(), buf.begin() + long(text.size())), text);
  EXPECT_EQ(DecryptBuffer(buf.data(), int(kBufferOverhead) - 1, "secret"), -1);
  EXPECT_EQ(EncryptBuffer(nullptr, 3, "x"), 0);
}

TEST(Crypt, TableKeyRecordsAndMemos) {
  KeyBlock block;
  const auto key = TableKey::Create("pw", block);
  ASSERT_TRUE(key);
  const auto bytes = BuildKeyBlock(block);
  std::vector<uint8_t> header(200, 0);
  std::memcpy(header.data() + 200 - kKeyBlockSize, bytes.data(), kKeyBlockSize);
  const auto parsed = ParseKeyBlock(header.data(), header.size());
  ASSERT_TRUE(parsed);
  EXPECT_EQ(TableKey::Open(*parsed, "wrong"), nullptr);
  const auto reopened = TableKey::Open(*parsed, "pw");
  ASSERT_TRUE(reopened);

  const size_t recLen = 1 + 10 + size_t(kCryptFieldWidth);
  std::vector<uint8_t> plain(recLen, 0);
  plain[0] = '*';
  std::memcpy(plain.data() + 1, "Anna Meier", 10);
  std::vector<uint8_t> s1(recLen), s2(recLen), back(recLen);
  key->SealRecord(plain.data(), s1.data(), recLen);
  key->SealRecord(plain.data(), s2.data(), recLen);
  EXPECT_EQ(s1[0], '*') << "the deletion mark stays readable";
  EXPECT_NE(std::memcmp(s1.data() + 1, s2.data() + 1, 10), 0) << "a rewrite must not reuse the keystream";
  ASSERT_TRUE(reopened->OpenRecord(s1.data(), back.data(), recLen));
  EXPECT_EQ(std::memcmp(back.data(), plain.data(), 11), 0);
  s1[5] ^= 0x20;
  EXPECT_FALSE(reopened->OpenRecord(s1.data(), back.data(), recLen));

  const std::string memo = reopened->SealMemo("a long note");
  std::string out;
  ASSERT_TRUE(key->OpenMemo(memo, out));
  EXPECT_EQ(out, "a long note");
  std::string bad = memo;
  bad.back() ^= 1;
  EXPECT_FALSE(key->OpenMemo(bad, out));

  // Forged limits (a key derivation of 4 GiB) are not accepted from a file.
  header[200 - kKeyBlockSize + 18] = 0xFF;
  EXPECT_FALSE(ParseKeyBlock(header.data(), header.size()));
}

// ---- XML text ----

TEST(Xml, EscapingAndEncodings) {
  EXPECT_EQ(XmlText("a<b & \"c\" 'd'>"), "a&lt;b &amp; &quot;c&quot; &apos;d&apos;&gt;");
  EXPECT_EQ(XmlText("l1\r\nl2\tx"), "l1&#13;\nl2\tx");
  EXPECT_EQ(XmlText(std::string("a\x01" "b", 3)), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(XmlText("M\xC3\xBCller"), "M\xC3\xBCller") << "valid UTF-8 stays";
  EXPECT_EQ(XmlText("M\xFCller \x80"), "M\xC3\xBCller \xE2\x82\xAC") << "anything else is Windows-1252";
  EXPECT_TRUE(IsXmlName("record"));
  EXPECT_TRUE(IsXmlName("_r-1.x"));
  EXPECT_FALSE(IsXmlName("1r"));
  EXPECT_FALSE(IsXmlName("a b"));
  EXPECT_FALSE(IsXmlName(""));
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("f"), "Zg==");
  EXPECT_EQ(Base64("fo"), "Zm8=");
  EXPECT_EQ(Base64("foo"), "Zm9v");
  EXPECT_EQ(Base64("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Base64(std::string("\xFF\x00", 2)), "/wA=");
}

// ---- progress ----

namespace {
std::vector<int> g_percents;
void Gauge(int percent) { g_percents.push_back(percent); }
}  // namespace

TEST(Progress, EachPercentOnceAndAlwaysAnEnd) {
  g_percents.clear();
  {
    Progress p(Gauge, 1000);
    for (uint64_t i = 1; i <= 1000; ++i) p.Step(i);
  }
  ASSERT_EQ(g_percents.size(), 101u);
  for (int i = 0; i <= 100; ++i) EXPECT_EQ(g_percents[size_t(i)], i);
  g_percents.clear();
  {
    Progress p(Gauge, 7);
    p.Step(3);  // the work ends early
  }
  EXPECT_EQ(g_percents, (std::vector<int>{0, 42, 100}));
  g_percents.clear();
  { Progress p(Gauge, 0); }
  EXPECT_EQ(g_percents, (std::vector<int>{100}));
  { Progress p(nullptr, 10); p.Step(5); }
}
