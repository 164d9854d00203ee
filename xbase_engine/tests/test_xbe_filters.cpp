// Expressions, filters, queries, record sets and Locate through the C entry points.
#include <string>
#include <vector>

#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

class XbeFilters : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    path = dir.File("ITEMS.DBF");
    ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, true));
    ASSERT_GT(Open(XB_OPEN_SHARED), 0);
    AppendNumbered(20);
  }

  short Open(short mode) { return xb_UseEx(path.c_str(), "ITEMS", mode, XB_TYPE_NTX, XB_COMMIT_NORMAL); }

  // The record numbers a walk from the top visits, and from the bottom (reversed).
  static std::vector<int> Walk() {
    std::vector<int> recs;
    for (xb_GoTop(); !xb_Eof(); xb_Skip(1)) recs.push_back(xb_RecNo());
    std::vector<int> back;
    for (xb_GoBottom(); !xb_Eof();) {
      back.insert(back.begin(), xb_RecNo());
      xb_Skip(-1);
      if (xb_Bof()) break;
    }
    EXPECT_EQ(recs, back);
    return recs;
  }

  std::string path;
};

using Recs = std::vector<int>;

}  // namespace

TEST_F(XbeFilters, EvaluatesOverTheCurrentRecord) {
  xb_Go(3);
  xb_PutString("DAY", "20091224");
  xb_PutLogical("OK", 1);
  xb_PutMemo("NOTES", "a note");
  EXPECT_EQ(xb_EvalTest("NAME"), 1);
  EXPECT_EQ(xb_EvalTest("QTY * 2"), 2);
  EXPECT_EQ(xb_EvalTest("OK .AND. QTY > 1"), 3);
  EXPECT_EQ(xb_EvalTest("DAY + 1"), 4);
  EXPECT_EQ(xb_EvalTest("ITEMS->NAME"), 1);
  EXPECT_EQ(xb_EvalTest("BOGUS"), 0);
  EXPECT_EQ(xb_EvalTest("QTY +"), 0);
  EXPECT_EQ(xb_EvalTest(nullptr), 0);
  EXPECT_STREQ(xb_EvalString("UPPER(NAME)"), "R3        ");
  EXPECT_STREQ(xb_EvalString("DAY"), "20091224");
  EXPECT_STREQ(xb_EvalString("QTY / 2"), "1.5");
  EXPECT_STREQ(xb_EvalString("OK"), "T");
  EXPECT_STREQ(xb_EvalString("TRIM(NOTES) + \"!\""), "a note!");
  EXPECT_DOUBLE_EQ(xb_EvalNumeric("QTY * 2 + RECNO()"), 9.0);
  EXPECT_DOUBLE_EQ(xb_EvalNumeric("\"  42\""), 42.0);
  EXPECT_EQ(xb_EvalLogical("QTY = 3 .AND. OK"), 1);
  EXPECT_EQ(xb_EvalLogical("QTY"), 0);  // not logical: the failure answer
  // How bookmarks are ordered: two key texts compared by an expression.
  EXPECT_EQ(xb_EvalLogical("\"R10\" < \"R9\""), 1);
  EXPECT_EQ(xb_EvalLogical("\"R9\" < \"R10\""), 0);
  // Past the end every field reads blank; without a table only constants work.
  xb_GoBottom();
  xb_Skip(1);
  EXPECT_STREQ(xb_EvalString("NAME"), "          ");
  xb_Select(0);
  EXPECT_DOUBLE_EQ(xb_EvalNumeric("1 + 2"), 3.0);
  EXPECT_EQ(xb_EvalTest("NAME"), 0);
}

