// The expression compiler and evaluator over records built in memory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "xbase_engine/expr/Expr.h"

using namespace xbe;
using namespace xbe::expr;

namespace {

// A table of fields laid out like a DBF record, one record held in memory.
struct FakeTable {
  std::vector<FieldDesc> fields;
  std::string record = " ";

  void Add(const std::string& name, char type, int width, int decimals = 0, bool binary = false) {
    FieldDesc f;
    f.name = name;
    f.type = type;
    f.width = width;
    f.decimals = decimals;
    f.offset = int(record.size());
    f.binary = binary;
    fields.push_back(f);
    record.append(size_t(width), binary ? '\0' : ' ');
  }
  const FieldDesc* Find(std::string_view name) const {
    for (const FieldDesc& f : fields) {
      if (f.name == name) return &f;
    }
    return nullptr;
  }
  void Set(const std::string& name, const std::string& text) {
    const FieldDesc* f = Find(name);
    std::string v = text;
    v.resize(size_t(f->width), ' ');
    record.replace(size_t(f->offset), size_t(f->width), v);
  }
  void SetBytes(const std::string& name, const void* bytes) {
    const FieldDesc* f = Find(name);
    std::memcpy(record.data() + f->offset, bytes, size_t(f->width));
  }
  Row AsRow(uint32_t recNo = 1) const {
    return Row{reinterpret_cast<const uint8_t*>(record.data()), uint32_t(record.size()), recNo};
  }
};

class FakeSource : public RecordSource {
 public:
  FakeTable own, other;
  bool otherOpen = true;
  std::string memo = "memo text";

  bool FindField(std::string_view alias, std::string_view name, int& slot, FieldDesc& field) override {
    const FakeTable* t = alias.empty() || alias == "OWN" ? &own : alias == "OTHER" ? &other : nullptr;
    if (!t) return false;
    const FieldDesc* f = t->Find(name);
    if (!f) return false;
    slot = t == &own ? 0 : 7;
    field = *f;
    return true;
  }
  Row CurrentRow(int slot) override {
    if (slot != 7 || !otherOpen) return Row{};
    return other.AsRow(42);
  }
  std::string MemoText(int, const Row&, const FieldDesc&) override { return memo; }
};

class Expr : public ::testing::Test {
 protected:
  void SetUp() override {
    src.own.Add("NAME", 'C', 10);
    src.own.Add("QTY", 'N', 8, 2);
    src.own.Add("DAY", 'D', 8);
    src.own.Add("OK", 'L', 1);
    src.own.Add("COUNT", 'I', 4, 0, true);
    src.own.Add("PRICE", 'Y', 8, 4, true);
    src.own.Add("RATE", 'B', 8, 0, true);
    src.own.Add("NOTES", 'M', 10);
    src.own.Set("NAME", "Smith");
    src.own.Set("QTY", "   12.50");
    src.own.Set("DAY", "20091224");
    src.own.Set("OK", "T");
    src.other.Add("CODE", 'C', 4);
    src.other.Set("CODE", "AB");
  }

  std::unique_ptr<Expression> Compile(const std::string& text) {
    return Expression::Compile(text, src, settings);
  }
  std::string Text(const std::string& text) {
    auto e = Compile(text);
    EXPECT_EQ(e->ResultType(), Type::Text) << text;
    return std::string(e->Evaluate(src.own.AsRow()).text);
  }
  double Number(const std::string& text) {
    auto e = Compile(text);
    EXPECT_EQ(e->ResultType(), Type::Number) << text;
    return e->Evaluate(src.own.AsRow()).number;
  }
  bool Logical(const std::string& text) {
    auto e = Compile(text);
    EXPECT_EQ(e->ResultType(), Type::Logical) << text;
    return e->Test(src.own.AsRow());
  }
  int32_t Date(const std::string& text) {
    auto e = Compile(text);
    EXPECT_EQ(e->ResultType(), Type::Date) << text;
    return e->Evaluate(src.own.AsRow()).date;
  }
  Type TypeOf(const std::string& text) {
    try {
      return Compile(text)->ResultType();
    } catch (const XbError&) {
      return Type::Invalid;
    }
  }

