// Feeds arbitrary bytes to the table and memo readers: the input is split into
// a table file and a memo file, the table is opened, walked, and every field
// of every record is read in every way, memos included.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "xbase_engine/xbe61.h"

namespace {

// The scratch directory, kept in a plain array so that the exit handler that
// removes it never sees a destroyed object.
char g_dir[] = "/tmp/xbe_fuzz_XXXXXX";

std::string Dir() {
  static const bool made = [] {
    if (!mkdtemp(g_dir)) std::abort();
    std::atexit([] {
      for (const char* name : {"/T.DBF", "/T.DBT", "/T.FPT"}) unlink((std::string(g_dir) + name).c_str());
      rmdir(g_dir);
    });
    return true;
  }();
  (void)made;
  return g_dir;
}

void Put(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // First byte picks the memo style, the next two the length of the table part.
  const bool fox = data[0] & 1;
  const size_t split = std::min<size_t>(size - 3, size_t(data[1] | data[2] << 8));
  const std::string table = Dir() + "/T.DBF";
  Put(table, data + 3, split);
  Put(Dir() + (fox ? "/T.FPT" : "/T.DBT"), data + 3 + split, size - 3 - split);
  unlink((Dir() + (fox ? "/T.DBT" : "/T.FPT")).c_str());

  const short area = xb_UseEx(table.c_str(), "T", XB_OPEN_SHARED, fox ? XB_TYPE_FOX : XB_TYPE_NTX,
                              XB_COMMIT_NORMAL);
  if (area > 0) {
    const int fields = xb_FieldCount();
    std::string image(size_t(xb_RecSize()), '\0');
    int guard = 0;
    for (xb_GoTop(); !xb_Eof() && guard < 64; xb_Skip(1), ++guard) {
      xb_GetRecord(image.data());
      xb_Deleted();
      for (int i = 1; i <= fields; ++i) {
        const std::string name = xb_FieldName(short(i));
        xb_GetString(name.c_str());
        xb_GetTrimString(name.c_str());
        xb_GetDouble(name.c_str());
        xb_GetLogical(name.c_str());
        xb_GetDateString(name.c_str());
        xb_IsNull(name.c_str());
        xb_Empty(name.c_str());
        if (char* m = xb_GetMemo(name.c_str(), 7)) xb_MemDealloc(m);
        const int len = xb_GetBlobLength(name.c_str());
        if (len > 0 && len < (1 << 20)) {
          std::string blob(size_t(len), '\0');
          xb_GetBlob(name.c_str(), blob.data());
        }
      }
    }
    xb_GoBottom();
    xb_Skip(-3);
    xb_Count();
    xb_Close();
  }
  return 0;
}
