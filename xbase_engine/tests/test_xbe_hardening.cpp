// Numbers that are not numbers, tables cut short under their readers,
// records that change between two calls, and appenders of different lock
// styles.
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

class XbeHardening : public ::testing::Test {
 protected:
  void SetUp() override {
    xb_FinalizeSession();
    xb_SetLockTimeout(0);
  }
  void TearDown() override { xb_FinalizeSession(); }
  ScratchDir dir;
};

short OpenShared(const std::string& path) {
  return xb_UseEx(path.c_str(), "", XB_OPEN_SHARED, XB_TYPE_NTX, XB_COMMIT_NORMAL);
}

// Writes text over the field's bytes in the current record.
void PutRaw(const char* field, const std::string& text) {
  std::vector<char> image(static_cast<size_t>(xb_RecSize()));
  xb_GetRecord(image.data());
  const size_t at = size_t(xb_FieldOffset(field) - 1);
  const size_t width = xb_FieldWidth(field);
  std::string padded = text;
  padded.resize(width, ' ');
  std::memcpy(&image[at], padded.data(), width);
  xb_PutRecord(image.data());
}

}  // namespace

TEST_F(XbeHardening, NumberTextThatIsNoNumberReadsAsZero) {
  const std::string path = dir.File("NUMS.DBF");
  ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, false));
  ASSERT_GT(OpenShared(path), 0);
  AppendNumbered(1);
  for (const char* text : {"  nan", "  inf", " -inf", "12abc", "1e999", "*****", "1 2"}) {
    PutRaw("QTY", text);
    EXPECT_EQ(xb_GetDouble("QTY"), 0.0) << text;
    EXPECT_EQ(xb_GetInteger("QTY"), 0) << text;
    EXPECT_FALSE(xb_IsNull("QTY")) << text;
  }
  PutRaw("QTY", "99999");
  EXPECT_EQ(xb_GetInteger("QTY"), 99999);
  PutRaw("QTY", " -1.5");
  EXPECT_EQ(xb_GetDouble("QTY"), -1.5);
  EXPECT_EQ(xb_GetInteger("QTY"), -1);
  // The same reading decides what may be stored.
  xb_PutString("QTY", "12abc");
  EXPECT_STREQ(xb_GetTrimString("QTY"), " -1.5");
  xb_PutString("QTY", "nan");
  EXPECT_STREQ(xb_GetTrimString("QTY"), " -1.5");
  xb_PutString("QTY", " 7 ");
  EXPECT_EQ(xb_GetInteger("QTY"), 7);
}

TEST_F(XbeHardening, WholeNumbersBeyondTheIntRangeAnswerTheNearestBound) {
  const std::string path = dir.File("BIG.DBF");
  ASSERT_GT(xb_CreateNew(path.c_str(), "BIG", XB_TYPE_NTX, 1), 0);
  xb_CreateField("N", "N", 25, 0);
  ASSERT_GT(xb_CreateExec(), 0);
  xb_AppendBlank();
  xb_PutString("N", "99999999999999999999999");
  EXPECT_EQ(xb_GetInteger("N"), INT32_MAX);
  xb_PutString("N", "-99999999999999999999999");
  EXPECT_EQ(xb_GetInteger("N"), INT32_MIN);
  xb_PutString("N", "-2147483648");
  EXPECT_EQ(xb_GetInteger("N"), INT32_MIN);
}
