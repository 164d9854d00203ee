#pragma once
// Helpers of the data-access tests: scratch directories and DBF tables made
// and inspected through the engine library itself.
#include <functional>
#include <string>
#include <vector>

#include "class_library/core/Exceptions.h"
#include "platform/system/tests/TempDir.h"

class TXbTable;

struct TestField {
  std::string Name;
  char Type;
  int Width;
  int Decimals = 0;
};

// A fresh directory, removed with everything in it when the object goes;
// Path() ends with '/'.
using ScratchDir = TempDir;

// Loads the engine (once per process) and fails the test when it is missing.
void RequireEngine();

// Creates dir + fileName with the fields, then appends one record per row.
// A row holds the stored text of each field, padded (text on the left,
// numbers on the right) to the field width; an empty string stores blanks.
// A row whose first element is "*" followed by the values marks it deleted.
void MakeTable(const std::string& dir, const std::string& fileName, const std::vector<TestField>& fields,
               const std::vector<std::vector<std::string>>& rows = {});

// The raw record images of a table (deletion byte first), read through the engine.
std::vector<std::string> ReadImages(const std::string& path);
// The stored text of one field of every record, untrimmed.
std::vector<std::string> ReadColumn(const std::string& path, const std::string& field);

// Writes a version-3 table (header byte 0x03) byte by byte, so that a test can hold field types
// or contents that the engine itself would not create. Rows hold the stored
// text of each field, padded as MakeTable pads.
void WriteRawDbf(const std::string& path, const std::vector<TestField>& fields,
                 const std::vector<std::vector<std::string>>& rows);

// Runs body in a child process that signals "ready" through a pipe and then
// waits until the returned guard is destroyed (the parent closes the pipe).
class ChildHolder {
public:
  // body runs in the child; its result (true = success) is reported to the
  // parent before the child waits.
  explicit ChildHolder(const std::function<bool()>& body);
  ~ChildHolder();
  ChildHolder(const ChildHolder&) = delete;
  ChildHolder& operator=(const ChildHolder&) = delete;
  bool BodySucceeded() const { return ok_; }

private:
  int pid_ = -1;
  int release_ = -1;
  bool ok_ = false;
};

// Runs body in a child process and answers its result (true = success).
bool RunInChild(const std::function<bool()>& body);

// The values of one field from the current record to the end of the table
// (at most 100, so that a walk that never ends fails instead of hanging).
std::vector<std::string> WalkField(TXbTable& table, const std::string& field);

// The message of the exception f raises (of type E, any Exception unless
// named), "(no exception)" when it raises none.
template <class E = Exception>
String ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "(no exception)";
}
