#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "platform/system/Files.h"
#include "platform/system/tests/TempDir.h"

using namespace sys;

namespace {

std::vector<std::string> FindAll(const std::string& pathWithMask, int attr) {
  std::vector<std::string> names;
  SearchRec rec;
  for (int r = FindFirst(pathWithMask, attr, rec); r == 0; r = FindNext(rec)) names.push_back(rec.Name);
  FindClose(rec);
  return names;
}

}  // namespace

TEST(MatchesMask, WildcardsAndCase) {
  EXPECT_TRUE(MatchesMask("ORDER1.SPL", "*.spl"));
  EXPECT_TRUE(MatchesMask("order1.spl", "*.SPL"));
  EXPECT_FALSE(MatchesMask("order1.spl.tmp", "*.spl"));
  EXPECT_FALSE(MatchesMask("order1.sp", "*.spl"));
  EXPECT_TRUE(MatchesMask("a1.txt", "a?.TXT"));
  EXPECT_FALSE(MatchesMask("a.txt", "a?.txt"));
  EXPECT_FALSE(MatchesMask("a12.txt", "a?.txt"));
  EXPECT_TRUE(MatchesMask("", "*"));
  EXPECT_FALSE(MatchesMask("x", ""));
  // Needs the matcher to retry a star after a false start.
  EXPECT_TRUE(MatchesMask("abcbcd", "a*bcd"));
  EXPECT_TRUE(MatchesMask("mississippi", "m*iss*ppi"));
  EXPECT_FALSE(MatchesMask("mississippx", "m*iss*ppi"));
}

TEST(MatchesMask, DotStarAlsoMatchesNamesWithoutExtension) {
  EXPECT_TRUE(MatchesMask("README", "*.*"));
  EXPECT_TRUE(MatchesMask("a.b.c", "*.*"));
  EXPECT_TRUE(MatchesMask("Tarnwick", "tarnwick.*"));
  EXPECT_TRUE(MatchesMask("Tarnwick.cfg", "tarnwick.*"));
  EXPECT_FALSE(MatchesMask("Tarnwick2", "tarnwick.*"));
}

TEST(MatchesMask, PathologicalMaskStaysFast) {
  std::string name(5000, 'a');
  std::string mask;
  for (int i = 0; i < 200; ++i) mask += "*a";
  mask += "b";
  EXPECT_FALSE(MatchesMask(name, mask));  // exponential matchers never return
}

TEST(ResolveFileName, ExactNameFirstThenIgnoringCase) {
  TempDir t;
  t.MakeDir("Spool/In");
  t.Put("Spool/In/Order.SPL", "x");
  t.Put("Spool/In/order.spl", "y");
  t.Put("Spool/In/Only.Txt", "z");

  EXPECT_EQ(ResolveFileName(t.Path() + "Spool/In/order.spl"), t.Path() + "Spool/In/order.spl");
  EXPECT_EQ(ResolveFileName(t.Path() + "SPOOL/in/ONLY.TXT"), t.Path() + "Spool/In/Only.Txt");
  // Of several case variants the first in byte order wins.
  EXPECT_EQ(ResolveFileName(t.Path() + "spool/in/ORDER.Spl"), t.Path() + "Spool/In/Order.SPL");
  // A trailing slash survives; doubled slashes collapse.
  EXPECT_EQ(ResolveFileName(t.Path() + "spool//IN/"), t.Path() + "Spool/In/");
}

TEST(ResolveFileName, UnmatchedPathComesBackUnchanged) {
  TempDir t;
  t.MakeDir("Spool");
  EXPECT_EQ(ResolveFileName(t.Path() + "spool/missing.spl"), t.Path() + "spool/missing.spl");
  EXPECT_EQ(ResolveFileName(t.Path() + "nodir/x"), t.Path() + "nodir/x");
  EXPECT_EQ(ResolveFileName(""), "");
}

TEST(FileQueries, IgnoreCaseAndTellFilesFromDirectories) {
  TempDir t;
  t.MakeDir("Sub");
  t.Put("Tarnwick.CFG", "cfg");
  EXPECT_TRUE(FileExists(t.Path() + "tarnwick.cfg"));
  EXPECT_FALSE(FileExists(t.Path() + "sub"));
  EXPECT_TRUE(DirectoryExists(t.Path() + "SUB"));
  EXPECT_FALSE(DirectoryExists(t.Path() + "Tarnwick.cfg"));
  EXPECT_FALSE(FileExists(t.Path() + "other.cfg"));

  EXPECT_FALSE(DeleteFile(t.Path() + "sub"));  // never removes a directory
  EXPECT_TRUE(DirectoryExists(t.Path() + "Sub"));
  EXPECT_TRUE(DeleteFile(t.Path() + "TARNWICK.cfg"));
  EXPECT_FALSE(FileExists(t.Path() + "Tarnwick.CFG"));
  EXPECT_FALSE(DeleteFile(t.Path() + "Tarnwick.CFG"));
}

