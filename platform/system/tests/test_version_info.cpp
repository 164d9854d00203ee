#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "platform/system/Paths.h"
#include "platform/system/TextFile.h"
#include "platform/system/VersionInfo.h"
#include "platform/system/tests/TempDir.h"

using namespace sys;

namespace {

const std::string kBlock = std::string("TWVERBLK") + "StringFileInfo\\040904E4\\FileVersion" + '\0' + "2.0.0.7" +
                           '\0' + "Empty" + '\0' + '\0' + '\0';

// A minimal ELF file: header, section name table, one named section, headers.
std::string MakeElf(const std::string& sectionBytes, const std::string& sectionName = ".tw_version") {
  const std::string names = std::string("\0.shstrtab\0", 11) + sectionName + '\0';
  Elf64_Ehdr eh{};
  std::memcpy(eh.e_ident, ELFMAG, SELFMAG);
  eh.e_ident[EI_CLASS] = ELFCLASS64;
  eh.e_ident[EI_DATA] = ELFDATA2LSB;
  eh.e_ident[EI_VERSION] = EV_CURRENT;
  eh.e_type = ET_EXEC;
  eh.e_machine = EM_X86_64;
  eh.e_version = EV_CURRENT;
  eh.e_ehsize = sizeof eh;
  eh.e_shentsize = sizeof(Elf64_Shdr);
  eh.e_shnum = 3;
  eh.e_shstrndx = 1;
  eh.e_shoff = sizeof eh + names.size() + sectionBytes.size();

  Elf64_Shdr sh[3]{};
  sh[1].sh_name = 1;
  sh[1].sh_type = SHT_STRTAB;
  sh[1].sh_offset = sizeof eh;
  sh[1].sh_size = names.size();
  sh[2].sh_name = 11;
  sh[2].sh_type = SHT_PROGBITS;
  sh[2].sh_offset = sizeof eh + names.size();
  sh[2].sh_size = sectionBytes.size();

  std::string file(reinterpret_cast<const char*>(&eh), sizeof eh);
  file += names + sectionBytes;
  file.append(reinterpret_cast<const char*>(sh), sizeof sh);
  return file;
}

std::string Query(const std::vector<uint8_t>& block, const std::string& key) {
  std::string v;
  return VerQueryValue(block, key, v) ? v : "<none>";
}

}  // namespace

TEST(VersionInfo, ReadsTheBlockStampedIntoThisProgram) {
  const std::string exe = ExePath();
  uint32_t size = GetFileVersionInfoSize(exe);
  ASSERT_GT(size, 0u);
  std::vector<uint8_t> block;
  ASSERT_TRUE(GetFileVersionInfo(exe, block));
  EXPECT_EQ(block.size(), size);

  EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\FileVersion"), "1.1.1.4");
  EXPECT_EQ(Query(block, "StringFileInfo\\040904E4\\FileVersion"), "1.1.1.4");
  EXPECT_EQ(Query(block, "\\stringfileinfo\\040904e4\\productversion"), "1.1");
  EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\CompanyName"), "Test \"Quoted\" Maker; Ltd");
  EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\FileDescription"), "Platform test program");
  EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\LegalCopyright"), "C:\\path\\ok");
  EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\ProductName"), "<none>");
  EXPECT_EQ(Query(block, "\\VarFileInfo\\Translation"), std::string("\x09\x04\xE4\x04", 4));
  EXPECT_EQ(Query(block, "\\StringFileInfo\\040904E4\\FileVersio"), "<none>");
}

TEST(VersionInfo, FilesWithoutABlockAnswerZero) {
  TempDir t;
  EXPECT_EQ(GetFileVersionInfoSize(t.Put("notes.txt", "hello")), 0u);
  EXPECT_EQ(GetFileVersionInfoSize(t.Path() + "missing.exe"), 0u);
  EXPECT_EQ(GetFileVersionInfoSize(t.Path()), 0u);
  EXPECT_EQ(GetFileVersionInfoSize(BaseDir() + "libtwdyntest.so"), 0u);  // an ELF file, unstamped
  EXPECT_EQ(GetFileVersionInfoSize(t.Put("other.elf", MakeElf(kBlock, ".tw_versio"))), 0u);
  std::vector<uint8_t> block{1, 2, 3};
  EXPECT_FALSE(GetFileVersionInfo(t.Path() + "notes.txt", block));
  EXPECT_TRUE(block.empty());
}