TEST_F(XbeFilters, QueryKeepsItsRecordsAndMovesHonourThem) {
  xb_Go(7);
  EXPECT_EQ(xb_Query("QTY > 15"), 16);
  EXPECT_EQ(xb_RecNo(), 16);
  EXPECT_STREQ(xb_DBFilter(), "QTY > 15");
  EXPECT_EQ(xb_QueryRecCount(), 5);
  EXPECT_EQ(xb_Count(), 20);
  EXPECT_EQ(Walk(), (Recs{16, 17, 18, 19, 20}));
  EXPECT_EQ(xb_GetQueryBit(17), 1);
  EXPECT_EQ(xb_GetQueryBit(3), 0);
  EXPECT_EQ(xb_GetQueryBit(99), 0);
  EXPECT_EQ(xb_SetQueryBit(3, 1), 1);
  EXPECT_EQ(xb_SetQueryBit(20, 0), 1);
  EXPECT_EQ(Walk(), (Recs{3, 16, 17, 18, 19}));
  // A changed record keeps its place in the query's record set...
  xb_Go(3);
  xb_PutInteger("QTY", 1);
  EXPECT_EQ(Walk(), (Recs{3, 16, 17, 18, 19}));
  // ...and a record appended later is tested when a move reaches it.
  xb_AppendBlank();
  xb_PutInteger("QTY", 30);
  xb_AppendBlank();
  xb_PutInteger("QTY", 2);
  EXPECT_EQ(Walk(), (Recs{3, 16, 17, 18, 19, 21}));
  // No match: answer 0, the area at its end; a failed query keeps the filter.
  EXPECT_EQ(xb_Query("QTY > 100"), 0);
  EXPECT_EQ(xb_Eof(), 1);
  EXPECT_EQ(xb_QueryRecCount(), 0);
  EXPECT_EQ(xb_Query("QTY >"), 0);
  EXPECT_EQ(xb_Query("NAME"), 0);
  EXPECT_STREQ(xb_DBFilter(), "QTY > 100");
  // An empty query removes the filter and answers where the area stands.
  xb_Go(5);
  EXPECT_EQ(xb_Query(""), 5);
  EXPECT_STREQ(xb_DBFilter(), "");
  EXPECT_EQ(xb_QueryRecCount(), 22);
  EXPECT_EQ(xb_QueryTest("QTY > 1"), 1);
  EXPECT_EQ(xb_QueryTest("QTY"), 0);
  EXPECT_EQ(xb_SetQueryBit(3, 1), 0);  // no record set to change
}

TEST_F(XbeFilters, QueryTextMatchingFollowsTheExactSettings) {
  EXPECT_EQ(xb_Query("NAME = \"R1\""), 1);
  EXPECT_EQ(xb_QueryRecCount(), 11);  // R1 and R10..R19
  xb_QuerySetExact(1);
  EXPECT_EQ(xb_Query("NAME = \"R1\""), 1);
  EXPECT_EQ(xb_QueryRecCount(), 1);
  xb_QuerySetExact(0);
  xb_SetExact(1);
  EXPECT_EQ(xb_Query("NAME = \"R1\""), 1);
  EXPECT_EQ(xb_QueryRecCount(), 1);
}

TEST_F(XbeFilters, FilterIsTestedAtEveryMoveWithDeletedRecordsHidden) {
  ASSERT_EQ(xb_SetFilter("QTY % 5 = 0"), 1);
  EXPECT_EQ(Walk(), (Recs{5, 10, 15, 20}));
  xb_Go(10);
  xb_PutInteger("QTY", 11);
  xb_Go(15);
  xb_Delete();
  xb_SetDeleted(1);
  EXPECT_EQ(Walk(), (Recs{5, 20}));
  EXPECT_EQ(xb_QueryRecCount(), 2);
  xb_SetDeleted(0);
  EXPECT_EQ(xb_QueryRecCount(), 3);
  // Skips of several records at once count admitted records only.
  xb_GoTop();
  xb_Skip(2);
  EXPECT_EQ(xb_RecNo(), 20);
  EXPECT_EQ(xb_SetFilter("QTY"), 0);  // refused: the filter stays
  EXPECT_STREQ(xb_DBFilter(), "QTY % 5 = 0");
  ASSERT_EQ(xb_SetFilter(nullptr), 1);
  EXPECT_EQ(Walk().size(), 20u);
}

TEST_F(XbeFilters, FiltersReadOtherAreasByAlias) {
  const std::string other = dir.File("CODES.DBF");
  ASSERT_TRUE(MakeTable(other, XB_TYPE_NTX, false));
  const short items = xb_WorkArea("ITEMS");
  const short codes = xb_UseEx(other.c_str(), "CODES", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL);
  ASSERT_GT(codes, 0);
  xb_AppendBlank();
  xb_PutInteger("QTY", 18);
  // Set from the CODES area: the ITEMS filter compares with CODES' current record.
  ASSERT_EQ(xb_FilterAlias("ITEMS", "QTY >= CODES->QTY"), 1);
  EXPECT_EQ(xb_Select(items), codes);
  EXPECT_EQ(Walk(), (Recs{18, 19, 20}));
  xb_Select(codes);
  xb_PutInteger("QTY", 20);
  xb_Select(items);
  EXPECT_EQ(Walk(), (Recs{20}));
  // Closed, the other area reads as blank fields (QTY 0): everything passes.
  xb_Select(codes);
  xb_Close();
  xb_Select(items);
  EXPECT_EQ(Walk().size(), 20u);
  EXPECT_EQ(xb_FilterAlias("NOSUCH", "QTY > 1"), 0);
}