  FakeSource src;
  Settings settings;
};

}  // namespace

TEST_F(Expr, ResultTypesAndMalformedExpressions) {
  EXPECT_EQ(TypeOf("NAME"), Type::Text);
  EXPECT_EQ(TypeOf("qty * 2"), Type::Number);
  EXPECT_EQ(TypeOf("QTY > 1 .and. OK"), Type::Logical);
  EXPECT_EQ(TypeOf("DAY + 1"), Type::Date);
  EXPECT_EQ(TypeOf("DAY - DAY"), Type::Number);
  EXPECT_EQ(TypeOf("other->CODE + NAME"), Type::Text);
  EXPECT_EQ(TypeOf("field->NAME"), Type::Text);
  EXPECT_EQ(TypeOf("NOTES"), Type::Text);
  for (const char* bad : {"", "   ", "QTY +", "(QTY", "QTY)", "NAME + 1", "UNKNOWN", "FOO(1)",
                          "IIF(OK, 1, 'a')", "\"abc", "[abc", "{^2009-13-01}", "{^2009-12-24",
                          "SUBSTR(NAME)", "UPPER(NAME, 1)", "NAME = 1", ".NOT. QTY", "QTY .AND. OK",
                          "NOBODY->NAME", "OTHER->", "1 2", "QTY > 1 .ANDX. OK", "@", "NAME $ 5",
                          "MIN(NAME, NAME)", "LEN(QTY)", "-NAME", "DAY + DAY", "1 - DAY"}) {
    EXPECT_EQ(TypeOf(bad), Type::Invalid) << bad;
  }
}

TEST_F(Expr, TextComparisonsFollowTheExactSetting) {
  struct Case {
    const char* expr;
    bool loose;  // exact matching off
    bool exact;  // exact matching on
  };
  const Case cases[] = {
      {"\"abc\" = \"ab\"", true, false},    {"\"ab\" = \"abc\"", false, false},
      {"\"abc\" = \"\"", true, false},      {"\"ab \" = \"ab\"", true, true},
      {"\"ab\" = \"ab  \"", false, true},   {"\"abc\" == \"ab\"", false, false},
      {"\"ab \" == \"ab\"", false, false},  {"\"ab\" == \"ab\"", true, true},
      {"\"abc\" <> \"ab\"", false, true},   {"\"abc\" # \"abd\"", true, true},
      {"\"abc\" != \"abc\"", false, false}, {"\"ab\" < \"abc\"", true, true},
      {"\"abc\" < \"ab\"", false, false},   {"\"abc\" >= \"ab\"", true, true},
      {"\"abc\" > \"ab\"", false, true},    {"\"B\" > \"a\"", false, false},
      {"\"\xe4\" > \"z\"", true, true},     {"\"ab\" <= \"ab \"", true, true},
      {"NAME = \"Smi\"", true, false},      {"NAME = \"Smith\"", true, true},
      {"NAME == \"Smith\"", false, false},  {"TRIM(NAME) == \"Smith\"", true, true},
  };
  for (const Case& c : cases) {
    settings.exact = false;
    EXPECT_EQ(Logical(c.expr), c.loose) << c.expr << " (exact off)";
    settings.exact = true;
    EXPECT_EQ(Logical(c.expr), c.exact) << c.expr << " (exact on)";
  }
  // A compiled expression reads the setting at each evaluation, and can be forced.
  settings.exact = false;
  auto e = Compile("NAME = \"Smi\"");
  EXPECT_TRUE(e->Test(src.own.AsRow()));
  e->ForceExact(true);
  EXPECT_FALSE(e->Test(src.own.AsRow()));
}

