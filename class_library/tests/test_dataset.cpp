// The dataset framework driven through a small in-memory descendant: open
// and close order, the record-buffer ring, the editing cycle with its error
// events, bookmarks, filters, calculated fields and field change events.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "class_library/tests/test_dataset_mem.h"

namespace {

using Log = std::vector<String>;

// A table ID (integer), NAME (string of 10) with rows 1..n named "n<i>".
std::unique_ptr<TMemTable> MakeTable(int n, int buffers = 1) {
  auto t = std::make_unique<TMemTable>();
  t->Schema = {{"ID", ftInteger}, {"NAME", ftString, 10}};
  for (int i = 1; i <= n; ++i) t->AddRawRow({TMemTable::Int32(i), TMemTable::Str("n" + std::to_string(i), 10)});
  t->SetBuffers(buffers);
  return t;
}

int Id(TDataSet& t) { return t.FieldByName("ID")->AsInteger(); }

void Track(TDataSet& t, Log& log) {
  auto on = [&log](const char* name) { return [&log, name](TDataSet*) { log.push_back(name); }; };
  t.BeforeOpen = on("BeforeOpen");
  t.AfterOpen = on("AfterOpen");
  t.BeforeClose = on("BeforeClose");
  t.AfterClose = on("AfterClose");
  t.BeforeEdit = on("BeforeEdit");
  t.AfterEdit = on("AfterEdit");
  t.BeforeInsert = on("BeforeInsert");
  t.AfterInsert = on("AfterInsert");
  t.BeforePost = on("BeforePost");
  t.AfterPost = on("AfterPost");
  t.BeforeCancel = on("BeforeCancel");
  t.AfterCancel = on("AfterCancel");
  t.BeforeDelete = on("BeforeDelete");
  t.AfterDelete = on("AfterDelete");
  t.AfterScroll = on("AfterScroll");
  t.OnNewRecord = on("OnNewRecord");
}

// ---------------------------------------------------------------- open and close

TEST(DataSetOpen, OpenAndCloseRunHooksAndEventsInOrder) {
  Log log;
  auto t = MakeTable(2);
  t->Log = &log;
  Track(*t, log);
  t->Open();
  EXPECT_EQ(log, (Log{"BeforeOpen", "OpenCursor", "Fetch next", "AfterOpen", "AfterScroll"}));
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_TRUE(t->Bof());
  EXPECT_FALSE(t->Eof());
  EXPECT_EQ(t->FieldCount(), 2);  // made from the definitions
  log.clear();
  t->Close();
  EXPECT_EQ(log, (Log{"BeforeClose", "CloseCursor", "AfterClose"}));
  EXPECT_EQ(t->FieldCount(), 0);  // default fields go with the cursor
  EXPECT_EQ(t->DisposedBuffers, 2);  // one buffer plus the scratch buffer
  log.clear();
  t->Close();  // closing twice is harmless
  EXPECT_TRUE(log.empty());
}

TEST(DataSetOpen, FailureAnywhereInTheOpenLeavesItInactiveAndClosed) {
  Log log;
  auto t = MakeTable(3);
  t->Log = &log;
  t->FailOpen = 1;
  EXPECT_THROW(t->Open(), EDatabaseError);
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(log.back(), "CloseCursor");

  // A failure while the first records are fetched closes the cursor again
  // and frees the fields made for the open.
  log.clear();
  t->FailFetchAt = 0;
  EXPECT_THROW(t->Open(), EDatabaseError);
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(log.back(), "CloseCursor");
  EXPECT_EQ(t->FieldCount(), 0);

  // BeforeOpen may veto the open before anything is touched.
  log.clear();
  t->FailFetchAt = -1;
  t->BeforeOpen = [](TDataSet*) { Abort(); };
  EXPECT_THROW(t->Open(), EAbort);
  EXPECT_TRUE(log.empty());
  t->BeforeOpen = nullptr;
  t->Open();
  EXPECT_EQ(Id(*t), 1);
}

TEST(DataSetOpen, PersistentFieldsStayAndMustMatchTheirDefinitions) {
  TComponent owner(nullptr);
  auto t = MakeTable(1);
  auto* name = new TStringField(&owner);
  name->SetFieldName("NAME");
  name->SetSize(10);
  name->SetDataSet(t.get());
  t->Open();
  EXPECT_EQ(t->FieldCount(), 1);
  EXPECT_EQ(name->AsString(), "n1");
  EXPECT_EQ(name->FieldNo(), 2);
  EXPECT_THROW(t->FieldByName("ID"), EDatabaseError);
  EXPECT_THROW(name->SetSize(5), EDatabaseError);  // not while open
  t->Close();
  EXPECT_EQ(t->FieldCount(), 1);

  // A string field wider or narrower than the stored one would overrun its slot.
  name->SetSize(5);
  try {
    t->Open();
    FAIL() << "open with a size mismatch";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Size mismatch for field 'NAME', expecting: 5 actual: 10");
  }
  EXPECT_FALSE(t->Active());

  auto* id = new TSmallintField(&owner);
  id->SetFieldName("ID");
  name->SetSize(10);
  id->SetDataSet(t.get());
  EXPECT_THROW(t->Open(), EDatabaseError);  // smallint against an integer definition
  delete id;
  t->Open();
  EXPECT_EQ(name->AsString(), "n1");
}

// ---------------------------------------------------------------- navigation

class DataSetNavigation : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(DataSetNavigation, WalksEveryRecordOnceInBothDirections) {
  auto [rows, buffers] = GetParam();
  auto t = MakeTable(rows, buffers);
  t->Open();
  EXPECT_EQ(t->BufferCount(), buffers);
  if (rows == 0) {
    EXPECT_TRUE(t->Bof());
    EXPECT_TRUE(t->Eof());
    EXPECT_TRUE(t->IsEmpty());
    EXPECT_EQ(t->MoveBy(5), 0);
    EXPECT_TRUE(t->FieldByName("ID")->IsNull());
    t->Last();
    EXPECT_TRUE(t->Eof());
    return;
  }
  std::vector<int> forward, backward, expected;
  for (int i = 1; i <= rows; ++i) expected.push_back(i);
  while (!t->Eof()) {
    forward.push_back(Id(*t));
    t->Next();
  }
  EXPECT_EQ(forward, expected);
  EXPECT_EQ(Id(*t), rows);  // Eof leaves the last record active