TEST(VersionInfo, SyntheticFileRoundTripsAndIgnoresCaseOfPath) {
  TempDir t;
  t.Put("Prog.EXE", MakeElf(kBlock + std::string(5, '\0')));  // padding after the end marker
  EXPECT_EQ(GetFileVersionInfoSize(t.Path() + "prog.exe"), kBlock.size());
  std::vector<uint8_t> block;
  ASSERT_TRUE(GetFileVersionInfo(t.Path() + "PROG.exe", block));
  EXPECT_EQ(Query(block, "StringFileInfo\\040904E4\\FileVersion"), "2.0.0.7");
  EXPECT_EQ(Query(block, "Empty"), "");
}

TEST(VersionInfo, TruncatedCopiesOfARealProgramAnswerZero) {
  TempDir t;
  const std::string exe = ReadFileBytes(ExePath());
  ASSERT_GT(GetFileVersionInfoSize(ExePath()), 0u);
  for (size_t len : {size_t{0}, size_t{4}, size_t{63}, size_t{64}, exe.size() / 2, exe.size() - 1}) {
    EXPECT_EQ(GetFileVersionInfoSize(t.Put("cut", exe.substr(0, len))), 0u) << len;
  }
}

TEST(VersionInfo, MalformedHeadersAndBlocksAnswerZero) {
  TempDir t;
  const std::string good = MakeElf(kBlock);
  auto patched = [&](size_t offset, const void* bytes, size_t n) {
    std::string f = good;
    std::memcpy(f.data() + offset, bytes, n);
    return GetFileVersionInfoSize(t.Put("bad", f));
  };
  uint64_t huge = ~0ull - 10;
  uint16_t many = 0xFFFF, one = 1, zero = 0;
  EXPECT_EQ(patched(offsetof(Elf64_Ehdr, e_shoff), &huge, 8), 0u);
  EXPECT_EQ(patched(offsetof(Elf64_Ehdr, e_shnum), &many, 2), 0u);
  EXPECT_EQ(patched(offsetof(Elf64_Ehdr, e_shstrndx), &many, 2), 0u);
  EXPECT_EQ(patched(offsetof(Elf64_Ehdr, e_shentsize), &one, 2), 0u);
  EXPECT_EQ(patched(offsetof(Elf64_Ehdr, e_shnum), &zero, 2), 0u);
  unsigned char bigEndian = ELFDATA2MSB;
  EXPECT_EQ(patched(EI_DATA, &bigEndian, 1), 0u);
  // Section 2's offset pointing past the end of the file.
  const size_t sh2 = good.size() - sizeof(Elf64_Shdr);
  EXPECT_EQ(patched(sh2 + offsetof(Elf64_Shdr, sh_offset), &huge, 8), 0u);
  EXPECT_EQ(patched(sh2 + offsetof(Elf64_Shdr, sh_size), &huge, 8), 0u);
  // A block without its end marker, or with a foreign magic.
  EXPECT_EQ(GetFileVersionInfoSize(t.Put("bad", MakeElf(kBlock.substr(0, kBlock.size() - 1)))), 0u);
  EXPECT_EQ(GetFileVersionInfoSize(t.Put("bad", MakeElf("XWVERBLK" + kBlock.substr(8)))), 0u);

  std::string v;
  EXPECT_FALSE(VerQueryValue({}, "FileVersion", v));
  std::vector<uint8_t> cut(kBlock.begin(), kBlock.begin() + 20);
  EXPECT_FALSE(VerQueryValue(cut, "StringFileInfo\\040904E4\\FileVersion", v));
}

TEST(VersionInfo, RandomlyDamagedFilesNeverCrash) {
  TempDir t;
  const std::string good = MakeElf(kBlock);
  std::mt19937 gen(1234);
  for (int round = 0; round < 2000; ++round) {
    std::string f = good;
    int flips = 1 + static_cast<int>(gen() % 8);
    for (int i = 0; i < flips; ++i) f[gen() % f.size()] = static_cast<char>(gen());
    if (gen() % 4 == 0) f.resize(gen() % f.size());
    std::vector<uint8_t> block;
    if (GetFileVersionInfo(t.Put("fuzz", f), block)) {
      // Whatever is accepted must be a block the query can walk.
      std::string v;
      VerQueryValue(block, "StringFileInfo\\040904E4\\FileVersion", v);
      EXPECT_LE(block.size(), f.size());
    }
  }
}