TEST_F(Expr, OperatorsAndPrecedence) {
  EXPECT_DOUBLE_EQ(Number("2 + 3 * 4"), 14);
  EXPECT_DOUBLE_EQ(Number("(2 + 3) * 4"), 20);
  EXPECT_DOUBLE_EQ(Number("10 - 2 - 3"), 5);
  EXPECT_DOUBLE_EQ(Number("2 ** 3 ** 2"), 64);
  EXPECT_DOUBLE_EQ(Number("2 ^ 10"), 1024);
  EXPECT_DOUBLE_EQ(Number("-2 ** 2"), 4);
  EXPECT_DOUBLE_EQ(Number("7 % 3"), 1);
  EXPECT_DOUBLE_EQ(Number("-7 % 3"), -1);
  EXPECT_DOUBLE_EQ(Number("1 / 0"), 0);
  EXPECT_DOUBLE_EQ(Number("5 % 0"), 0);
  EXPECT_DOUBLE_EQ(Number("10 ** 400"), 0);
  EXPECT_DOUBLE_EQ(Number(".5 + 1."), 1.5);
  EXPECT_DOUBLE_EQ(Number("QTY * 2"), 25);
  EXPECT_TRUE(Logical("QTY = 12.5 .AND. .NOT. QTY > 13"));
  EXPECT_TRUE(Logical("1 > 2 .OR. 2 > 1"));
  EXPECT_TRUE(Logical("! .F. .and. .t."));
  EXPECT_TRUE(Logical(".F. .OR. .T. .AND. .F. = .F."));  // = binds tighter than .AND./.OR.
  EXPECT_TRUE(Logical("QTY=12.5.AND.OK"));
  EXPECT_TRUE(Logical(".F. < .T."));
  EXPECT_TRUE(Logical("OK = .T."));
  EXPECT_TRUE(Logical("\"mit\" $ NAME .AND. .NOT. \"x\" $ NAME .AND. .NOT. \"\" $ NAME"));
  EXPECT_EQ(Text("\"ab \" + \"cd\""), "ab cd");
  EXPECT_EQ(Text("\"ab  \" - \"cd\""), "abcd  ");
  EXPECT_EQ(Text("NAME - \"!\""), "Smith!     ");
  EXPECT_EQ(Text('[' + std::string("it's \"quoted\"") + ']'), "it's \"quoted\"");
}

TEST_F(Expr, FieldsOfEveryStorage) {
  const int32_t count = -1234;
  src.own.SetBytes("COUNT", &count);
  const int64_t price = 1234567;  // 123.4567
  src.own.SetBytes("PRICE", &price);
  const double rate = 0.125;
  src.own.SetBytes("RATE", &rate);
  EXPECT_DOUBLE_EQ(Number("COUNT"), -1234);
  EXPECT_DOUBLE_EQ(Number("PRICE"), 123.4567);
  EXPECT_DOUBLE_EQ(Number("RATE"), 0.125);
  EXPECT_EQ(Text("NOTES"), "memo text");
  EXPECT_EQ(Text("OTHER->CODE"), "AB  ");
  for (const auto& [text, value] : std::vector<std::pair<std::string, double>>{
           {"   12.50", 12.5}, {"-3", -3}, {"", 0}, {"  abc", 0}, {"  12abc", 0}, {" 1 2", 0}, {" 1234567", 1234567},
           {"  -0.25", -0.25}, {"1.5e3", 1500}, {"12345678", 12345678}}) {
    // A numeric field is read as the table reads it: text that is no number is 0.
    src.own.Set("QTY", text);
    EXPECT_DOUBLE_EQ(Number("QTY"), value) << '"' << text << '"';
  }
  // VAL() reads the number at the start of a text.
  src.own.Set("QTY", "  12abc");
  EXPECT_DOUBLE_EQ(Number("VAL(\"  12abc\")"), 12);
  EXPECT_DOUBLE_EQ(Number("VAL(\" 1 2\")"), 1);
  src.own.Set("QTY", "");
  EXPECT_TRUE(Logical("EMPTY(QTY)"));
  for (const auto& [text, value] : std::vector<std::pair<std::string, bool>>{
           {"T", true}, {"t", true}, {"Y", true}, {"y", true}, {"F", false}, {" ", false}, {"?", false}}) {
    src.own.Set("OK", text);
    EXPECT_EQ(Logical("OK"), value) << text;
  }
  src.own.Set("DAY", "20091324");  // no 13th month: the empty date
  EXPECT_EQ(Date("DAY"), 0);
  EXPECT_TRUE(Logical("EMPTY(DAY)"));
  // A closed other area reads as blank fields.
  src.otherOpen = false;
  EXPECT_EQ(Text("OTHER->CODE"), "    ");
}