TEST_F(XbeFilters, LocateSearchesForwardBackwardAndResumes) {
  EXPECT_EQ(xb_Locate("QTY % 7 = 0", 1, 0), 1);
  EXPECT_EQ(xb_RecNo(), 7);
  EXPECT_EQ(xb_Locate("QTY % 7 = 0", 1, 1), 1);
  EXPECT_EQ(xb_RecNo(), 14);
  EXPECT_EQ(xb_Locate("QTY % 7 = 0", 1, 1), 0);
  EXPECT_EQ(xb_Eof(), 1);
  EXPECT_EQ(xb_Locate("QTY % 7 = 0", -1, 0), 1);
  EXPECT_EQ(xb_RecNo(), 14);
  EXPECT_EQ(xb_Locate("QTY % 7 = 0", -1, 1), 1);
  EXPECT_EQ(xb_RecNo(), 7);
  EXPECT_EQ(xb_Locate("QTY % 7 = 0", -1, 1), 0);
  EXPECT_EQ(xb_Bof(), 1);
  // The filter applies: record 7 is outside it.
  xb_SetFilter("QTY > 10");
  EXPECT_EQ(xb_Locate("QTY % 7 = 0", 1, 0), 1);
  EXPECT_EQ(xb_RecNo(), 14);
  EXPECT_EQ(xb_Locate("QTY = ", 1, 0), 0);
}

TEST_F(XbeFilters, RollYourOwnRecordSets) {
  const int h = xb_RYOFilterCreate();
  ASSERT_GT(h, 0);
  EXPECT_EQ(xb_RYOFilterSetBit(h, 2, 1), 1);
  EXPECT_EQ(xb_RYOFilterSetBit(h, 4, 1), 1);
  EXPECT_EQ(xb_RYOFilterSetBit(h, 17, 1), 1);
  EXPECT_EQ(xb_RYOFilterSetBit(h, 21, 1), 0);  // no such record
  EXPECT_EQ(xb_RYOFilterGetBit(h, 4), 1);
  EXPECT_EQ(xb_RYOFilterGetBit(h, 5), 0);
  ASSERT_EQ(xb_RYOFilterActivate(h, 0), 1);
  EXPECT_EQ(Walk(), (Recs{2, 4, 17}));
  EXPECT_STREQ(xb_DBFilter(), "");
  // Together with a query: both (mode 1) or either (mode 2).
  xb_Query("QTY > 10");
  ASSERT_EQ(xb_RYOFilterActivate(h, 1), 1);
  EXPECT_EQ(Walk(), (Recs{17}));
  xb_Query("QTY > 18");
  ASSERT_EQ(xb_RYOFilterActivate(h, 2), 1);
  EXPECT_EQ(Walk(), (Recs{2, 4, 17, 19, 20}));
  EXPECT_EQ(xb_RYOFilterActivate(h, 9), 0);
  // Copy takes what the active filter admits.
  const int copy = xb_RYOFilterCopy();
  EXPECT_EQ(xb_RYOFilterGetBit(copy, 19), 1);
  EXPECT_EQ(xb_RYOFilterGetBit(copy, 3), 0);
  // Save and restore a query filter, expression included.
  xb_Query("QTY < 4");
  const int saved = xb_RYOFilterSave();
  xb_Query("");
  EXPECT_EQ(xb_QueryRecCount(), 20);
  ASSERT_EQ(xb_RYOFilterRestore(saved), 1);
  EXPECT_STREQ(xb_DBFilter(), "QTY < 4");
  EXPECT_EQ(Walk(), (Recs{1, 2, 3}));
  // Saved without a filter: restoring removes the filter.
  xb_Query("");
  const int none = xb_RYOFilterSave();
  xb_Query("QTY = 1");
  ASSERT_EQ(xb_RYOFilterRestore(none), 1);
  EXPECT_EQ(xb_QueryRecCount(), 20);
  EXPECT_EQ(xb_RYOFilterDestroy(h), 1);
  EXPECT_EQ(xb_RYOFilterDestroy(h), 0);
  EXPECT_EQ(xb_RYOFilterGetBit(h, 2), 0);
  EXPECT_EQ(xb_RYOFilterActivate(12345, 0), 0);
  EXPECT_EQ(xb_RYOFilterRestore(-1), 0);
}

