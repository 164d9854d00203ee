#include <gtest/gtest.h>

#include "platform/system/DynLib.h"
#include "platform/system/Paths.h"
#include "platform/system/tests/TempDir.h"

using namespace sys;

TEST(DynLib, MapsDllNamesToSharedObjects) {
  EXPECT_EQ(DynLib::MapLibraryName("XBE61.DLL"), "libxbe61.so");
  EXPECT_EQ(DynLib::MapLibraryName("XbCrypt.dll"), "libxbcrypt.so");
  EXPECT_EQ(DynLib::MapLibraryName("XBE61"), "libxbe61.so");
  EXPECT_EQ(DynLib::MapLibraryName("LibFoo.DLL"), "libfoo.so");
  EXPECT_EQ(DynLib::MapLibraryName("/opt/x/Engine.DLL"), "/opt/x/libengine.so");
  EXPECT_EQ(DynLib::MapLibraryName("libm.so.6"), "libm.so.6");
  EXPECT_EQ(DynLib::MapLibraryName("libz.so"), "libz.so");
}

TEST(DynLib, LoadsNextToTheExecutableAndLooksUpSymbols) {
  DynLib lib;
  ASSERT_TRUE(lib.Load("TWDYNTEST.DLL")) << lib.LastError();
  EXPECT_EQ(lib.FileName(), BaseDir() + "libtwdyntest.so");
  auto answer = reinterpret_cast<int (*)()>(lib.Symbol("tw_test_answer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);

  EXPECT_EQ(lib.Symbol("tw_no_such_entry"), nullptr);
  EXPECT_NE(lib.LastError().find("tw_no_such_entry"), std::string::npos);

  DynLib moved = std::move(lib);
  EXPECT_FALSE(lib.Loaded());
  EXPECT_EQ(lib.Symbol("tw_test_answer"), nullptr);
  ASSERT_TRUE(moved.Loaded());
  EXPECT_NE(moved.Symbol("tw_test_answer"), nullptr);
  moved.Free();
  EXPECT_FALSE(moved.Loaded());
  EXPECT_EQ(moved.Symbol("tw_test_answer"), nullptr);
}

TEST(DynLib, ExplicitDirectoryAndSystemPath) {
  DynLib lib;
  ASSERT_TRUE(lib.LoadFrom(BaseDir(), "twdyntest.dll")) << lib.LastError();
  TempDir empty;
  EXPECT_FALSE(lib.LoadFrom(empty.Path(), "TWDYNTEST.DLL"));
  EXPECT_FALSE(lib.Loaded());  // the failed load released the earlier one
  EXPECT_NE(lib.LastError().find("libtwdyntest.so"), std::string::npos);

  EXPECT_FALSE(lib.Load("TW_NOT_THERE.DLL"));
  EXPECT_FALSE(lib.LastError().empty());
  // Not beside the executable: found through the system's library path.
  ASSERT_TRUE(lib.Load("libm.so.6")) << lib.LastError();
  EXPECT_NE(lib.Symbol("cos"), nullptr);
}
