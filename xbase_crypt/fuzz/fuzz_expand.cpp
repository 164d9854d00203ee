// Expanding arbitrary bytes fails cleanly or yields at most the declared size.
#include <cstdint>
#include <cstdlib>

#include "xbase_crypt/XbCrypt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  unsigned char* out = nullptr;
  std::size_t n = 0;
  if (UnCompressStream(data, size, &out, &n) == XBC_OK) {
    if (n > XBC_MAX_EXPANDED) std::abort();
    // A stream that expands compresses again.
    unsigned char* again = nullptr;
    std::size_t m = 0;
    if (CompressStream(out, n, &again, &m) != XBC_OK) std::abort();
    std::free(again);
  }
  std::free(out);
  return 0;
}