TEST_F(XbeFilters, PackRenumbersQueriesAndDropsBareRecordSets) {
  xb_Close();
  ASSERT_GT(Open(XB_OPEN_EXCLUSIVE), 0);
  for (int r : {1, 2, 3}) {
    xb_Go(r);
    xb_Delete();
  }
  EXPECT_EQ(xb_Query("QTY >= 18"), 18);
  ASSERT_EQ(xb_Pack(), 1);
  // Records 18..20 are now 15..17: the query follows its expression.
  EXPECT_EQ(Walk(), (Recs{15, 16, 17}));
  const int h = xb_RYOFilterCreate();
  xb_RYOFilterSetBit(h, 1, 1);
  xb_RYOFilterActivate(h, 0);
  EXPECT_EQ(Walk(), (Recs{1}));
  ASSERT_EQ(xb_Zap(), 1);
  xb_AppendBlank();
  xb_AppendBlank();
  EXPECT_EQ(Walk(), (Recs{1, 2}));
}

TEST_F(XbeFilters, RelatedAreaFollowsItsParentByRecordNumber) {
  const std::string other = dir.File("CODES.DBF");
  ASSERT_TRUE(MakeTable(other, XB_TYPE_NTX, false));
  const short items = xb_WorkArea("ITEMS");
  const short codes = xb_UseEx(other.c_str(), "CODES", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL);
  ASSERT_GT(codes, 0);
  AppendNumbered(5);
  xb_Select(items);
  ASSERT_EQ(xb_SetRelation(codes, "IIF(QTY <= 5, 6 - QTY, 0)"), 1);
  auto child = [&] {
    xb_Select(codes);
    const int r = xb_Eof() ? 0 : xb_RecNo();
    xb_Select(items);
    return r;
  };
  xb_Go(2);
  EXPECT_EQ(child(), 4);
  xb_Skip(1);
  EXPECT_EQ(child(), 3);
  xb_GoTop();
  EXPECT_EQ(child(), 5);
  xb_GoBottom();
  EXPECT_EQ(child(), 0);  // key 0 names no record: the child is past its end
  EXPECT_EQ(xb_Locate("QTY = 5", 1, 0), 1);
  EXPECT_EQ(child(), 1);
  // A relation back to the parent is refused; removing one leaves the child alone.
  xb_Select(codes);
  EXPECT_EQ(xb_SetRelation(items, "QTY"), 0);
  xb_Select(items);
  ASSERT_EQ(xb_SetRelation(codes, ""), 1);
  xb_Go(2);
  EXPECT_EQ(child(), 1);
  // Closing the child removes the relation: the parent moves on unharmed.
  ASSERT_EQ(xb_SetRelation(codes, "QTY"), 1);
  xb_Select(codes);
  xb_Close();
  xb_Select(items);
  xb_Go(3);
  EXPECT_EQ(xb_RecNo(), 3);
  EXPECT_EQ(xb_SetRelation(codes, "QTY"), 0);
}

namespace {

// The records the active filter admits, by xb_GetQueryBit.
std::vector<int> Admitted() {
  std::vector<int> recs;
  for (int r = 1; r <= xb_RecCount(); ++r) {
    if (xb_GetQueryBit(r)) recs.push_back(r);
  }
  return recs;
}

}  // namespace

