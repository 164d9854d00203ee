#include <gtest/gtest.h>

#include <filesystem>

#include "class_library/core/DateTime.h"
#include "class_library/core/FormatSettings.h"
#include "class_library/core/Streams.h"
#include "class_library/core/Variant.h"
#include "class_library/tests/FormatSettingsGuard.h"
#include "platform/system/tests/TempDir.h"

namespace {



String Contents(TMemoryStream& s) { return String(s.Memory(), static_cast<size_t>(s.Size())); }

TEST(Streams, MemoryStreamPositionsAndGaps) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  EXPECT_EQ(m.Position(), 5);
  EXPECT_EQ(m.Size(), 5);
  m.Seek(-2, soEnd);
  m.WriteBuffer("LOWORLD", 7);
  EXPECT_EQ(Contents(m), "helLOWORLD");
  // Writing past the end fills the gap with zeros.
  m.Seek(2, soEnd);
  m.WriteBuffer("!", 1);
  EXPECT_EQ(Contents(m), String("helLOWORLD\0\0!", 13));
  // Seeking before the start stops at 0.
  EXPECT_EQ(m.Seek(-100, soCurrent), 0);
  char buf[4] = {};
  EXPECT_EQ(m.Read(buf, 3), 3);
  EXPECT_EQ(String(buf, 3), "hel");
  m.SetSize(2);
  EXPECT_EQ(m.Position(), 2);
  EXPECT_EQ(m.Read(buf, 3), 0);
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
}

TEST(Streams, StringStreamAndCopyFrom) {
  TStringStream s("abcdef");
  EXPECT_EQ(s.ReadString(2), "ab");
  s.WriteString("XY");
  EXPECT_EQ(s.DataString(), "abXYef");
  EXPECT_EQ(s.ReadString(100), "ef");
  s.SetSize(3);
  EXPECT_EQ(s.DataString(), "abX");

  TMemoryStream m;
  s.SetPosition(1);
  EXPECT_EQ(m.CopyFrom(s, 2), 2);
  EXPECT_EQ(Contents(m), "bX");
  // Count 0 copies all of the source from its start.
  s.SetPosition(3);
  m.CopyFrom(s, 0);
  EXPECT_EQ(Contents(m), "bXabX");
  // Asking for more than the source holds fails rather than copying half silently.
  s.SetPosition(2);
  EXPECT_THROW(m.CopyFrom(s, 5), EReadError);

  // A copy larger than the internal buffer.
  TStringStream big(String(200000, 'q'));
  TMemoryStream target;
  EXPECT_EQ(target.CopyFrom(big, 0), 200000);
  EXPECT_EQ(Contents(target), String(200000, 'q'));
}