  t->Last();
  EXPECT_TRUE(t->Eof());
  while (!t->Bof()) {
    backward.push_back(Id(*t));
    t->Prior();
  }
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(backward, expected);
  EXPECT_EQ(Id(*t), 1);

  t->First();
  int step = std::min(3, rows - 1);
  EXPECT_EQ(t->MoveBy(3), step);
  EXPECT_EQ(Id(*t), 1 + step);
  EXPECT_EQ(t->RecNo(), 1 + step);
  EXPECT_EQ(t->MoveBy(-10), -step);
  EXPECT_TRUE(t->Bof());
  EXPECT_EQ(t->MoveBy(rows + 5), rows - 1);
  EXPECT_TRUE(t->Eof());
  EXPECT_EQ(Id(*t), rows);
  EXPECT_EQ(t->MoveBy(-(rows - 1)), -(rows - 1));
  EXPECT_EQ(Id(*t), 1);
}

INSTANTIATE_TEST_SUITE_P(RowsAndBuffers, DataSetNavigation,
                         ::testing::Combine(::testing::Values(0, 1, 2, 7), ::testing::Values(1, 3, 10)));

// Random navigation and edits checked step by step against a plain model
// of the rows, the active position and the Bof/Eof flags.
TEST(DataSetNavigation, RandomOperationsAgreeWithAModel) {
  for (int buffers = 1; buffers <= 5; ++buffers) {
    auto t = MakeTable(6, buffers);
    t->Open();
    std::vector<int> ids = {1, 2, 3, 4, 5, 6};
    int at = 0, nextId = 100;
    bool bof = true, eof = false;
    std::mt19937 rng(1234 + buffers);
    for (int step = 0; step < 1500; ++step) {
      int n = static_cast<int>(ids.size());
      int op = static_cast<int>(rng() % 8);
      SCOPED_TRACE("buffers " + std::to_string(buffers) + " step " + std::to_string(step) + " op " +
                   std::to_string(op));
      if (op == 0) {
        t->First();
        at = 0;
        bof = true;
        eof = n == 0;
      } else if (op == 1) {
        t->Last();
        at = n - 1;
        eof = true;
        bof = n == 0;
      } else if (op <= 3) {
        int d = static_cast<int>(rng() % 9) - 4;
        int moved = t->MoveBy(d);
        int expect = 0;
        if ((d > 0 && !eof) || (d < 0 && !bof)) {
          bof = eof = false;
          expect = d > 0 ? std::min(d, n - 1 - at) : std::max(d, -at);
          at += expect;
          if (d > 0 && expect < d) eof = true;
          if (d < 0 && expect > d) bof = true;
        }
        ASSERT_EQ(moved, expect);
      } else if (op == 4 && n > 0) {
        t->Delete();
        ids.erase(ids.begin() + at);
        at = std::min(at, static_cast<int>(ids.size()) - 1);
        bof = eof = ids.empty();
        if (ids.empty()) at = 0;
      } else if (op == 5) {
        t->Insert();
        t->FieldByName("ID")->SetAsInteger(nextId);
        t->Post();
        ids.insert(ids.begin() + (n == 0 ? 0 : at), nextId++);
        bof = eof = false;
      } else if (op == 6) {
        t->Append();
        t->FieldByName("ID")->SetAsInteger(nextId);
        t->Post();
        ids.push_back(nextId++);
        at = n;
        bof = eof = false;
      } else if (op == 7 && n > 0) {
        int target = static_cast<int>(rng() % static_cast<unsigned>(n));
        t->Edit();  // a bookmark of another record, taken by visiting it
        t->Cancel();
        TBookmark here = t->GetBookmark();
        t->MoveBy(target - at);
        TBookmark there = t->GetBookmark();
        t->GotoBookmark(here);
        t->GotoBookmark(there);
        at = target;
        bof = eof = false;
      }
      ASSERT_EQ(t->Bof(), bof);
      ASSERT_EQ(t->Eof(), eof);
      if (!ids.empty()) {
        ASSERT_EQ(Id(*t), ids[static_cast<size_t>(at)]);
        ASSERT_EQ(t->RecNo(), at + 1);
        ASSERT_LE(t->BufferedRecordCount(), buffers);
      }
    }
  }
}

TEST(DataSetNavigation, RefreshSeesRowsChangedUnderneath) {
  auto t = MakeTable(3, 2);
  t->Open();
  t->Next();
  t->Rows[1].Values[1] = TMemTable::Str("changed", 10);
  t->Refresh();
  EXPECT_EQ(Id(*t), 2);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "changed");
}