TEST_F(XbeFilters, QueriesAnsweredFromIndexesMatchFullScans) {
  for (int r = 1; r <= 20; ++r) {
    xb_Go(r);
    const std::string day = "200912" + std::to_string(10 + r);
    xb_PutString("DAY", day.c_str());
    xb_PutLogical("OK", r % 3 == 0);
  }
  xb_Go(4);
  xb_PutString("NAME", "r14");  // lower case: only UPPER(NAME) finds it with R14
  const std::vector<std::string> queries = {
      "QTY > 15",
      "QTY >= 5 .AND. QTY <= 7",
      "7 > QTY .AND. OK",
      "QTY = 12",
      "QTY > 15.5",
      "QTY < 0",
      "UPPER(NAME) = \"R1\"",
      "UPPER(NAME) = \"R14\" .AND. QTY > 1",
      "NAME = \"R1\"",
      "DAY >= {^2009-12-25} .AND. DAY < {^2009-12-28}",
      "DTOS(DAY) = \"2009122\"",
      "QTY > 3 .OR. OK",
  };
  std::vector<std::vector<int>> scanned;
  for (const std::string& q : queries) {
    EXPECT_EQ(xb_QueryTest(q.c_str()), 1) << q;
    xb_Query(q.c_str());
    scanned.push_back(Admitted());
  }
  xb_Query("");
  ASSERT_GT(xb_Index(dir.File("QTY.NTX").c_str(), "QTY", nullptr, 0, 0), 0);
  ASSERT_GT(xb_Index(dir.File("UNAME.NTX").c_str(), "upper( NAME )", nullptr, 0, 1), 0);
  ASSERT_GT(xb_Index(dir.File("DAY.NTX").c_str(), "DAY", nullptr, 0, 0), 0);
  ASSERT_GT(xb_Index(dir.File("DAYS.NTX").c_str(), "DTOS(DAY)", nullptr, 0, 1), 0);
  EXPECT_EQ(xb_QueryTest("QTY > 15"), 3);
  EXPECT_EQ(xb_QueryTest("UPPER(NAME) = \"R1\""), 3);
  EXPECT_EQ(xb_QueryTest("7 > QTY .AND. OK"), 2);
  EXPECT_EQ(xb_QueryTest("QTY > 3 .OR. OK"), 1);
  EXPECT_EQ(xb_QueryTest("NAME = \"R1\""), 1);  // no order on NAME itself
  for (size_t i = 0; i < queries.size(); ++i) {
    xb_Query(queries[i].c_str());
    EXPECT_EQ(Admitted(), scanned[i]) << queries[i];
  }
  // The order in control decides where a query lands: DTOS(DAY) descending.
  EXPECT_EQ(xb_Query("QTY >= 5 .AND. QTY <= 7"), 7);
  // The indexes follow changes, and so do the queries answered from them.
  xb_Go(2);
  xb_PutInteger("QTY", 99);
  xb_Query("QTY > 15");
  EXPECT_EQ(Admitted(), (Recs{2, 16, 17, 18, 19, 20}));
  // An order with a FOR condition or unique keys answers nothing.
  xb_CloseIndexes();
  ASSERT_GT(xb_Index(dir.File("QFOR.NTX").c_str(), "QTY", "QTY > 10", 0, 0), 0);
  EXPECT_EQ(xb_QueryTest("QTY > 15"), 1);
  ASSERT_GT(xb_Index(dir.File("QUNI.NTX").c_str(), "QTY", nullptr, 1, 0), 0);
  EXPECT_EQ(xb_QueryTest("QTY > 15"), 1);
}

TEST_F(XbeFilters, RelatedAreaWithAnOrderSeeksTheKey) {
  const std::string other = dir.File("CODES.DBF");
  ASSERT_TRUE(MakeTable(other, XB_TYPE_NTX, false));
  const short items = xb_WorkArea("ITEMS");
  const short codes = xb_UseEx(other.c_str(), "CODES", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL);
  ASSERT_GT(codes, 0);
  for (int i = 5; i >= 1; --i) {  // stored in reverse: record 1 holds R5
    xb_AppendBlank();
    xb_PutString("NAME", ("R" + std::to_string(i)).c_str());
    xb_PutInteger("QTY", i);
  }
  ASSERT_GT(xb_Index(dir.File("CNAME.NTX").c_str(), "NAME", nullptr, 0, 0), 0);
  auto childName = [&] {
    xb_Select(codes);
    const std::string name = xb_Eof() ? "" : xb_GetTrimString("NAME");
    xb_Select(items);
    return name;
  };
  xb_Select(items);
  ASSERT_EQ(xb_SetRelation(codes, "NAME"), 1);
  xb_Go(3);
  EXPECT_EQ(childName(), "R3");
  xb_Skip(1);
  EXPECT_EQ(childName(), "R4");
  xb_SetSoftSeek(1);
  xb_Go(13);  // R13: no such key; a soft seek's landing does not count
  EXPECT_EQ(childName(), "");
  xb_SetSoftSeek(0);
  // A numeric key seeks in a numeric order.
  xb_Select(codes);
  ASSERT_GT(xb_Index(dir.File("CQTY.NTX").c_str(), "QTY", nullptr, 0, 0), 0);
  xb_Select(items);
  ASSERT_EQ(xb_SetRelation(codes, "QTY - 10"), 1);
  xb_Go(12);
  EXPECT_EQ(childName(), "R2");
  xb_Go(2);
  EXPECT_EQ(childName(), "");
}