TEST(FindFirst, MaskIgnoresCaseAndResultsComeInNameOrder) {
  TempDir t;
  t.Put("b.SPL", "22");
  t.Put("A.spl", "1");
  t.Put("c.txt");
  t.Put("d.spl.tmp");
  EXPECT_EQ(FindAll(t.Path() + "*.spl", faAnyFile), (std::vector<std::string>{"A.spl", "b.SPL"}));
  // The directory part is resolved ignoring case too.
  t.MakeDir("Spool");
  t.Put("Spool/c.txt");
  EXPECT_EQ(FindAll(t.Path() + "SPOOL/?.Txt", faAnyFile), std::vector<std::string>{"c.txt"});

  SearchRec rec;
  ASSERT_EQ(FindFirst(t.Path() + "B.spl", faAnyFile, rec), 0);
  EXPECT_EQ(rec.Name, "b.SPL");
  EXPECT_EQ(rec.Size, 2);
  EXPECT_EQ(rec.Attr, faArchive);
  EXPECT_GT(rec.Time, 40000.0);  // some time after 2009
  EXPECT_EQ(FindNext(rec), ENOENT);
  EXPECT_EQ(FindNext(rec), ENOENT);
}

TEST(FindFirst, AttributeMaskKeepsOutSpecialEntries) {
  TempDir t;
  t.Put("plain.dat");
  t.Put(".hidden.dat");
  t.MakeDir("dir.dat");
  t.Put("locked.dat");
  ::chmod((t.Path() + "locked.dat").c_str(), 0444);

  EXPECT_EQ(FindAll(t.Path() + "*.dat", 0), (std::vector<std::string>{"locked.dat", "plain.dat"}));
  EXPECT_EQ(FindAll(t.Path() + "*.dat", faHidden),
            (std::vector<std::string>{".hidden.dat", "locked.dat", "plain.dat"}));
  EXPECT_EQ(FindAll(t.Path() + "*.dat", faDirectory),
            (std::vector<std::string>{"dir.dat", "locked.dat", "plain.dat"}));

  SearchRec rec;
  ASSERT_EQ(FindFirst(t.Path() + "*.dat", faAnyFile, rec), 0);
  std::vector<std::pair<std::string, int>> seen;
  do seen.emplace_back(rec.Name, rec.Attr);
  while (FindNext(rec) == 0);
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, int>>{{".hidden.dat", faArchive | faHidden},
                                                            {"dir.dat", faDirectory},
                                                            {"locked.dat", faArchive | faReadOnly},
                                                            {"plain.dat", faArchive}}));
}

TEST(FindFirst, FailuresAndReuse) {
  TempDir t;
  SearchRec rec;
  EXPECT_EQ(FindFirst(t.Path() + "*.spl", faAnyFile, rec), ENOENT);
  EXPECT_EQ(FindFirst(t.Path() + "nodir/*.spl", faAnyFile, rec), ENOENT);
  EXPECT_EQ(FindFirst(t.Path(), faAnyFile, rec), ENOENT);  // no mask
  EXPECT_EQ(FindNext(rec), ENOENT);

  // A record reused for a new search forgets the old one; closing twice is harmless.
  t.Put("one.a");
  t.Put("two.b");
  ASSERT_EQ(FindFirst(t.Path() + "*.a", faAnyFile, rec), 0);
  ASSERT_EQ(FindFirst(t.Path() + "*.b", faAnyFile, rec), 0);
  EXPECT_EQ(rec.Name, "two.b");
  EXPECT_EQ(FindNext(rec), ENOENT);
  FindClose(rec);
  FindClose(rec);
  EXPECT_EQ(FindNext(rec), ENOENT);

  // A moved-from record carries its search along.
  ASSERT_EQ(FindFirst(t.Path() + "*.*", faAnyFile, rec), 0);
  SearchRec other = std::move(rec);
  EXPECT_EQ(FindNext(other), 0);
}
