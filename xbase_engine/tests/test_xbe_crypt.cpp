// Encrypted tables through the entry points: masked and decrypted reads, a
// wrong password writes nothing, whole-table round trips read by an outside
// reader, and loose buffers.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/system/tests/CommandOutput.h"
#include "xbase_engine/tests/EngineTestUtil.h"

using namespace xbetest;

namespace {

std::vector<std::string> g_errors;
void OnError(int, const char* message) { g_errors.emplace_back(message); }

class XbeCrypt : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    xb_SetErrorFunc(OnError);
    g_errors.clear();
    path = dir.File("PEOPLE.DBF");
    memo = dir.File("PEOPLE.DBT");
    ASSERT_TRUE(MakeTable(path, XB_TYPE_NTX, true));
    ASSERT_GT(Open(XB_OPEN_EXCLUSIVE), 0);
    const char* names[] = {"Anna", "Bert", "Cleo"};
    for (int i = 0; i < 3; ++i) {
      xb_AppendBlank();
      xb_PutString("NAME", names[i]);
      xb_PutInteger("QTY", (i + 1) * 10);
      xb_PutString("DAY", "20091224");
      xb_PutLogical("OK", 1);
      xb_PutMemo("NOTES", (std::string("note of ") + names[i]).c_str());
    }
    xb_Commit();
  }

  short Open(int mode) { return xb_UseEx(path.c_str(), "", short(mode), XB_TYPE_NTX, XB_COMMIT_NORMAL); }

  // Encrypts the open (exclusive) table with password "pw" and closes it.
  void Encrypt() {
    xb_SetPassword("pw");
    ASSERT_EQ(xb_DbfEncrypt(), 1) << (g_errors.empty() ? "" : g_errors.back());
    xb_Close();
  }

  static bool Contains(const std::vector<unsigned char>& bytes, const std::string& text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
  }

  std::string path, memo;
};

}  // namespace

TEST_F(XbeCrypt, EncryptionHidesTheDataAndThePasswordShowsIt) {
  const int plainSize = xb_RecSize();
  Encrypt();
  const auto bytes = ReadAll(path);
  EXPECT_EQ(bytes[15], 0x01) << "header flag";
  for (const char* secret : {"Anna", "Bert", "Cleo", "20091224"}) EXPECT_FALSE(Contains(bytes, secret)) << secret;
  EXPECT_FALSE(Contains(ReadAll(memo), "note of")) << "plain memo texts are wiped";

  ASSERT_GT(Open(XB_OPEN_SHARED), 0);
  EXPECT_NE(xb_IsEncrypted(0), 0);
  EXPECT_NE(xb_IsEncrypted(1), 0);
  EXPECT_EQ(xb_FieldCount(), 5) << "the crypt field stays hidden";
  EXPECT_EQ(xb_RecSize(), plainSize + 40);
  xb_SetPassword("pw");
  EXPECT_TRUE(g_errors.empty());
  xb_GoTop();
  EXPECT_STREQ(xb_GetTrimString("NAME"), "Anna");
  EXPECT_EQ(xb_GetInteger("QTY"), 10);
  char* note = xb_GetMemo("NOTES", 0);
  ASSERT_NE(note, nullptr);
  EXPECT_STREQ(note, "note of Anna");
  xb_MemDealloc(note);
  xb_Skip(1);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "Bert");
  xb_GoBottom();
  EXPECT_STREQ(xb_GetTrimString("NAME"), "Cleo");
  // Filters test the decrypted values of the records they pass over.
  ASSERT_NE(xb_SetFilter("QTY > 15 .AND. NAME <> \"Cleo\""), 0);
  xb_GoTop();
  EXPECT_STREQ(xb_GetTrimString("NAME"), "Bert");
  xb_Skip(1);
  EXPECT_NE(xb_Eof(), 0);
}

