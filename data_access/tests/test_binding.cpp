// The engine and add-on bindings, each case in a directory of its own:
//   1: no engine library anywhere near the program;
//   2: an engine library that lacks one entry point;
//   3: a complete stand-in engine that counts the calls the binder makes;
//   4: a stand-in engine that records what a table asks its open for.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "class_library/loop/Application.h"
#include "data_access/IntCrypt.h"
#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"
#include "platform/system/MessageBox.h"

namespace {

struct Box {
  std::string text;
  int kind;
  int buttons;
};

// Captures every message box for the life of the object.
class BoxRecorder {
public:
  BoxRecorder() {
    sys::SetMessageBoxSink([this](const std::string&, const std::string& text, int kind, int buttons, int) {
      boxes.push_back({text, kind, buttons});
      return sys::mbOK;
    });
  }
  ~BoxRecorder() { sys::SetMessageBoxSink({}); }
  std::vector<Box> boxes;
};

[[maybe_unused]] bool AllEntryPointsNull() {
  bool allNull = true;
#define CHECK_NULL(name) allNull = allNull && xbe::name == nullptr;
  XB_ENTRY_POINTS(CHECK_NULL)
#undef CHECK_NULL
  return allNull;
}

[[maybe_unused]] void ExpectFailedLoad(TXbEngine& engine, BoxRecorder& rec) {
  EXPECT_FALSE(engine.LoadEngine());
  EXPECT_FALSE(engine.Loaded());
  EXPECT_FALSE(engine.Handle().Loaded());
  EXPECT_TRUE(AllEntryPointsNull());
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text, "Unable to load required xBase DLL: XBE61.DLL");
  EXPECT_EQ(rec.boxes[0].kind, sys::mbError);
  EXPECT_EQ(rec.boxes[0].buttons, sys::mbOK);
  EXPECT_TRUE(Application()->Terminated());
}

}  // namespace

#if TW_BINDING_CASE == 1

TEST(EngineBinding, MissingLibraryShowsTheErrorAndAsksToTerminate) {
  BoxRecorder rec;
  TXbEngine engine;
  ExpectFailedLoad(engine, rec);
}

TEST(EngineBinding, EnsureEngineLoadedReportsAMissingEngine) {
  BoxRecorder rec;
  EXPECT_FALSE(EnsureEngineLoaded());
  EXPECT_FALSE(EngineLoaded());
  EXPECT_EQ(rec.boxes.size(), 1u);
}

TEST(EngineBinding, ClosedTableStepsNeverReachForTheEngine) {
  BoxRecorder rec;
  TXbTable t(nullptr);
  t.Cancel();
  EXPECT_FALSE(t.Flock());
  t.Close();
  t.Close();
  EXPECT_EQ(t.RecCount(), 0);
  EXPECT_TRUE(rec.boxes.empty());
  EXPECT_FALSE(EngineLoaded());
}

TEST(EngineBinding, CancelOnAClosedTableMakesNoEngineCall) {
  // Any engine call here would try to load the engine and show its message.
  BoxRecorder rec;
  TXbTable t(nullptr);
  t.SetDatabaseName("/tmp/");
  t.SetTableName("ANY.DBF");
  EXPECT_NO_THROW(t.Cancel());
  EXPECT_TRUE(rec.boxes.empty());
  // Nor after an open that failed for want of the engine.
  EXPECT_THROW(t.Open(), EXbError);
  rec.boxes.clear();
  EXPECT_NO_THROW(t.Cancel());
  EXPECT_EQ(t.State(), dsInactive);
  EXPECT_TRUE(rec.boxes.empty());
  EXPECT_FALSE(EngineLoaded());
}

TEST(EngineBinding, OpeningATableWithoutAnEngineFailsCleanly) {
  BoxRecorder rec;
  TXbTable t(nullptr);
  t.SetDatabaseName("/tmp/");
  t.SetTableName("ANY.DBF");
  EXPECT_THROW(t.Open(), EXbError);
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(rec.boxes.size(), 1u);
}

TEST(CryptBinding, MissingAddOnShowsItsOwnErrorAndAsksToTerminate) {
  BoxRecorder rec;
  LoadCryptLibrary();
  EXPECT_FALSE(CryptLoaded());
  EXPECT_EQ(CompressStream, nullptr);
  ASSERT_EQ(rec.boxes.size(), 1u);
  EXPECT_EQ(rec.boxes[0].text.rfind("Missing required XbCrypt.DLL.", 0), 0u);
  EXPECT_EQ(rec.boxes[0].kind, sys::mbError);
  EXPECT_EQ(rec.boxes[0].buttons, sys::mbOK);
  EXPECT_TRUE(Application()->Terminated());
}

#elif TW_BINDING_CASE == 2

TEST(EngineBinding, LibraryLackingOneNameIsRefusedAndReleased) {
  BoxRecorder rec;
  TXbEngine engine;
  ExpectFailedLoad(engine, rec);
}

