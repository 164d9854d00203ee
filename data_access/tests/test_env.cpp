// The settings component and the database aliases: each setter reaching the
// engine and the process's date format, open tables refreshed after a change,
// the process-wide database list, and both components read from a text form
// resource. A program of its own: the settings are process-wide.
#include <gtest/gtest.h>

#include <memory>

#include "class_library/core/DateTime.h"
#include "class_library/components/FormResource.h"
#include "class_library/core/FormatSettings.h"
#include "class_library/core/SysUtils.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "data_access/XbEnv.h"
#include "data_access/tests/TestTables.h"

namespace {

// Engine settings as the engine answers them (each set call answers the
// previous value, so a set to the same value reads it).
int EngineEpoch() {
  const short old = xbe::xb_SetEpoch(1900);
  xbe::xb_SetEpoch(old);
  return old;
}
bool EngineCentury() {
  const int old = xbe::xb_SetCentury(0);
  xbe::xb_SetCentury(old);
  return old != 0;
}
bool EngineSoftSeek() {
  const int old = xbe::xb_SetSoftSeek(0);
  xbe::xb_SetSoftSeek(old);
  return old != 0;
}
int EngineLockTimeout() {
  const int old = xbe::xb_SetLockTimeout(0);
  xbe::xb_SetLockTimeout(old);
  return old;
}

class TResourceRoot : public TDataModule {
public:
  using TDataModule::TDataModule;
  String ClassName() const override { return "TResourceRoot"; }
};

class Env : public ::testing::Test {
protected:
  void SetUp() override {
    RequireEngine();
    saved_ = FormatSettings;
    // A known engine state to compare against.
    xbe::xb_SetEpoch(1980);
    xbe::xb_SetCentury(-1);
    xbe::xb_SetDateFormat(0);
    xbe::xb_SetSoftSeek(0);
    xbe::xb_SetExact(0);
    xbe::xb_SetDeleted(-1);
    xbe::xb_SetLockTimeout(1);
  }
  void TearDown() override { FormatSettings = saved_; }

  TXbTable* AddTable(TComponent* owner, const std::string& file) {
    auto* t = new TXbTable(owner);
    t->SetDatabaseName(dir.Path());
    t->SetTableName(file);
    return t;
  }

  ScratchDir dir;
  TFormatSettings saved_;
};

}  // namespace

TEST_F(Env, CreationPushesNothingAndSettersReachTheEngine) {
  TXbEnv env(nullptr);
  EXPECT_EQ(env.ApplyTo(), ApplyToBit(atLocal));
  EXPECT_TRUE(env.Century());
  EXPECT_EQ(env.DateFormat(), dfWinDefault);
  EXPECT_EQ(env.Epoch(), 1980);
  EXPECT_EQ(env.MemoBlockSize(), 64);
  EXPECT_EQ(env.ErrorFunc(), -1);
  EXPECT_EQ(xbe::xb_GetDateFormat(), 0);  // untouched by the creation

  env.SetSoftSeek(true);
  EXPECT_TRUE(EngineSoftSeek());
  env.SetExact(true);
  EXPECT_NE(xbe::xb_SysProp(XB_PROP_GET_EXACT, 0), 0);
  env.SetLockTimeOut(7);
  EXPECT_EQ(EngineLockTimeout(), 7);
  env.SetMemoBlockSize(512);
  EXPECT_EQ(env.MemoBlockSize(), 512);
  env.SetOptimisticBuffer(true);
  EXPECT_EQ(env.OptimisticBuffer(), xbe::xb_SysProp(XB_PROP_GET_OPTIMISTIC, 0) != 0);
  env.SetDeleted(false);
  EXPECT_EQ(xbe::xb_SysProp(XB_PROP_GET_DELETED, 0), 0);
  env.SetDateFormat(dfWinDefault);
  EXPECT_EQ(xbe::xb_GetDateFormat(), 99);
  env.SetDateFormat(dfItalian);
  EXPECT_EQ(xbe::xb_GetDateFormat(), 5);

  for (auto [given, stored] : {std::pair{0, 1900}, {50, 100}, {-5, 100}, {3000, 2999}, {2020, 2020}}) {
    env.SetEpoch(given);
    EXPECT_EQ(env.Epoch(), stored);
    EXPECT_EQ(EngineEpoch(), stored);
  }
}

