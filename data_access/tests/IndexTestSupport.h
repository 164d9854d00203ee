#pragma once
// Helpers of the tests of indexes, searches and detail tables: tables made
// with an index in a scratch directory, walks and error texts.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data_access/XbDSet.h"
#include "data_access/tests/TestTables.h"

namespace idxtest {

// A table component on dir + name, not yet open.
inline std::unique_ptr<TXbTable> TableOn(const std::string& dir, const std::string& name) {
  auto t = std::make_unique<TXbTable>(nullptr);
  t->SetDatabaseName(dir);
  t->SetTableName(name);
  return t;
}

// The message of the EXbError f raises, "(no exception)" when it raises none
// (an error of another kind goes on).
inline String ErrorOf(const std::function<void()>& f) { return ::ErrorOf<EXbError>(f); }

// The values of one field from the first record to the end (at most 10,000).
inline std::vector<std::string> WalkAll(TXbTable& table, const std::string& field) {
  std::vector<std::string> seen;
  table.First();
  while (!table.Eof() && seen.size() < 10000) {
    seen.push_back(table.FieldByName(field)->AsString());
    table.Next();
  }
  return seen;
}

// A deterministic shuffle of 0..n-1 (a fixed linear congruential walk).
inline std::vector<int> Shuffled(int n, unsigned seed = 12345) {
  std::vector<int> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = i;
  for (int i = n - 1; i > 0; --i) {
    seed = seed * 1103515245u + 12345u;
    std::swap(v[static_cast<size_t>(i)], v[static_cast<size_t>((seed >> 8) % static_cast<unsigned>(i + 1))]);
  }
  return v;
}

// PEOPLE.DBF: n records, NAME a letter A..F and a number, QTY 1..n in a
// shuffled order, so that no order is the natural one; names and qty hold
// the values in record order.
struct People {
  std::vector<std::string> names;
  std::vector<int> qty;
  void Make(const std::string& dir, int n) {
    names.clear();
    qty.clear();
    std::vector<std::vector<std::string>> rows;
    const std::vector<int> order = Shuffled(n);
    for (int i = 0; i < n; ++i) {
      const int k = order[static_cast<size_t>(i)];
      const std::string name = std::string(1, static_cast<char>('A' + k % 6)) + std::to_string(1000 + k);
      names.push_back(name);
      qty.push_back(k + 1);
      rows.push_back({name, std::to_string(k + 1)});
    }
    MakeTable(dir, "PEOPLE.DBF", {{"NAME", 'C', 10}, {"QTY", 'N', 5}}, rows);
  }
};

// Numbers as the texts a numeric field reads.
inline std::vector<std::string> Numbers(const std::vector<int>& v) {
  std::vector<std::string> out;
  for (int x : v) out.push_back(std::to_string(x));
  return out;
}

}  // namespace idxtest