TEST_F(XbeCrypt, WithoutThePasswordFieldsAreMaskedAndNothingIsWritten) {
  Encrypt();
  const auto tableBefore = ReadAll(path);
  const auto memoBefore = ReadAll(memo);
  ASSERT_GT(Open(XB_OPEN_SHARED), 0);
  xb_GoTop();
  EXPECT_STREQ(xb_GetString("NAME"), "**********");
  EXPECT_EQ(xb_GetInteger("QTY"), 0);
  EXPECT_EQ(xb_GetDateJulian("DAY"), 0);
  EXPECT_EQ(xb_GetMemo("NOTES", 0), nullptr);
  std::vector<unsigned char> image(static_cast<size_t>(xb_RecSize()));
  xb_GetRecord(image.data());
  EXPECT_EQ(std::string(image.begin() + 1, image.begin() + 11), "**********");
  EXPECT_EQ(xb_RecCount(), 3);

  // Without a key, then with a wrong one: every change is refused.
  for (const char* password : {"", "wrong"}) {
    g_errors.clear();
    xb_SetPassword(password);
    if (*password) {
      EXPECT_FALSE(g_errors.empty()) << "a wrong password is reported";
    }
    EXPECT_STREQ(xb_GetString("NAME"), "**********");
    g_errors.clear();
    xb_PutString("NAME", "Mallory");
    xb_PutRecord(image.data());
    xb_Delete();
    xb_AppendBlank();
    EXPECT_EQ(xb_AppendEx(image.data()), 0);
    xb_Commit();
    EXPECT_EQ(g_errors.size(), 5u);
  }
  xb_Close();
  ASSERT_GT(Open(XB_OPEN_EXCLUSIVE), 0);
  EXPECT_EQ(xb_Pack(), 0);
  EXPECT_EQ(xb_Zap(), 0);
  xb_Close();
  EXPECT_EQ(ReadAll(path), tableBefore);
  EXPECT_EQ(ReadAll(memo), memoBefore);
}

TEST_F(XbeCrypt, ChangesAreSealedAnewAndReadBack) {
  Encrypt();
  ASSERT_GT(Open(XB_OPEN_SHARED), 0);
  xb_SetPassword("pw");
  xb_Go(2);
  const int recSize = xb_RecSize();
  const auto recordBytes = [&] {
    const auto all = ReadAll(path);
    const size_t headerLen = size_t(all[8] | all[9] << 8);
    return std::vector<unsigned char>(all.begin() + long(headerLen) + recSize, all.begin() + long(headerLen) + 2 * recSize);
  };
  xb_PutString("NAME", "Bertha");
  xb_Commit();
  const auto first = recordBytes();
  xb_PutString("NAME", "Bertha");  // the same value once more
  xb_Commit();
  const auto second = recordBytes();
  EXPECT_NE(std::vector<unsigned char>(first.begin() + 1, first.begin() + 11),
            std::vector<unsigned char>(second.begin() + 1, second.begin() + 11))
      << "a rewrite must use a new nonce";
  xb_AppendBlank();
  xb_PutString("NAME", "Dora");
  xb_PutMemo("NOTES", "new note");
  xb_Close();

  EXPECT_FALSE(Contains(ReadAll(path), "Dora"));
  EXPECT_FALSE(Contains(ReadAll(memo), "new note"));
  ASSERT_GT(Open(XB_OPEN_SHARED), 0);
  xb_SetPassword("pw");
  xb_Go(2);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "Bertha");
  xb_Go(4);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "Dora");
  char* note = xb_GetMemo("NOTES", 0);
  ASSERT_NE(note, nullptr);
  EXPECT_STREQ(note, "new note");
  xb_MemDealloc(note);
}

TEST_F(XbeCrypt, AnAlteredRecordIsMaskedAndNotOverwritten) {
  Encrypt();
  auto bytes = ReadAll(path);
  const size_t headerLen = size_t(bytes[8] | bytes[9] << 8);
  bytes[headerLen + 3] ^= 0x01;  // inside record 1's NAME
  WriteAll(path, bytes);
  ASSERT_GT(Open(XB_OPEN_SHARED), 0);
  xb_SetPassword("pw");
  xb_GoTop();
  EXPECT_STREQ(xb_GetString("NAME"), "**********");
  g_errors.clear();
  xb_PutString("QTY", "5");
  EXPECT_EQ(g_errors.size(), 1u);
  xb_Skip(1);
  EXPECT_STREQ(xb_GetTrimString("NAME"), "Bert") << "the other records are intact";
  xb_Close();
  EXPECT_EQ(ReadAll(path), bytes);
}