TEST_F(Env, ApplyingNowhereChangesNothing) {
  TXbEnv env(nullptr);
  env.SetApplyTo(0);
  env.SetSoftSeek(true);
  env.SetExact(true);
  env.SetDeleted(true);
  env.SetCentury(false);
  env.SetEpoch(2020);
  env.SetLockTimeOut(9);
  env.SetMemoBlockSize(128);
  env.SetDateFormat(dfGerman);
  env.SetOptimisticBuffer(true);
  EXPECT_FALSE(env.SoftSeek());
  EXPECT_FALSE(env.Exact());
  EXPECT_FALSE(env.Deleted());
  EXPECT_TRUE(env.Century());
  EXPECT_EQ(env.Epoch(), 1980);
  EXPECT_EQ(env.LockTimeOut(), 1);
  EXPECT_EQ(env.MemoBlockSize(), 64);
  EXPECT_EQ(env.DateFormat(), dfWinDefault);
  EXPECT_FALSE(env.OptimisticBuffer());
  EXPECT_FALSE(EngineSoftSeek());
  EXPECT_EQ(EngineEpoch(), 1980);
  EXPECT_EQ(EngineLockTimeout(), 1);
  EXPECT_EQ(xbe::xb_GetDateFormat(), 0);
  EXPECT_EQ(ShortDateFormat(), saved_.ShortDateFormat);

  // Applying to the server only, without a connection: nothing reaches the
  // engine, the value is kept, and no error.
  env.SetApplyTo(ApplyToBit(atServer));
  env.SetSoftSeek(true);
  EXPECT_TRUE(env.SoftSeek());
  EXPECT_FALSE(EngineSoftSeek());
  EXPECT_FALSE(env.OptimisticBuffer());
}

TEST_F(Env, DateFormatAndCenturySetTheProcessDateFormat) {
  TXbEnv env(nullptr);
  env.SetDateFormat(dfGerman);
  EXPECT_EQ(ShortDateFormat(), "dd.mm.yyyy");
  EXPECT_EQ(DateSeparator(), '.');
  env.SetCentury(false);
  EXPECT_EQ(ShortDateFormat(), "dd.mm.yy");
  EXPECT_FALSE(EngineCentury());
  env.SetDateFormat(dfAnsi);
  EXPECT_EQ(ShortDateFormat(), "yy.mm.dd");
  env.SetCentury(true);
  EXPECT_EQ(ShortDateFormat(), "yyyy.mm.dd");
  env.SetCentury(true);
  EXPECT_EQ(ShortDateFormat(), "yyyy.mm.dd");  // already wide: unchanged
  env.SetDateFormat(dfSpanish);
  EXPECT_EQ(ShortDateFormat(), "dd-mm-yyyy");
  EXPECT_EQ(DateSeparator(), '-');
  env.SetDateFormat(dfAmerican);
  EXPECT_EQ(ShortDateFormat(), "mm/dd/yyyy");
  EXPECT_EQ(DateToStr(EncodeDate(2009, 12, 24)), "12/24/2009");

  EXPECT_EQ(CenturyEdit("m/d/yy", true), "m/d/yyyy");
  EXPECT_EQ(CenturyEdit("dd.mm.yyyy", false), "dd.mm.yy");
  EXPECT_EQ(CenturyEdit("d MMMM", true), "d MMMM");
}

TEST_F(Env, ChangesReachOpenTablesAndEveryTableIsRefreshed) {
  MakeTable(dir.Path(), "A.DBF", {{"NAME", 'C', 8}}, {{"a1"}, {"*", "a2"}});
  MakeTable(dir.Path(), "B.DBF", {{"NAME", 'C', 8}}, {{"b1"}, {"*", "b2"}});
  MakeTable(dir.Path(), "C.DBF", {{"NAME", 'C', 8}}, {{"c1"}, {"*", "c2"}});
  TDataModule module(nullptr);
  auto* env = new TXbEnv(&module);
  env->SetDeleted(true);
  TXbTable* tables[] = {AddTable(&module, "A.DBF"), AddTable(&module, "B.DBF"), AddTable(&module, "C.DBF")};
  int refreshed[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    tables[i]->Open();
    tables[i]->AfterRefresh = [&refreshed, i](TDataSet*) { ++refreshed[i]; };
  }
  EXPECT_EQ(WalkField(*tables[1], "NAME"), (std::vector<std::string>{"b1"}));

  // The first table fails its refresh: the others are refreshed all the
  // same, and the failure reaches the caller.
  tables[0]->BeforeRefresh = [](TDataSet*) { throw EXbError("refresh refused"); };
  EXPECT_EQ(ErrorOf([&] { env->SetDeleted(false); }), "refresh refused");
  EXPECT_EQ(refreshed[0], 0);
  EXPECT_EQ(refreshed[1], 1);
  EXPECT_EQ(refreshed[2], 1);
  tables[1]->First();
  EXPECT_EQ(WalkField(*tables[1], "NAME"), (std::vector<std::string>{"b1", "b2"}));
  tables[0]->BeforeRefresh = nullptr;

  // Without AutoRefresh nothing is refreshed.
  env->SetAutoRefresh(false);
  env->SetDeleted(true);
  EXPECT_EQ(refreshed[1], 1);
  env->SetAutoRefresh(true);
  env->SetCentury(true);
  EXPECT_EQ(refreshed[0], 1);
  EXPECT_EQ(refreshed[2], 2);

  // A table opened now takes the component's settings.
  env->SetEpoch(1950);
  tables[2]->Close();
  xbe::xb_SetEpoch(1980);
  tables[2]->Open();
  EXPECT_EQ(EngineEpoch(), 1950);
}

