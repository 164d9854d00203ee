#pragma once
// The DBF file format: header and field descriptors (parse, validate, build)
// and the conversions between field bytes and values. Nothing here touches a
// file; the functions work on byte buffers so that they can be tested and
// fuzzed on their own.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "xbase_engine/DbfCodec.h"

namespace xbe {

// Every failure of the engine is one of these; the entry points turn it into
// their failure answer.
class XbError : public std::runtime_error {
 public:
  explicit XbError(const std::string& message) : std::runtime_error(message) {}
};

enum class MemoKind { None, Dbt3, Dbt4, Fpt };

struct FieldDesc {
  std::string name;   // as stored (upper case by convention), without padding
  char type = 'C';    // type letter, upper case
  int width = 0;      // bytes in the record
  int decimals = 0;
  int offset = 0;     // 0-based offset in the record image (deletion byte is 0)
  int nullBit = -1;   // bit in the null-flags field, -1 when not nullable
  bool binary = false;  // stored as binary (I, B/Y/T of width 8, memo refs of width 4)
  bool hidden = false;  // system field (the null flags) not shown to callers
};

struct DbfHeader {
  uint8_t version = 0x03;
  uint32_t recCount = 0;
  uint32_t headerLen = 0;
  uint32_t recLen = 0;
  uint8_t tableFlags = 0;  // byte 28
  bool encrypted = false;  // byte 15
  std::vector<FieldDesc> fields;  // every field, hidden ones included
  int nullFlagsField = -1;        // index into fields of the null-flags field
  MemoKind memoKind = MemoKind::None;
  bool hasMemoFields = false;
};

// Largest counts the engine accepts from a file.
constexpr int kMaxFields = 2046;
constexpr uint32_t kMaxRecLen = 65535;
constexpr uint32_t kMaxHeaderLen = 65535;

// Parses and validates the header at the start of a file of fileSize bytes
// (data holds at least the first min(fileSize, kMaxHeaderLen) bytes, size is
// how many). Throws XbError naming what is wrong.
DbfHeader ParseHeader(const uint8_t* data, size_t size, uint64_t fileSize);

// Builds the header bytes of a new, empty table (terminator and, for 0x30,
// the 263-byte back-link area included). Fills offsets and recLen of fields.
std::vector<uint8_t> BuildHeader(uint8_t version, std::vector<FieldDesc>& fields, int year,
                                 int month, int day);

// True when a memo reference is held by the field (memo, general, picture,
// blob of width 10).
bool IsMemoField(const FieldDesc& f);

// ---- dates ----
// Calendar dates and Julian day numbers: the field codec's.
using dbf::JulianFromYmd;
using dbf::YmdFromJulian;
// Reads "yyyymmdd"; false when blank or not a valid date.
inline bool ParseDbfDate(std::string_view text, int& y, int& m, int& d) {
  return dbf::ReadDate(text, y, m, d) == dbf::DateKind::Valid;
}
// "yyyymmdd" of a Julian day number; eight blanks for 0 (the empty date).
std::string DbfDateText(int32_t jdn);
// The local calendar date now (a header's date of last update, DATE()).
void LocalToday(int& y, int& m, int& d);

// Date texts in the classic layouts. code: 0 American, 1 ANSI, 2 British,
// 3 French, 4 German, 5 Italian, 6 Spanish, 99 user's; century: 4-digit years.
struct DateLayout {
  char order[3] = {'M', 'D', 'Y'};
  char sep = '/';
};
DateLayout LayoutForCode(int code, const std::string& userShortFormat, char userSeparator);
std::string FormatDate(const DateLayout& layout, bool century, int y, int m, int d);
std::string BlankDate(const DateLayout& layout, bool century);
// Parses a date text in the layout; two-digit years go to the epoch window.
// False when the text is blank or invalid.
bool ParseDate(const DateLayout& layout, int epoch, std::string_view text, int& y, int& m, int& d);

// ---- numbers ----
// Reads number text of a field (the codec's one reading); false when it is
// blank or not a number.
inline bool ParseNumber(std::string_view text, double& value) {
  const dbf::NumberRead r = dbf::ReadNumber(text);
  if (r.kind != dbf::NumberKind::Valid) return false;
  value = r.value;
  return true;
}
using dbf::FormatNumber;

std::string_view TrimRight(std::string_view s);
std::string_view Trim(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string UpperAscii(std::string_view s);

// Byte order helpers of the codec.
using dbf::ReadBe32;
using dbf::ReadLe16;
using dbf::ReadLe32;
using dbf::WriteBe32;
using dbf::WriteLe16;
using dbf::WriteLe32;

}  // namespace xbe