TEST_F(XbeCrypt, DecryptionGivesATableOthersRead) {
  Encrypt();
  ASSERT_GT(Open(XB_OPEN_EXCLUSIVE), 0);
  EXPECT_EQ(xb_DbfDecrypt(), 0) << "not without the password";
  xb_SetPassword("pw");
  xb_Go(3);
  ASSERT_EQ(xb_DbfDecrypt(), 1) << (g_errors.empty() ? "" : g_errors.back());
  EXPECT_EQ(xb_IsEncrypted(0), 0);
  EXPECT_EQ(xb_RecNo(), 3) << "still open on the same record";
  EXPECT_STREQ(xb_GetTrimString("NAME"), "Cleo");
  xb_Close();
  const auto bytes = ReadAll(path);
  EXPECT_EQ(bytes[15], 0x00);
  EXPECT_TRUE(Contains(bytes, "Anna"));

  if (!HavePythonModule("dbf")) GTEST_SKIP() << "python3-dbf not installed";
  std::ofstream(dir.File("read.py")) << "import dbf\n"
                                        "t = dbf.Table('" + path + "')\n"
                                        "t.open()\n"
                                        "for r in t:\n"
                                        "    print('%s|%d|%s' % (r.name.strip(), r.qty, r.notes.strip()))\n";
  EXPECT_EQ(CommandOutput("/usr/bin/python3 " + dir.File("read.py")), "Anna|10|note of Anna\nBert|20|note of Bert\nCleo|30|note of Cleo\n");
}

TEST_F(XbeCrypt, TheConvertedTableKeepsItsPermissionsAndOwner) {
  // Root can give the file away: then the owner and group must stay too.
  const passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
  if (nobody) {
    ASSERT_EQ(chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  }
  struct Step {
    mode_t mode;
    int (*convert)();
  } steps[] = {{0664, xb_DbfEncrypt}, {0640, xb_DbfDecrypt}};
  xb_SetPassword("pw");
  for (const Step& s : steps) {
    ASSERT_EQ(chmod(path.c_str(), s.mode), 0);
    struct stat was {};
    ASSERT_EQ(stat(path.c_str(), &was), 0);
    ASSERT_EQ(s.convert(), 1) << (g_errors.empty() ? "" : g_errors.back());
    struct stat now {};
    ASSERT_EQ(stat(path.c_str(), &now), 0);
    EXPECT_NE(now.st_ino, was.st_ino) << "a new file took the table's place";
    EXPECT_EQ(now.st_mode & 07777, s.mode);
    EXPECT_EQ(now.st_uid, was.st_uid);
    EXPECT_EQ(now.st_gid, was.st_gid);
  }
}

TEST_F(XbeCrypt, ConversionNeedsExclusiveUseAndRefusesForeignSchemes) {
  xb_Close();
  ASSERT_GT(Open(XB_OPEN_SHARED), 0);
  xb_SetPassword("pw");
  EXPECT_EQ(xb_DbfEncrypt(), 0);
  xb_Close();
  EXPECT_EQ(ReadAll(path)[15], 0x00);
  // A table flagged as encrypted by some other program is refused at open.
  auto bytes = ReadAll(path);
  bytes[15] = 0x01;
  WriteAll(path, bytes);
  EXPECT_EQ(Open(XB_OPEN_SHARED), 0);
}

TEST(XbeCryptBuffers, RoundTripThroughTheEntryPoints) {
  std::string text = "label data";
  std::vector<char> buf(text.size() + XB_CRYPT_OVERHEAD);
  std::memcpy(buf.data(), text.data(), text.size());
  const int n = xb_Encrypt(buf.data(), int(text.size()), "k");
  ASSERT_EQ(n, int(text.size()) + XB_CRYPT_OVERHEAD);
  EXPECT_EQ(xb_Decrypt(buf.data(), n, "x"), -1);
  ASSERT_EQ(xb_Decrypt(buf.data(), n, "k"), int(text.size()));
  EXPECT_EQ(std::string(buf.data(), text.size()), text);
}