TEST_F(Expr, TextFunctions) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"UPPER(NAME)", "SMITH     "},
      {"LOWER(\"AbC\xc4\")", "abc\xc4"},
      {"TRIM(\"  ab  \")", "  ab"},
      {"RTRIM(\"ab  \")", "ab"},
      {"LTRIM(\"  ab  \")", "ab  "},
      {"ALLTRIM(\"  ab  \")", "ab"},
      {"SUBSTR(\"hello\", 2, 3)", "ell"},
      {"SUBSTR(\"hello\", 2)", "ello"},
      {"SUBSTR(\"hello\", -3)", "llo"},
      {"SUBSTR(\"hello\", 0, 2)", "he"},
      {"SUBSTR(\"hello\", 9)", ""},
      {"SUBSTR(\"hello\", 2, -1)", ""},
      {"SUBSTR(\"hello\", 4, 99)", "lo"},
      {"LEFT(\"hello\", 2)", "he"},
      {"LEFT(\"hello\", 99)", "hello"},
      {"RIGHT(\"hello\", 2)", "lo"},
      {"RIGHT(\"hello\", -2)", ""},
      {"STR(12.5)", "        13"},
      {"STR(QTY)", "   12.50"},
      {"STR(QTY, 6, 1)", "  12.5"},
      {"STR(-1.005, 8, 2)", "   -1.01"},
      {"STR(2.5, 3)", "  3"},
      {"STR(123456, 4)", "****"},
      {"STR(-0.001, 6, 2)", "  0.00"},
      {"STR(1, 0)", ""},
      {"STRZERO(42, 5)", "00042"},
      {"STRZERO(-5, 4)", "-005"},
      {"STRZERO(3.14159, 7, 2)", "0003.14"},
      {"DTOS(DAY)", "20091224"},
      {"DTOS(CTOD(\"\"))", "        "},
      {"SPACE(3)", "   "},
      {"SPACE(-3)", ""},
      {"PADL(\"ab\", 5)", "   ab"},
      {"PADR(\"ab\", 5, \"*\")", "ab***"},
      {"PADC(\"ab\", 5)", " ab  "},
      {"PADL(\"abcdef\", 3)", "abc"},
      {"PADL(123, 5, \"0\")", "00123"},
      {"DESCEND(\"AB\")", "\xbf\xbe"},
      {"IIF(OK, \"yes\", \"no\")", "yes"},
      {"IIF(.NOT. OK, \"yes\", \"no\")", "no"},
      {"UPPER(NAME) + DTOS(DAY)", "SMITH     20091224"},
  };
  for (const auto& [expr, want] : cases) EXPECT_EQ(Text(expr), want) << expr;
  EXPECT_EQ(Compile("UPPER(NAME) + DTOS(DAY)")->Width(), 18);
  EXPECT_EQ(Compile("LEFT(NAME, 3)")->Width(), 3);
  EXPECT_EQ(Compile("QTY")->Width(), 8);
  EXPECT_EQ(Compile("QTY")->Decimals(), 2);
}