// ---------------------------------------------------------------- editing

TEST(DataSetEditing, EditAndPostStoreTheValueWithEventsInOrder) {
  Log log;
  auto t = MakeTable(3);
  t->Open();
  t->Next();
  t->Log = &log;
  Track(*t, log);
  t->Edit();
  EXPECT_EQ(t->State(), dsEdit);
  t->FieldByName("NAME")->SetAsString("Zed");
  EXPECT_TRUE(t->Modified());
  t->Post();
  EXPECT_EQ(log, (Log{"BeforeEdit", "AfterEdit", "BeforePost", "PostRecord", "Fetch current", "AfterPost"}));
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_FALSE(t->Modified());
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "Zed");
  EXPECT_EQ(Id(*t), 2);
  EXPECT_EQ(TMemTable::Str("Zed", 10), *t->Rows[1].Values[1]);
}

TEST(DataSetEditing, RefusalsLeaveStateAndValuesAlone) {
  auto t = MakeTable(2);
  t->Open();
  try {
    t->Post();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Dataset not in edit or insert mode");
  }
  EXPECT_THROW(t->FieldByName("NAME")->SetAsString("x"), EDatabaseError);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "n1");
  t->ReadOnlyTable = true;
  try {
    t->Edit();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Cannot modify a read-only dataset");
  }
  EXPECT_EQ(t->State(), dsBrowse);
  t->ReadOnlyTable = false;
  t->BeforeEdit = [](TDataSet*) { throw EDatabaseError("locked"); };
  EXPECT_THROW(t->Edit(), EDatabaseError);
  EXPECT_EQ(t->State(), dsBrowse);
}

// Counts the edits the framework gave up after PrepareEdit.
class TAbandonCounter : public TMemTable {
public:
  using TMemTable::TMemTable;
  int Abandoned = 0;
  void AbandonEdit() override { ++Abandoned; }
};