TEST_F(Env, AliasesAndTheDatabaseList) {
  MakeTable(dir.Path(), "RMSPOOL.DBF", {{"SUBDIR", 'C', 8}}, {{"P1"}});
  const int before = XbDatabaseList().Count();
  {
    TDataModule module(nullptr);
    auto* labels = new TXbDatabase(&module);
    labels->DataPath = dir.Path();
    labels->DataPathAlias = "Labels";
    auto* other = new TXbDatabase(&module);
    other->DataPathAlias = "OTHER";
    EXPECT_EQ(XbDatabaseList().Count(), before + 2);
    EXPECT_GE(XbDatabaseList().IndexOf(labels), 0);

    auto* t = new TXbTable(&module);
    t->SetDatabaseName("LABELS");  // an alias matches without regard to case
    t->SetTableName("RMSPOOL.DBF");
    t->Open();
    EXPECT_EQ(t->FieldByName("SUBDIR")->AsString(), "P1");
    t->Close();

    delete other;
    EXPECT_EQ(XbDatabaseList().Count(), before + 1);
    EXPECT_LT(XbDatabaseList().IndexOf(other), 0);

    // Taken out of its owner it leaves the list; put back it joins again.
    module.RemoveComponent(labels);
    EXPECT_LT(XbDatabaseList().IndexOf(labels), 0);
    module.InsertComponent(labels);
    EXPECT_GE(XbDatabaseList().IndexOf(labels), 0);
  }
  // Freed with its module, the last one leaves the list too.
  EXPECT_EQ(XbDatabaseList().Count(), before);
  {
    TXbDatabase alone(nullptr);
    new TXbDatabase(&alone);  // owned by a database: listed through its owner
  }
  EXPECT_EQ(XbDatabaseList().Count(), before);

  EXPECT_EQ(ErrorOf([] { XbDatabaseList().Free(); }), "Cannot manually destroy a TapdbStringList");
  EXPECT_EQ(XbDatabaseList().Count(), before);
}

TEST_F(Env, BothComponentsLoadFromAFormResource) {
  MakeTable(dir.Path(), "LBLPRDEF.DBF", {{"DAY", 'D', 8}}, {{"20091224"}});
  TResourceRoot root(nullptr);
  const String text = "object Root: TResourceRoot\n"
                      "  object XbEnv1: TXbEnv\n"
                      "    ApplyTo = [atLocal]\n"
                      "    Century = False\n"
                      "    DateFormat = dfGerman\n"
                      "    Epoch = 1950\n"
                      "    SoftSeek = True\n"
                      "    LockTimeOut = 5\n"
                      "  end\n"
                      "  object dbLabels: TXbDatabase\n"
                      "    DataPath = '" + dir.Path() + "'\n"
                      "    DataPathAlias = 'LABELS'\n"
                      "  end\n"
                      "  object tblDef: TXbTable\n"
                      "    DatabaseName = 'LABELS'\n"
                      "    TableName = 'LBLPRDEF.DBF'\n"
                      "    Active = True\n"
                      "  end\n"
                      "end\n";
  ReadComponentResource(&root, text);
  auto* env = dynamic_cast<TXbEnv*>(root.FindComponent("XbEnv1"));
  ASSERT_NE(env, nullptr);
  EXPECT_FALSE(env->Century());
  EXPECT_EQ(env->DateFormat(), dfGerman);
  EXPECT_EQ(env->Epoch(), 1950);
  EXPECT_TRUE(env->SoftSeek());
  EXPECT_EQ(env->LockTimeOut(), 5);
  EXPECT_TRUE(EngineSoftSeek());
  EXPECT_EQ(EngineLockTimeout(), 5);
  EXPECT_EQ(xbe::xb_GetDateFormat(), 4);
  EXPECT_EQ(ShortDateFormat(), "dd.mm.yy");
  auto* db = dynamic_cast<TXbDatabase*>(root.FindComponent("dbLabels"));
  ASSERT_NE(db, nullptr);
  EXPECT_GE(XbDatabaseList().IndexOf(db), 0);
  auto* t = dynamic_cast<TXbTable*>(root.FindComponent("tblDef"));
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(t->Active());
  EXPECT_EQ(t->FieldByName("DAY")->AsString(), "24.12.09");
  EXPECT_EQ(EngineEpoch(), 1950);
}
