// Feeds arbitrary bytes to the index readers and writers: the first byte
// picks the index kind (.NTX, .IDX, .CDX, .NSX), the rest is the index file.
// A small table of the matching type is opened, the index opened on it,
// walked both ways, sought, positioned, and one record changed so that the
// page writers run over whatever the file holds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "xbase_engine/xbe61.h"

namespace {

char g_dir[] = "/tmp/xbe_ifuzz_XXXXXX";

struct Kind {
  short type;
  const char* table;
  const char* index;
};
constexpr Kind kKinds[] = {{XB_TYPE_NTX, "/N.DBF", "/I.NTX"},
                           {XB_TYPE_FOX, "/F.DBF", "/I.IDX"},
                           {XB_TYPE_FOX, "/C.DBF", "/I.CDX"},
                           {XB_TYPE_NSX, "/S.DBF", "/I.NSX"}};

void MakeTable(const std::string& path, short type) {
  const short a = xb_CreateNew(path.c_str(), "T", type, 2);
  if (a <= 0) std::abort();
  xb_CreateField("NAME", "C", 10, 0);
  xb_CreateField("QTY", "N", 5, 0);
  xb_Select(xb_CreateExec());
  for (int i = 0; i < 40; ++i) {
    xb_AppendBlank();
    xb_PutString("NAME", ("K" + std::to_string(i * 37 % 40)).c_str());
    xb_PutInteger("QTY", i);
  }
  xb_Close();
}

std::string Dir() {
  static const bool made = [] {
    if (!mkdtemp(g_dir)) std::abort();
    xb_SetErrorFunc(nullptr);
    xb_SetLockTimeout(0);
    for (const Kind& k : kKinds) MakeTable(std::string(g_dir) + k.table, k.type);
    std::atexit([] {
      for (const Kind& k : kKinds) {
        unlink((std::string(g_dir) + k.table).c_str());
        unlink((std::string(g_dir) + k.index).c_str());
      }
      rmdir(g_dir);
    });
    return true;
  }();
  (void)made;
  return g_dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const Kind& k = kKinds[data[0] % 4];
  const std::string index = Dir() + k.index;
  FILE* f = std::fopen(index.c_str(), "wb");
  if (!f) std::abort();
  if (size > 1) std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);
  const short area = xb_UseEx((Dir() + k.table).c_str(), "T", XB_OPEN_SHARED, k.type, XB_COMMIT_NORMAL);
  if (area <= 0) std::abort();
  const short order = xb_IndexOpen(index.c_str());
  if (order > 0) {
    xb_SetOrder(order);
    int guard = 0;
    for (xb_GoTop(); !xb_Eof() && guard < 200; xb_Skip(1)) ++guard;
    xb_GoBottom();
    for (guard = 0; guard < 50 && !xb_Bof() && !xb_Eof(); ++guard) xb_Skip(-1);
    xb_Seek("K1");
    xb_SetScope("K1", "K3");
    xb_GoTop();
    xb_SetScope(nullptr, nullptr);
    xb_OrderPosGet();
    xb_OrderPosSet(0.5);
    xb_OrderRecNo();
    xb_Go(7);
    xb_PutString("NAME", "CHANGED");
    xb_Commit();
    xb_Skip(1);
    xb_KeyData();
  }
  xb_Close();
  return 0;
}