TEST(DataSetEditing, EditThatNeverStartsIsAbandonedButALateFailureKeepsTheEdit) {
  TComponent owner(nullptr);
  TAbandonCounter t;
  t.Schema = {{"ID", ftInteger}};
  t.AddRawRow({TMemTable::Int32(1)});
  auto* id = new TIntegerField(&owner);
  id->SetFieldName("ID");
  id->SetDataSet(&t);
  auto* twice = new TIntegerField(&owner);
  twice->SetFieldName("TWICE");
  twice->SetFieldKind(fkCalculated);
  twice->SetDataSet(&t);
  bool failCalc = false;
  t.OnCalcFields = [&](TDataSet*) {
    if (failCalc) throw EDatabaseError("calc failed");
    twice->SetAsInteger(id->AsInteger() * 2);
  };
  t.Open();
  failCalc = true;
  EXPECT_THROW(t.Edit(), EDatabaseError);
  EXPECT_EQ(t.State(), dsBrowse);
  EXPECT_EQ(t.Abandoned, 1);
  failCalc = false;

  // A refusal before PrepareEdit took anything has nothing to give back.
  t.BeforeEdit = [](TDataSet*) { throw EDatabaseError("locked"); };
  EXPECT_THROW(t.Edit(), EDatabaseError);
  EXPECT_EQ(t.Abandoned, 1);
  t.BeforeEdit = nullptr;

  // Once in edit state the edit stands; Cancel ends it.
  t.AfterEdit = [](TDataSet*) { throw EDatabaseError("after edit failed"); };
  EXPECT_THROW(t.Edit(), EDatabaseError);
  EXPECT_EQ(t.State(), dsEdit);
  EXPECT_EQ(t.Abandoned, 1);
  t.Cancel();
  EXPECT_EQ(t.State(), dsBrowse);
  t.Close();
}

TEST(DataSetEditing, PostErrorActionsRetryAbortAndFail) {
  auto t = MakeTable(2);
  t->Open();
  int calls = 0;
  TDataAction answer = daRetry;
  t->OnPostError = [&](TDataSet*, Exception& e, TDataAction& action) {
    ++calls;
    EXPECT_EQ(e.Message(), "post failed");
    action = answer;
  };

  t->FailPosts = 2;
  t->Edit();
  t->FieldByName("NAME")->SetAsString("retried");
  t->Post();
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(TMemTable::Str("retried", 10), *t->Rows[0].Values[1]);

  answer = daAbort;
  t->FailPosts = 1;
  t->Edit();
  t->FieldByName("NAME")->SetAsString("aborted");
  EXPECT_THROW(t->Post(), EAbort);
  EXPECT_EQ(t->State(), dsEdit);  // the edit stays for the user to fix
  t->Cancel();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "retried");

  answer = daFail;
  t->FailPosts = 1;
  t->Edit();
  t->FieldByName("NAME")->SetAsString("failed");
  EXPECT_THROW(t->Post(), EDatabaseError);
  EXPECT_EQ(t->State(), dsEdit);
  t->FailPosts = 0;
  t->Post();
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "failed");
}

TEST(DataSetEditing, CancelAfterInsertReturnsToThePreviousRecord) {
  for (int buffers : {1, 3}) {
    Log log;
    auto t = MakeTable(5, buffers);
    t->Open();
    t->MoveBy(2);
    Track(*t, log);
    t->Insert();
    EXPECT_EQ(log, (Log{"BeforeInsert", "OnNewRecord", "AfterInsert", "AfterScroll"}));
    EXPECT_TRUE(t->FieldByName("ID")->IsNull());
    t->FieldByName("ID")->SetAsInteger(99);
    t->Cancel();
    EXPECT_EQ(log.back(), "AfterCancel");
    EXPECT_EQ(Id(*t), 3) << buffers;
    EXPECT_EQ(t->Rows.size(), 5u);
    t->Next();
    EXPECT_EQ(Id(*t), 4);

    // Cancelling an append ends on the last record.
    t->First();
    t->Append();
    t->Cancel();
    EXPECT_EQ(Id(*t), 5);
  }
  auto empty = MakeTable(0);
  empty->Open();
  empty->Insert();
  empty->Cancel();
  EXPECT_TRUE(empty->IsEmpty());
  EXPECT_TRUE(empty->Eof());
}

TEST(DataSetEditing, InsertAndAppendPostWhereTheyStand) {
  auto t = MakeTable(5, 3);
  t->Open();
  t->MoveBy(2);
  t->Insert();
  t->FieldByName("ID")->SetAsInteger(99);
  t->Post();
  EXPECT_EQ(Id(*t), 99);
  EXPECT_EQ(t->RecNo(), 3);
  t->Append();
  t->FieldByName("ID")->SetAsInteger(100);
  t->Post();
  EXPECT_EQ(Id(*t), 100);
  std::vector<int> ids;
  for (t->First(); !t->Eof(); t->Next()) ids.push_back(Id(*t));
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 99, 3, 4, 5, 100}));

  // Edit on an empty table inserts; the post stores the first record.
  auto empty = MakeTable(0);
  empty->Open();
  empty->Edit();
  EXPECT_EQ(empty->State(), dsInsert);
  empty->FieldByName("ID")->SetAsInteger(1);
  empty->Post();
  EXPECT_EQ(empty->Rows.size(), 1u);
  EXPECT_FALSE(empty->IsEmpty());
}