TEST_F(Expr, NumberDateAndLogicalFunctions) {
  EXPECT_DOUBLE_EQ(Number("VAL(\"  42.5xyz\")"), 42.5);
  EXPECT_DOUBLE_EQ(Number("VAL(\"x\")"), 0);
  EXPECT_DOUBLE_EQ(Number("LEN(NAME)"), 10);
  EXPECT_DOUBLE_EQ(Number("LEN(TRIM(NAME))"), 5);
  EXPECT_DOUBLE_EQ(Number("AT(\"it\", NAME)"), 3);
  EXPECT_DOUBLE_EQ(Number("AT(\"zz\", NAME)"), 0);
  EXPECT_DOUBLE_EQ(Number("AT(\"\", NAME)"), 0);
  EXPECT_DOUBLE_EQ(Number("YEAR(DAY) * 10000 + MONTH(DAY) * 100 + DAY(DAY)"), 20091224);
  EXPECT_DOUBLE_EQ(Number("YEAR(CTOD(\"\"))"), 0);
  EXPECT_DOUBLE_EQ(Number("ABS(-3)"), 3);
  EXPECT_DOUBLE_EQ(Number("INT(-3.7)"), -3);
  EXPECT_DOUBLE_EQ(Number("ROUND(2.345, 2)"), 2.35);
  EXPECT_DOUBLE_EQ(Number("ROUND(-2.5, 0)"), -3);
  EXPECT_DOUBLE_EQ(Number("ROUND(1234, -2)"), 1200);
  EXPECT_DOUBLE_EQ(Number("MIN(3, QTY) + MAX(3, QTY)"), 15.5);
  EXPECT_DOUBLE_EQ(Number("DESCEND(5)"), -5);
  EXPECT_DOUBLE_EQ(Number("RECNO()"), 1);
  EXPECT_DOUBLE_EQ(Number("IIF(OK, 1, 2)"), 1);
  EXPECT_DOUBLE_EQ(Number("{^2009-12-24} - {^2009-01-01}"), 357);
  EXPECT_LT(Number("DESCEND({^2009-12-24})"), Number("DESCEND({^2009-01-01})"));

  settings.layout = LayoutForCode(2, "", '/');  // British dd/mm/yy
  settings.epoch = 1950;
  EXPECT_EQ(Date("CTOD(\"24/12/09\")"), Date("{^2009-12-24}"));
  EXPECT_EQ(Date("CTOD(\"24/12/51\")"), Date("STOD(\"19511224\")"));
  EXPECT_EQ(Date("{24/12/2009}"), Date("DAY"));
  EXPECT_EQ(Date("{}"), 0);
  EXPECT_EQ(Date("CTOD(\"31/02/09\")"), 0);
  EXPECT_EQ(Date("DAY + 8"), Date("{^2010-01-01}"));
  EXPECT_EQ(Date("8 + DAY - 1"), Date("{^2009/12/31}"));
  EXPECT_EQ(Date("CTOD(\"\") + 5"), 0);
  EXPECT_EQ(Date("MAX(DAY, {^2001-01-01})"), Date("DAY"));
  EXPECT_EQ(Text("DTOC(DAY)"), "24/12/09");
  settings.century = true;
  EXPECT_EQ(Text("DTOC(DAY)"), "24/12/2009");
  EXPECT_GT(Date("DATE()"), Date("{^2020-01-01}"));
  EXPECT_TRUE(Logical("DAY < {^2010-01-01} .AND. DAY > CTOD(\"\")"));

  EXPECT_TRUE(Logical("EMPTY(\"  \")"));
  EXPECT_FALSE(Logical("EMPTY(NAME)"));
  EXPECT_TRUE(Logical("EMPTY(0) .AND. EMPTY(.F.) .AND. !EMPTY(OK)"));
  EXPECT_FALSE(Logical("DELETED()"));
  src.own.record[0] = '*';
  EXPECT_TRUE(Logical("DELETED()"));
  EXPECT_FALSE(Logical("DESCEND(.T.)"));
}

