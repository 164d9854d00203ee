#pragma once
// Helpers of the memo and blob tests: memo tables made with the engine in a
// scratch directory, the memo as stored, texts and byte runs that show where
// a cut or shift happened.
#include <string>
#include <vector>

#include "data_access/XBE60.h"
#include "data_access/tests/TestTables.h"

namespace blobtest {

// Text of a given length that shows where a cut or shift happened.
inline std::string Text(size_t n, char salt = 'a') {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(salt + static_cast<char>(i % 23));
  if (n > 0) s[n - 1] = 'Z';
  return s;
}

// Binary bytes of a given length, zeros and every other byte value among them.
inline std::string Bytes(size_t n, int step = 7) {
  std::string s;
  s.reserve(n);
  for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(static_cast<int>(i) * step + static_cast<int>(i >> 8)));
  return s;
}

// dir + file with NAME C(10) and NOTES M (and a binary blob field named
// extra: "P..." a picture, anything else a general field), one record per
// memo text (empty: no memo). code: the engine's table-type code.
inline std::string MakeMemoTable(const std::string& dir, const std::string& file, short code,
                                 const std::vector<std::string>& memos, const char* extra = nullptr) {
  const std::string path = dir + file;
  short area = xbe::xb_CreateNew(path.c_str(), "MEMO", code, 0);
  if (area <= 0) return std::string();
  xbe::xb_CreateField("NAME", "C", 10, 0);
  xbe::xb_CreateField("NOTES", "M", 10, 0);
  if (extra) xbe::xb_CreateField(extra, extra[0] == 'P' ? "P" : "G", 10, 0);
  area = xbe::xb_CreateExec();
  if (area <= 0) return std::string();
  xbe::xb_Select(area);
  int i = 0;
  for (const std::string& memo : memos) {
    xbe::xb_AppendBlank();
    xbe::xb_PutString("NAME", ("r" + std::to_string(++i)).c_str());
    if (!memo.empty()) xbe::xb_PutMemo("NOTES", memo.c_str());
  }
  xbe::xb_Commit();
  xbe::xb_Close();
  return path;
}

// The stored memo of one record, read by the engine in a work area of its own.
inline std::string StoredMemo(const std::string& path, int recNo, const char* field) {
  const short area = xbe::xb_UseEx(path.c_str(), "PEEK", 0, 0, 1);
  if (area <= 0) return "(cannot open)";
  xbe::xb_Select(area);
  xbe::xb_Go(recNo);
  char* text = xbe::xb_GetMemo(field, 0);
  std::string s = text ? text : "";
  if (text) xbe::xb_MemDealloc(text);
  xbe::xb_Close();
  return s;
}

// The stored bytes of a binary blob of one record, read the same way.
inline std::string StoredBlob(const std::string& path, int recNo, const char* field) {
  const short area = xbe::xb_UseEx(path.c_str(), "PEEK", 0, 0, 1);
  if (area <= 0) return "(cannot open)";
  xbe::xb_Select(area);
  xbe::xb_Go(recNo);
  const int n = xbe::xb_GetBlobLength(field);
  std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) xbe::xb_GetBlob(field, s.data());
  xbe::xb_Close();
  return s;
}

}  // namespace blobtest