TEST(DataSetEditing, SetFieldsAndWholeRecordsAssignByValueType) {
  Log log;
  auto t = MakeTable(2);
  t->Open();
  t->Edit();
  t->SetFields({Variant(7), Variant("Bob")});
  t->Post();
  EXPECT_EQ(Id(*t), 7);
  EXPECT_EQ(t->FieldByName("NAME")->AsString(), "Bob");

  t->Edit();
  try {
    t->SetFields({Variant(true)});
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Cannot access field 'ID' as type Boolean");
  }
  EXPECT_THROW(t->SetFields({Variant(1), Variant("a"), Variant(3)}), EDatabaseError);  // more values than fields
  t->Cancel();

  Track(*t, log);
  t->AppendRecord({Variant(8), Variant("Al")});
  EXPECT_EQ(log, (Log{"BeforeInsert", "BeforePost", "AfterPost", "AfterScroll"}));
  EXPECT_EQ(Id(*t), 8);
  EXPECT_EQ(t->Rows.back().Id, 3);
  EXPECT_EQ(t->State(), dsBrowse);
  // A bad value aborts the whole record and returns to where it stood.
  EXPECT_THROW(t->InsertRecord({Variant("x")}), EDatabaseError);
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(Id(*t), 8);
  EXPECT_EQ(t->Rows.size(), 3u);
}

TEST(DataSetEditing, DeleteMovesToTheFollowingRecord) {
  Log log;
  auto t = MakeTable(3);
  t->Open();
  t->Next();
  Track(*t, log);
  t->Delete();
  EXPECT_EQ(log, (Log{"BeforeDelete", "AfterDelete", "AfterScroll"}));
  EXPECT_EQ(Id(*t), 3);
  t->Delete();  // the last one: its predecessor takes over
  EXPECT_EQ(Id(*t), 1);
  t->Delete();
  EXPECT_TRUE(t->IsEmpty());
  try {
    t->Delete();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Cannot perform this operation on an empty dataset");
  }
}

TEST(DataSetEditing, CheckBrowseModePostsModifiedAndCancelsUntouchedEdits) {
  Log log;
  auto t = MakeTable(3);
  t->Open();
  t->Edit();
  t->FieldByName("NAME")->SetAsString("kept");
  t->Next();  // scrolling posts the pending change
  EXPECT_EQ(TMemTable::Str("kept", 10), *t->Rows[0].Values[1]);
  t->Log = &log;
  t->Edit();
  t->Next();
  EXPECT_EQ(std::count(log.begin(), log.end(), "PostRecord"), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), "CancelRecordBuffer"), 1);
}

// ---------------------------------------------------------------- bookmarks

TEST(DataSetBookmarks, RoundTripAndVanishedRecord) {
  auto t = MakeTable(6, 3);
  t->Open();
  EXPECT_EQ(t->BookmarkSize(), 4);
  t->MoveBy(3);
  TBookmark four = t->GetBookmark();
  t->First();
  t->Next();
  TBookmark two = t->GetBookmark();
  t->Last();
  t->GotoBookmark(four);
  EXPECT_EQ(Id(*t), 4);
  t->Next();
  EXPECT_EQ(Id(*t), 5);  // the ring around it is filled correctly
  t->Prior();
  t->Prior();
  EXPECT_EQ(Id(*t), 3);
  EXPECT_TRUE(t->BookmarkValid(four));
  EXPECT_FALSE(t->BookmarkValid(TBookmark()));
  EXPECT_EQ(t->CompareBookmarks(two, four), -1);
  EXPECT_EQ(t->CompareBookmarks(four, TBookmark()), 2);

  t->Rows.erase(t->Rows.begin() + 3);
  EXPECT_THROW(t->GotoBookmark(four), EDatabaseError);
  EXPECT_EQ(t->State(), dsBrowse);

  auto empty = MakeTable(0);
  empty->Open();
  EXPECT_TRUE(empty->GetBookmark().empty());
}

// ---------------------------------------------------------------- filters and calculated fields

