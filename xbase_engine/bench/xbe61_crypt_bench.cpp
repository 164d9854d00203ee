// What encryption, code page translation and the system collation cost:
// appends and walks of a plain and of an encrypted table (commit level none,
// exclusive use), a walk with translation on, and key comparisons in machine
// and system order. TW_BENCH_SMOKE=1 runs small counts so that CI only checks
// it still works.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "xbase_engine/Collation.h"
#include "xbase_engine/Crypt.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Sealing and opening ~100-byte records, the work an encrypted table adds to
// every write and every move.
void Records(int n) {
  xbe::KeyBlock block;
  const auto key = xbe::TableKey::Create("bench", block);
  const size_t recLen = 100 + xbe::kCryptFieldWidth;
  std::vector<uint8_t> plain(recLen, 'x'), stored(recLen), back(recLen);
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) key->SealRecord(plain.data(), stored.data(), recLen);
  std::printf("seal a 100-byte record:   %12.0f records/s\n", n / Seconds(t0));
  t0 = std::chrono::steady_clock::now();
  size_t ok = 0;
  for (int i = 0; i < n; ++i) ok += key->OpenRecord(stored.data(), back.data(), recLen) ? 1 : 0;
  std::printf("open a 100-byte record:   %12.0f records/s\n", n / Seconds(t0));
  if (ok != size_t(n)) std::exit(1);
  t0 = std::chrono::steady_clock::now();
  (void)xbe::TableKey::Open(block, "bench");
  std::printf("key from a password (Argon2id, interactive): %.3f s\n", Seconds(t0));
}

void Keys(int n) {
  std::mt19937 rng(1);
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ \xE4\xF6\xFC\xDF";
  std::vector<std::string> keys(size_t(n), std::string(10, ' '));
  for (auto& k : keys) {
    for (char& c : k) c = alphabet[rng() % alphabet.size()];
  }
  for (const auto& c : {xbe::Collation::Machine(), xbe::Collation::ForLocale("de_DE")}) {
    std::vector<std::string> v = keys;
    const auto t0 = std::chrono::steady_clock::now();
    std::sort(v.begin(), v.end(), [&c](const std::string& a, const std::string& b) { return c->Compare(a, b) < 0; });
    const double s = Seconds(t0);
    const double compares = double(n) * std::log2(double(n));
    std::printf("sort %d C(10) keys, %s order: %.3f s (~%.0f million comparisons/s)\n", n, c->Name(), s,
                compares / s / 1e6);
  }
}

}  // namespace

int main() {
  const char* smoke = std::getenv("TW_BENCH_SMOKE");
  const bool small = smoke && *smoke == '1';
  Records(small ? 20000 : 1000000);
  Keys(small ? 20000 : 1000000);
  return 0;
}