TEST(Streams, FileStreamModesAndErrors) {
  TempDir dir;
  const String path = dir.File("Data.BIN");
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer("0123456789", 10);
    EXPECT_EQ(f.Size(), 10);
    f.SetSize(4);
    EXPECT_EQ(f.Position(), 4);
    EXPECT_EQ(f.FileName(), path);
  }
  EXPECT_EQ(dir.Get("Data.BIN"), "0123");
  {
    // Opening ignores case and reads what is there.
    TFileStream f(dir.File("data.bin"), fmOpenRead | fmShareDenyNone);
    char buf[8] = {};
    EXPECT_EQ(f.Read(buf, 8), 4);
    EXPECT_EQ(String(buf, 4), "0123");
    EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
  }
  {
    TFileStream f(dir.File("DATA.bin"), fmOpenReadWrite);
    f.Seek(0, soEnd);
    f.WriteBuffer("45", 2);
  }
  EXPECT_EQ(dir.Get("Data.BIN"), "012345");
  {
    // fmCreate on an existing name in other case empties that file, not a new one.
    TFileStream f(dir.File("data.BIN"), fmCreate);
  }
  EXPECT_EQ(dir.Get("Data.BIN"), "");
  EXPECT_FALSE(std::filesystem::exists(dir.File("data.BIN")));

  try {
    TFileStream f(dir.File("absent"), fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(String(e.what()).rfind("Cannot open file \"" + dir.File("absent") + "\". ", 0), 0u);
  }
  EXPECT_THROW(TFileStream(dir.File("x/y"), fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(dir.File(""), fmOpenRead), EFOpenError);  // a directory

  TMemoryStream m;
  m.WriteBuffer("mem", 3);
  m.SaveToFile(dir.File("m.bin"));
  TMemoryStream back;
  back.LoadFromFile(dir.File("M.BIN"));
  EXPECT_EQ(Contents(back), "mem");
  EXPECT_EQ(back.Position(), 0);
  EXPECT_THROW(back.LoadFromFile(dir.File("none")), EFOpenError);
  EXPECT_EQ(Contents(back), "mem");
  EXPECT_THROW(m.SaveToFile(dir.File("no/dir")), EFCreateError);
}

TEST(Variant, KindsAndConversions) {
  FormatSettingsGuard settings{TFormatSettings()};
  Variant empty;
  EXPECT_TRUE(VarIsEmpty(empty));
  EXPECT_TRUE(VarIsClear(empty));
  EXPECT_EQ(empty.AsString(), "");
  EXPECT_EQ(empty.AsInteger(), 0);

  const Variant null = Null();
  EXPECT_TRUE(VarIsNull(null));
  EXPECT_EQ(VarToStr(null), "");
  try {
    null.AsInteger();
    FAIL();
  } catch (const EVariantError& e) {
    EXPECT_STREQ(e.what(), "Could not convert variant of type (Null) into type (Int64)");
  }
  EXPECT_THROW(null.AsString(), EVariantError);

  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant(42).VarType(), varInt64);
  EXPECT_EQ(Variant(42).AsString(), "42");
  EXPECT_DOUBLE_EQ(Variant(42).AsFloat(), 42);
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // halves round to even
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(1.25).AsString(), "1.25");
  EXPECT_EQ(Variant(" 17").AsInteger(), 17);
  EXPECT_EQ(Variant("2.6").AsInteger(), 3);
  EXPECT_DOUBLE_EQ(Variant("2.5").AsFloat(), 2.5);
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_THROW(Variant("abc").AsInteger(), EVariantError);
  EXPECT_THROW(Variant("abc").AsBoolean(), EVariantError);
  EXPECT_THROW(Variant(1e300).AsInteger(), EVariantError);

  const Variant date = VarFromDateTime(EncodeDate(2026, 12, 9) + EncodeTime(4, 22, 57, 0));
  EXPECT_EQ(date.VarType(), varDate);
  EXPECT_EQ(date.AsString(), "12/9/2026 4:22:57 AM");
  EXPECT_EQ(VarFromDateTime(EncodeDate(2026, 12, 9)).AsString(), "12/9/2026");
  EXPECT_EQ(Variant("12/9/2026").AsDateTime(), EncodeDate(2026, 12, 9));
  EXPECT_THROW(Variant("not a date").AsDateTime(), EVariantError);
  EXPECT_THROW(Variant(true).AsDateTime(), EVariantError);
}

TEST(Variant, Arrays) {
  Variant a = VarArrayOf({1, "two", Null()});
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(a.VarType(), varArray | varVariant);
  EXPECT_EQ(a.ArrayCount(), 3);
  EXPECT_EQ(VarArrayHighBound(a), 2);
  EXPECT_EQ(a[1].AsString(), "two");
  EXPECT_TRUE(VarIsNull(a[2]));
  a[0] = 5;
  EXPECT_EQ(a[0].AsInteger(), 5);
  EXPECT_THROW(a[3], EVariantError);
  EXPECT_THROW(a[-1], EVariantError);
  EXPECT_THROW(a.AsString(), EVariantError);
  EXPECT_THROW(Variant(1).ArrayCount(), EVariantError);
  EXPECT_TRUE(VarArrayOf({1, "x"}) == VarArrayOf({1, "x"}));
  EXPECT_FALSE(Variant(1) == Variant(1.0));
}

}  // namespace