TEST_F(Expr, BoundsAreErrorsNotCrashes) {
  // Nesting beyond the limit is refused at compile time, in every shape.
  EXPECT_EQ(TypeOf(std::string(300, '(') + "1" + std::string(300, ')')), Type::Invalid);
  EXPECT_EQ(TypeOf(std::string(300, '-') + "1"), Type::Invalid);
  EXPECT_EQ(TypeOf(std::string(300, '!') + ".T."), Type::Invalid);
  std::string chain = "1";
  for (int i = 0; i < 400; ++i) chain += "+1";
  EXPECT_EQ(TypeOf(chain), Type::Invalid);
  std::string nested = "NAME";
  for (int i = 0; i < 300; ++i) nested = "UPPER(" + nested + ")";
  EXPECT_EQ(TypeOf(nested), Type::Invalid);
  std::string fine = "1";
  for (int i = 0; i < 150; ++i) fine += "+1";
  EXPECT_DOUBLE_EQ(Number(fine), 151);
  // Texts beyond the limit fail the evaluation, with a clear error.
  EXPECT_THROW(Compile("SPACE(70000)")->Evaluate(src.own.AsRow()), XbError);
  EXPECT_THROW(Compile("SPACE(40000) + SPACE(40000)")->Evaluate(src.own.AsRow()), XbError);
  EXPECT_THROW(Compile("STR(1, 99999)")->Evaluate(src.own.AsRow()), XbError);
  EXPECT_EQ(Text("LEFT(SPACE(65535), 99999999999999)").size(), 65535u);
  // A record shorter than the fields is refused; no record reads as blank.
  const std::string shortRecord = " ab";
  EXPECT_THROW(Compile("NAME")->Evaluate(Row{reinterpret_cast<const uint8_t*>(shortRecord.data()), 3, 1}),
               XbError);
  EXPECT_EQ(Compile("NAME")->Evaluate(Row{}).text, "          ");
}

TEST_F(Expr, KeyRangesOfComparisonsWithConstants) {
  EXPECT_EQ(NormalizeKey("upper( name ) + 'a b' + [c d]"), "UPPER(NAME)+'a b'+[c d]");
  bool complete = false;
  auto ranges = Compile("QTY > 5 .and. upper(NAME) = 'AB ' .AND. DAY <= {^2009-12-31} .AND. 2 * 3 > QTY")
                    ->KeyRanges(complete);
  EXPECT_TRUE(complete);
  ASSERT_EQ(ranges.size(), 4u);
  EXPECT_EQ(ranges[0].key, "QTY");
  EXPECT_TRUE(ranges[0].hasLow);
  EXPECT_FALSE(ranges[0].hasHigh);
  EXPECT_DOUBLE_EQ(ranges[0].low, 5);
  EXPECT_EQ(ranges[1].key, "UPPER(NAME)");
  EXPECT_EQ(ranges[1].type, Type::Text);
  EXPECT_EQ(ranges[1].prefix, "AB");
  EXPECT_EQ(ranges[2].key, "DAY");
  EXPECT_TRUE(ranges[2].hasHigh);
  EXPECT_DOUBLE_EQ(ranges[2].high, Date("{^2009-12-31}"));
  EXPECT_EQ(ranges[3].key, "QTY");  // 6 > QTY, seen from QTY
  EXPECT_DOUBLE_EQ(ranges[3].high, 6);

  ranges = Compile("(QTY + 1) * 2 >= 4")->KeyRanges(complete);
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].key, "(QTY+1)*2");
  ranges = Compile("QTY * 2 = 10 .AND. OK")->KeyRanges(complete);
  EXPECT_FALSE(complete);
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].key, "QTY*2");
  EXPECT_TRUE(ranges[0].hasLow && ranges[0].hasHigh);
  // Nothing an index could answer: .OR., #, text on the left, no constant side.
  for (const char* e : {"QTY > 5 .OR. OK", "NAME # 'x'", "'AB' = NAME", "NAME > 'A'", "QTY + 1 > LEN(NAME)",
                        "OK = .T."}) {
    EXPECT_TRUE(Compile(e)->KeyRanges(complete).empty()) << e;
    EXPECT_FALSE(complete) << e;
  }
}
