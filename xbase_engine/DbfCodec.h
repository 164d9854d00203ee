#pragma once
// The DBF field codec: how field values are stored in a record, as text or as
// binary, shared by the engine and the table dataset so that both read and
// write every field the same way. It works on byte buffers only and links
// nothing else of ours.
//
// Text layouts:
//   N, F  number text right-aligned in the field width, "." as the point
//   D     "yyyymmdd", eight blanks when empty
//   M, G, P, B (width 10)  memo block number right-aligned, blanks when empty
// Binary layouts (little-endian):
//   I     4-byte signed integer
//   B     8-byte IEEE double (width 8)
//   Y     8-byte signed integer: the currency value times 10,000
//   T     4-byte Julian day number (0 = empty) + 4-byte milliseconds of the day
//   M, G, P, B (width 4, 0x30-style tables)  4-byte memo block number
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/system/Endian.h"

namespace dbf {

// ---- little- and big-endian integers ----
using sys::ReadBe32;
using sys::ReadLe16;
using sys::ReadLe32;
using sys::ReadLe64;
using sys::WriteBe32;
using sys::WriteLe16;
using sys::WriteLe32;
using sys::WriteLe64;

// ---- number text (N and F fields) ----
// The one reading of number text. Blanks and zero bytes around the number are
// dropped; what is left must be
//     [+|-] digits [. [digits]]  or  [+|-] . digits,  optionally followed by
//     e|E [+|-] digits
// Nothing left is Blank (the field holds no value). Anything else ("nan",
// "inf", "12abc", "1 2", "**" overflow marks, a sign alone, a value beyond the
// range of a double) is Invalid. The value is always finite: the number for
// Valid, 0 otherwise. Readers take Invalid as 0; writers refuse it.
enum class NumberKind { Blank, Valid, Invalid };
struct NumberRead {
  NumberKind kind = NumberKind::Blank;
  double value = 0.0;
};
NumberRead ReadNumber(std::string_view text) noexcept;
// The value of number text, 0 when it is blank or invalid.
inline double NumberOrZero(std::string_view text) noexcept { return ReadNumber(text).value; }

// The one rounding of numbers written as text (fields, index keys, STR(),
// ROUND()): value rounded to decimals places, half away from zero, as digits
// with "." before the decimals (no point when decimals is 0) and "-" before a
// negative value that does not round to zero. A half is judged on the value's
// shortest decimal form, the text that reads back as the same double, as a
// person reading the number sees it: 2.5 gives "3", 0.125 to two places
// "0.13", and 1.005 (held as 1.00499999999999989...) "1.01". False when value
// is not finite or decimals is negative.
bool DecimalText(double value, int decimals, std::string& out);

// DecimalText right-aligned with blanks in width characters. False when value
// is not finite or the text is longer than width.
bool FormatNumber(double value, int width, int decimals, std::string& out);

// The whole part of value (toward zero) when it lies within [lo, hi]; false
// for NaN, infinities and values outside (never an undefined conversion).
bool WholeInRange(double value, int64_t lo, int64_t hi, int64_t& out) noexcept;
// The whole part of value clamped to [lo, hi]; NaN gives 0.
int64_t WholeClamped(double value, int64_t lo, int64_t hi) noexcept;

// ---- dates ----
bool IsLeapYear(int y) noexcept;
// True for a calendar date of the years 1..9999.
bool ValidDate(int y, int m, int d) noexcept;
// Julian day number of a date (proleptic Gregorian); 0 when the date is not valid.
int32_t JulianFromYmd(int y, int m, int d) noexcept;
void YmdFromJulian(int32_t jdn, int& y, int& m, int& d) noexcept;

// "yyyymmdd" text (D fields). Blank: only blanks and zero bytes. Valid: eight
// digits forming a valid date (y, m, d set). Anything else is Invalid.
enum class DateKind { Blank, Valid, Invalid };
DateKind ReadDate(std::string_view text, int& y, int& m, int& d) noexcept;
// "yyyymmdd" of a valid date; empty when the date is not valid.
std::string FormatDate(int y, int m, int d);

// ---- binary fields ----
inline int32_t ReadInt(const uint8_t* p) { return int32_t(ReadLe32(p)); }                // I
inline void WriteInt(uint8_t* p, int32_t v) { WriteLe32(p, uint32_t(v)); }
// B of width 8. A stored NaN or infinity reads as 0, like invalid number text.
double ReadDouble(const uint8_t* p) noexcept;
void WriteDouble(uint8_t* p, double v) noexcept;

// Y: the stored integer is the value times 10,000.
inline int64_t ReadCurrency(const uint8_t* p) { return int64_t(ReadLe64(p)); }
inline void WriteCurrency(uint8_t* p, int64_t scaled) { WriteLe64(p, uint64_t(scaled)); }
inline double CurrencyValue(int64_t scaled) { return double(scaled) / 10000.0; }
// value times 10,000, rounded; false when not finite or out of range.
bool CurrencyFromDouble(double value, int64_t& scaled) noexcept;
// "-12.3400": always four decimals.
std::string CurrencyText(int64_t scaled);

// T: Julian day number (0 = empty) and milliseconds since midnight.
struct DateTime {
  int32_t julian = 0;
  int32_t ms = 0;
};
inline DateTime ReadDateTime(const uint8_t* p) { return {ReadInt(p), ReadInt(p + 4)}; }
inline void WriteDateTime(uint8_t* p, DateTime v) {
  WriteInt(p, v.julian);
  WriteInt(p + 4, v.ms);
}
// "yyyymmddhhmmss"; 14 blanks when empty.
std::string DateTimeText(DateTime v);

// ---- memo references ----
// Text reference (width 10): blanks give block 0; false when the text is not
// a block number.
bool ReadMemoRef(std::string_view text, uint32_t& block) noexcept;
// The reference text for block, right-aligned in width; blanks for block 0.
std::string FormatMemoRef(uint32_t block, int width);
// Binary reference (width 4).
inline uint32_t ReadMemoRefBinary(const uint8_t* p) { return ReadLe32(p); }
inline void WriteMemoRefBinary(uint8_t* p, uint32_t block) { WriteLe32(p, block); }

}  // namespace dbf
