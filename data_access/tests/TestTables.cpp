#include "data_access/tests/TestTables.h"

#include <cstdlib>
#include <stdexcept>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "data_access/XBE60.h"
#include "data_access/XbDSet.h"

void RequireEngine() {
  if (!EnsureEngineLoaded()) throw std::runtime_error("the engine library libxbe61.so was not found");
}

namespace {

std::string Pad(const std::string& text, const TestField& f) {
  std::string s = text.substr(0, static_cast<size_t>(f.Width));
  size_t gap = static_cast<size_t>(f.Width) - s.size();
  bool right = (f.Type == 'N' || f.Type == 'F' || f.Type == 'I');
  return right ? std::string(gap, ' ') + s : s + std::string(gap, ' ');
}

// Opens path exclusively in a fresh work area; the caller closes it.
short OpenArea(const std::string& path) {
  RequireEngine();
  static int probes = 0;
  const std::string alias = "PROBE" + std::to_string(++probes % 1000);
  short area = xbe::xb_UseEx(path.c_str(), alias.c_str(), 1, 2, 1);
  if (area <= 0) throw std::runtime_error("cannot open " + path);
  return area;
}

}  // namespace

void MakeTable(const std::string& dir, const std::string& fileName, const std::vector<TestField>& fields,
               const std::vector<std::vector<std::string>>& rows) {
  RequireEngine();
  std::string path = dir + fileName;
  short area = xbe::xb_CreateNew(path.c_str(), "TESTMAKE", 2, static_cast<short>(fields.size()));
  if (area <= 0) throw std::runtime_error("xb_CreateNew failed for " + path);
  for (const TestField& f : fields) {
    std::string type(1, f.Type);
    xbe::xb_CreateField(f.Name.c_str(), type.c_str(), static_cast<short>(f.Width), static_cast<short>(f.Decimals));
  }
  area = xbe::xb_CreateExec();
  if (area <= 0) throw std::runtime_error("xb_CreateExec failed for " + path);
  xbe::xb_Select(area);
  int size = xbe::xb_RecSize();
  for (const auto& row : rows) {
    bool deleted = !row.empty() && row[0] == "*";
    std::string image(static_cast<size_t>(size), ' ');
    size_t first = deleted ? 1 : 0;
    for (size_t i = 0; i < fields.size() && i + first < row.size(); ++i) {
      int offset = xbe::xb_FieldOffset(fields[i].Name.c_str()) - 1;
      image.replace(static_cast<size_t>(offset), static_cast<size_t>(fields[i].Width),
                    Pad(row[i + first], fields[i]));
    }
    if (deleted) image[0] = '*';
    xbe::xb_AppendBlank();
    xbe::xb_PutRecord(image.data());
  }
  xbe::xb_Commit();
  xbe::xb_Close();
}

std::vector<std::string> ReadImages(const std::string& path) {
  short area = OpenArea(path);
  xbe::xb_Select(area);
  std::vector<std::string> out;
  int size = xbe::xb_RecSize();
  int count = xbe::xb_RecCount();
  for (int n = 1; n <= count; ++n) {
    xbe::xb_Go(n);
    std::string image(static_cast<size_t>(size), '\0');
    xbe::xb_GetRecord(image.data());
    out.push_back(image);
  }
  xbe::xb_Close();
  return out;
}

std::vector<std::string> ReadColumn(const std::string& path, const std::string& field) {
  short area = OpenArea(path);
  xbe::xb_Select(area);
  std::vector<std::string> out;
  int count = xbe::xb_RecCount();
  for (int n = 1; n <= count; ++n) {
    xbe::xb_Go(n);
    out.emplace_back(xbe::xb_GetString(field.c_str()));
  }
  xbe::xb_Close();
  return out;
}

void WriteRawDbf(const std::string& path, const std::vector<TestField>& fields,
                 const std::vector<std::vector<std::string>>& rows) {
  int recordSize = 1;
  for (const TestField& f : fields) recordSize += f.Width;
  const int headerSize = 32 + 32 * static_cast<int>(fields.size()) + 1;
  std::string out(32, '\0');
  out[0] = 0x03;
  out[1] = 126;  // 2026-12-09 as the update date
  out[2] = 12;
  out[3] = 9;
  const auto count = static_cast<std::uint32_t>(rows.size());
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<char>((count >> (8 * i)) & 0xFF);
  out[8] = static_cast<char>(headerSize & 0xFF);
  out[9] = static_cast<char>(headerSize >> 8);
  out[10] = static_cast<char>(recordSize & 0xFF);
  out[11] = static_cast<char>(recordSize >> 8);
  int offset = 1;
  for (const TestField& f : fields) {
    std::string d(32, '\0');
    d.replace(0, f.Name.size(), f.Name);
    d[11] = f.Type;
    for (int i = 0; i < 4; ++i) d[12 + i] = static_cast<char>((offset >> (8 * i)) & 0xFF);
    d[16] = static_cast<char>(f.Width);
    d[17] = static_cast<char>(f.Decimals);
    out += d;
    offset += f.Width;
  }
  out += '\r';
  for (const auto& row : rows) {
    bool deleted = !row.empty() && row[0] == "*";
    out += deleted ? '*' : ' ';
    size_t first = deleted ? 1 : 0;
    for (size_t i = 0; i < fields.size(); ++i)
      out += Pad(i + first < row.size() ? row[i + first] : std::string(), fields[i]);
  }
  out += '\x1A';
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  std::fwrite(out.data(), 1, out.size(), f);
  std::fclose(f);
}

ChildHolder::ChildHolder(const std::function<bool()>& body) {
  int ready[2], release[2];
  if (pipe(ready) != 0 || pipe(release) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    close(ready[0]);
    close(release[1]);
    char result = body() ? '1' : '0';
    if (write(ready[1], &result, 1) != 1) _exit(3);
    char c;
    while (read(release[0], &c, 1) > 0) {
    }
    _exit(0);
  }
  close(ready[1]);
  close(release[0]);
  release_ = release[1];
  char result = '0';
  ok_ = read(ready[0], &result, 1) == 1 && result == '1';
  close(ready[0]);
}

ChildHolder::~ChildHolder() {
  if (release_ >= 0) close(release_);
  if (pid_ > 0) {
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

bool RunInChild(const std::function<bool()>& body) {
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) _exit(body() ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> WalkField(TXbTable& table, const std::string& field) {
  std::vector<std::string> seen;
  while (!table.Eof() && seen.size() < 100) {
    seen.push_back(table.FieldByName(field)->AsString());
    table.Next();
  }
  return seen;
}