TEST(EngineBinding, RetryAfterAFailureTriesTheLibraryAgain) {
  BoxRecorder rec;
  TXbEngine engine;
  EXPECT_FALSE(engine.LoadEngine());
  EXPECT_FALSE(engine.LoadEngine());
  EXPECT_EQ(rec.boxes.size(), 2u);
}

#elif TW_BINDING_CASE == 3

namespace {
int Counter(const TXbEngine& engine, const char* name) {
  auto* p = static_cast<int*>(engine.Handle().Symbol(name));
  return p ? *p : -100;
}
}  // namespace

TEST(EngineBinding, CompleteLibraryBindsEveryNameAndSetsTheStringTypeOnce) {
  BoxRecorder rec;
  TXbEngine engine;
  ASSERT_TRUE(engine.LoadEngine());
  EXPECT_TRUE(engine.Loaded());
#define CHECK_BOUND(name) EXPECT_NE(xbe::name, nullptr) << #name;
  XB_ENTRY_POINTS(CHECK_BOUND)
#undef CHECK_BOUND
  EXPECT_EQ(Counter(engine, "fake_SetStringTypeCalls"), 1);
  EXPECT_EQ(Counter(engine, "fake_SetStringTypeLast"), 1);
  // A second load touches nothing.
  EXPECT_TRUE(engine.LoadEngine());
  EXPECT_EQ(Counter(engine, "fake_SetStringTypeCalls"), 1);
  EXPECT_TRUE(rec.boxes.empty());
  EXPECT_FALSE(Application()->Terminated());

  engine.UnloadEngine();
  EXPECT_FALSE(engine.Loaded());
  EXPECT_FALSE(engine.Handle().Loaded());
  EXPECT_TRUE(AllEntryPointsNull());
}

TEST(EngineBinding, UnloadOfANeverLoadedEngineOnlyClearsItsState) {
  TXbEngine engine;
  engine.UnloadEngine();
  EXPECT_FALSE(engine.Loaded());
  EXPECT_FALSE(engine.Handle().Loaded());
}

TEST(EngineBinding, EnsureEngineLoadedBindsOnceForTheProcess) {
  BoxRecorder rec;
  EXPECT_FALSE(EngineLoaded());
  EXPECT_TRUE(EnsureEngineLoaded());
  EXPECT_TRUE(EnsureEngineLoaded());
  EXPECT_TRUE(EngineLoaded());
  EXPECT_EQ(Counter(*XbEngine(), "fake_SetStringTypeCalls"), 1);
  // Unloading the engine object does not reset the process-wide flag.
  XbEngine()->UnloadEngine();
  EXPECT_TRUE(EngineLoaded());
}

#elif TW_BINDING_CASE == 4

namespace {
template <typename T>
T& Recorded(const char* name) {
  auto* p = static_cast<T*>(XbEngine()->Handle().Symbol(name));
  if (!p) throw std::runtime_error(std::string("not recorded: ") + name);
  return *p;
}
}  // namespace

TEST(EngineBinding, TableOpenHandsTheEngineItsPathAliasModeTypeAndCommitLevel) {
  BoxRecorder rec;
  char dirTemplate[] = "/tmp/tw_da_openXXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const std::string dir = std::string(dirTemplate) + "/";
  const std::string file = dir + "LOCKSPL.DBF";
  std::FILE* f = std::fopen(file.c_str(), "w");  // only has to exist
  ASSERT_NE(f, nullptr);
  std::fclose(f);

  struct Case {
    TXbTableType type;
    bool readOnly, exclusive;
    TXbCommitLevel commit;
    int typeCode, openMode;
  } cases[] = {{ttSXNTX, true, false, clNormal, 1, 1},
               {ttSXFOX, false, false, clFull, 2, 0},
               {ttSXNSX, false, true, clNone, 3, 2},
               {ttSXNSX_DBT, true, true, clNormal, 4, 2}};
  int calls = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typeCode);
    TXbTable t(nullptr);
    t.SetDatabaseName(dir);
    t.SetTableName("LOCKSPL.DBF");
    t.SetTableType(c.type);
    t.SetReadOnly(c.readOnly);
    t.SetExclusive(c.exclusive);
    t.SetCommitLevel(c.commit);
    EXPECT_THROW(t.Open(), EXbError);  // this engine refuses every open
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(Recorded<int>("fake_UseExCalls"), ++calls);
    EXPECT_STREQ(&Recorded<char>("fake_UseExPath"), file.c_str());
    EXPECT_STREQ(&Recorded<char>("fake_UseExAlias"), "LOCKSPL");
    EXPECT_EQ(Recorded<int>("fake_UseExTableType"), c.typeCode);
    EXPECT_EQ(Recorded<int>("fake_UseExOpenMode"), c.openMode);
    EXPECT_EQ(Recorded<int>("fake_UseExCommitLevel"), static_cast<int>(c.commit));
  }
  EXPECT_TRUE(rec.boxes.empty());
  std::remove(file.c_str());
  rmdir(dirTemplate);
}

#endif