TEST(DataSetFilter, RejectingTheFirstRecordStillShowsTheSecond) {
  auto t = MakeTable(4, 2);
  t->SetFiltered(true);
  TDataSetState seen = dsInactive;
  t->OnFilterRecord = [&seen](TDataSet* ds, bool& accept) {
    seen = ds->State();
    int id = ds->FieldByName("ID")->AsInteger();
    accept = id != 1 && id != 3;
  };
  t->Open();
  EXPECT_EQ(seen, dsFilter);
  EXPECT_EQ(t->State(), dsBrowse);
  EXPECT_EQ(Id(*t), 2);
  std::vector<int> ids;
  for (; !t->Eof(); t->Next()) ids.push_back(Id(*t));
  EXPECT_EQ(ids, (std::vector<int>{2, 4}));
  std::vector<int> back;
  for (t->Last(); !t->Bof(); t->Prior()) back.push_back(Id(*t));
  EXPECT_EQ(back, (std::vector<int>{4, 2}));
}

TEST(DataSetCalcFields, ComputedOnEveryReadAndAfterEachChange) {
  TComponent owner(nullptr);
  auto t = MakeTable(3);
  auto* id = new TIntegerField(&owner);
  id->SetFieldName("ID");
  id->SetDataSet(t.get());
  auto* twice = new TIntegerField(&owner);
  twice->SetFieldName("TWICE");
  twice->SetFieldKind(fkCalculated);
  twice->SetDataSet(t.get());
  int calls = 0;
  t->OnCalcFields = [&](TDataSet* ds) {
    ++calls;
    EXPECT_EQ(ds->State(), dsCalcFields);
    twice->SetAsInteger(ds->FieldByName("ID")->AsInteger() * 2);
  };
  t->Open();
  EXPECT_EQ(t->CalcFieldsSize(), 5);
  EXPECT_EQ(twice->FieldNo(), -1);
  EXPECT_EQ(twice->AsInteger(), 2);
  t->Next();
  EXPECT_EQ(twice->AsInteger(), 4);
  t->Edit();
  id->SetAsInteger(10);
  EXPECT_EQ(twice->AsInteger(), 20);
  EXPECT_GE(calls, 3);
  t->Post();
  EXPECT_EQ(twice->AsInteger(), 20);
  EXPECT_EQ(TMemTable::Int32(10), *t->Rows[1].Values[0]);
}

TEST(DataSetFieldEvents, ChangeEventsModifiedAndValidation) {
  auto t = MakeTable(2);
  t->Open();
  TField* name = t->FieldByName("NAME");
  std::vector<String> changes;
  name->OnChange = [&changes](TField* f) { changes.push_back(f->AsString()); };
  name->OnValidate = [](TField* f) {
    if (f->AsString() == "bad") throw EDatabaseError("no");
  };
  t->Edit();
  EXPECT_FALSE(t->Modified());
  name->SetAsString("good");
  EXPECT_TRUE(t->Modified());
  EXPECT_EQ(changes, (std::vector<String>{"good"}));
  EXPECT_THROW(name->SetAsString("bad"), EDatabaseError);
  EXPECT_EQ(name->AsString(), "good");  // the refused value never arrived
  EXPECT_EQ(changes.size(), 1u);
  name->Clear();
  EXPECT_TRUE(name->IsNull());
  EXPECT_EQ(changes.size(), 2u);
  t->Post();
  EXPECT_FALSE(t->Modified());
  EXPECT_TRUE(t->Rows[0].Values[1] == std::nullopt);
}

TEST(DataSetBlobs, MemoValuesGoThroughStreamsAndPost) {
  auto t = std::make_unique<TMemTable>();
  t->Schema = {{"ID", ftInteger}, {"NOTE", ftMemo}};
  t->AddRawRow({TMemTable::Int32(1), std::nullopt}, {{0, "first note"}});
  t->AddRawRow({TMemTable::Int32(2), std::nullopt});
  t->Open();
  auto* note = dynamic_cast<TMemoField*>(t->FieldByName("NOTE"));
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(t->BlobFieldCount(), 1);
  EXPECT_EQ(note->AsString(), "first note");
  EXPECT_EQ(note->DisplayText(), "(MEMO)");
  t->Edit();
  note->SetAsString("second");
  EXPECT_TRUE(note->Modified());
  EXPECT_EQ(note->AsString(), "second");  // read back before the post
  t->Post();
  EXPECT_FALSE(note->Modified());
  EXPECT_EQ(t->Rows[0].Blobs[0], "second");
  t->Next();
  EXPECT_TRUE(note->IsNull());
  EXPECT_EQ(note->AsString(), "");
}

}  // namespace
