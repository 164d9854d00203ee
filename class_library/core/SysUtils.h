#pragma once
// String handling, number conversions, Format, file-name helpers and the small
// process services (command line, current directory, sleeping, tick count).
//
// Text is a byte string. The "Ansi" functions treat a string that is valid
// UTF-8 as UTF-8 and anything else as Windows-1252, so neither kind of text is
// damaged by case conversion; the plain functions touch ASCII letters only.
#include <cstdint>
#include <initializer_list>

#include "class_library/core/Exceptions.h"
#include "class_library/core/Types.h"
#include "platform/system/Files.h"

// ---------------------------------------------------------------- strings

// Remove leading/trailing blanks and control characters (every byte <= ' ').
String Trim(const String& s);
String TrimLeft(const String& s);
String TrimRight(const String& s);

// ASCII letters only.
String UpperCase(const String& s);
String LowerCase(const String& s);
// Letters of Windows-1252 (or of its repertoire in UTF-8 text); same byte length.
String AnsiUpperCase(const String& s);
String AnsiLowerCase(const String& s);

// Byte comparison after ASCII upper-casing: <0, 0, >0.
int CompareText(const String& a, const String& b);
int CompareStr(const String& a, const String& b);
bool SameText(const String& a, const String& b);
// The natural order of the user interface: punctuation before digits before
// letters, accented letters beside their base letter; hyphen and apostrophe
// only tell otherwise equal texts apart. Multi-byte UTF-8 text is compared by
// character, so a letter weighs the same in UTF-8 and in Windows-1252.
// AnsiCompareText ignores case; AnsiCompareStr puts a lower-case letter before
// its upper-case form.
int AnsiCompareText(const String& a, const String& b);
int AnsiCompareStr(const String& a, const String& b);
bool AnsiSameText(const String& a, const String& b);

enum class TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
constexpr TReplaceFlag rfReplaceAll = TReplaceFlag::rfReplaceAll;
constexpr TReplaceFlag rfIgnoreCase = TReplaceFlag::rfIgnoreCase;

class TReplaceFlags {
public:
  constexpr TReplaceFlags() = default;
  constexpr TReplaceFlags(TReplaceFlag f) : bits_(static_cast<unsigned>(f)) {}  // NOLINT
  constexpr TReplaceFlags(std::initializer_list<TReplaceFlag> fs) {
    for (TReplaceFlag f : fs) bits_ |= static_cast<unsigned>(f);
  }
  constexpr bool Contains(TReplaceFlag f) const { return (bits_ & static_cast<unsigned>(f)) != 0; }

private:
  unsigned bits_ = 0;
};

// Replaces the first (or with rfReplaceAll every) occurrence of oldPattern.
// With rfIgnoreCase the search ignores case as AnsiUpperCase does.
String StringReplace(const String& s, const String& oldPattern, const String& newPattern,
                     TReplaceFlags flags = {});

// 'text' with every inner quote doubled.
String QuotedStr(const String& s);
String AnsiQuotedStr(const String& s, char quote);

// ---------------------------------------------------------------- numbers

String IntToStr(int value);
String IntToStr(long value);
String IntToStr(long long value);
String IntToStr(unsigned value);
String IntToStr(unsigned long value);
String IntToStr(unsigned long long value);
// Upper-case hexadecimal with at least `digits` digits; negative values are
// written in two's complement of the argument's width.
String IntToHex(int value, int digits);
String IntToHex(long value, int digits);
String IntToHex(long long value, int digits);
String IntToHex(unsigned value, int digits);
String IntToHex(unsigned long value, int digits);
String IntToHex(unsigned long long value, int digits);

// Decimal with optional sign, or hexadecimal after '$' or "0x"; leading blanks
// are skipped, anything after the number is an error.
// EConvertError "'<s>' is not a valid integer value".
int StrToInt(const String& s);
int64_t StrToInt64(const String& s);
int StrToIntDef(const String& s, int def);
int64_t StrToInt64Def(const String& s, int64_t def);
bool TryStrToInt(const String& s, int& value);
bool TryStrToInt64(const String& s, int64_t& value);

// 15 significant digits in the shortest form, the decimal separator of the
// format settings; exponent form ("1E20", "1.5E-7") for very large or small values.
String FloatToStr(double value);
// Accepts the format settings' decimal separator, an exponent, blanks around.
// EConvertError "'<s>' is not a valid floating point value".
double StrToFloat(const String& s);
double StrToFloatDef(const String& s, double def);
bool TryStrToFloat(const String& s, double& value);

// What every StrTo... function does around its TryStrTo... parser: the value
// Try reads from s, else EConvertError "'<s>' is not a valid <what>" (or def).
template <class T>
T StrToValue(bool (*Try)(const String&, T&), const String& s, const char* what) {
  T v;
  if (!Try(s, v)) throw EConvertError("'" + s + "' is not a valid " + what);
  return v;
}
template <class T>
T StrToValueDef(bool (*Try)(const String&, T&), const String& s, T def) {
  T v;
  return Try(s, v) ? v : def;
}

// ---------------------------------------------------------------- Format

// One argument of Format.
class TVarRec {
public:
  enum class Kind { Integer, Unsigned, Float, String, Pointer };

  TVarRec(int v) : kind_(Kind::Integer), i_(v) {}  // NOLINT: implicit by design
  TVarRec(long v) : kind_(Kind::Integer), i_(v) {}  // NOLINT
  TVarRec(long long v) : kind_(Kind::Integer), i_(v) {}  // NOLINT
  TVarRec(unsigned v) : kind_(Kind::Unsigned), u_(v) {}  // NOLINT
  TVarRec(unsigned long v) : kind_(Kind::Unsigned), u_(v) {}  // NOLINT
  TVarRec(unsigned long long v) : kind_(Kind::Unsigned), u_(v) {}  // NOLINT
  TVarRec(double v) : kind_(Kind::Float), f_(v) {}  // NOLINT
  TVarRec(char c) : kind_(Kind::String), s_(1, c) {}  // NOLINT
  TVarRec(const char* s) : kind_(Kind::String), s_(s ? s : "") {}  // NOLINT
  TVarRec(const String& s) : kind_(Kind::String), s_(s) {}  // NOLINT
  TVarRec(const void* p) : kind_(Kind::Pointer), u_(reinterpret_cast<std::uintptr_t>(p)) {}  // NOLINT

  Kind GetKind() const { return kind_; }
  long long AsInteger() const { return i_; }
  unsigned long long AsUnsigned() const { return u_; }
  double AsFloat() const { return f_; }
  const String& AsString() const { return s_; }

private:
  Kind kind_;
  long long i_ = 0;
  unsigned long long u_ = 0;
  double f_ = 0;
  String s_;
};

// Formats "%[index:][-][width][.precision]type" for the types d u x e f g n s p
// and "%%"; width and precision may be '*' (taken from the arguments).
// EConvertError "Format '<fmt>' invalid or incompatible with argument".
String Format(const String& fmt, std::initializer_list<TVarRec> args);

// ---------------------------------------------------------------- file names

// Both '/' and '\\' count as delimiters when a name is taken apart.
constexpr char PathDelim = '/';

String ExtractFilePath(const String& fileName);  // up to and including the last delimiter
String ExtractFileDir(const String& fileName);   // the same without a trailing delimiter
String ExtractFileName(const String& fileName);
String ExtractFileExt(const String& fileName);   // ".ext" or ""
String ChangeFileExt(const String& fileName, const String& extension);
String IncludeTrailingPathDelimiter(const String& s);
String ExcludeTrailingPathDelimiter(const String& s);
// Absolute path with "." and ".." removed, relative to the current directory.
String ExpandFileName(const String& fileName);

// ---------------------------------------------------------------- files

using sys::faAnyFile;
using sys::faArchive;
using sys::faDirectory;
using sys::faHidden;
using sys::faReadOnly;
using sys::faSysFile;
using sys::faVolumeID;
using TSearchRec = sys::SearchRec;

// Existing names are matched ignoring case (exact name first); FindFirst and
// FindNext return 0 on success, else an error number; masks ignore case.
using sys::DeleteFile;
using sys::DirectoryExists;
using sys::FileExists;
using sys::FindClose;
using sys::FindFirst;
using sys::FindNext;
bool CreateDir(const String& dir);
bool RemoveDir(const String& dir);
bool RenameFile(const String& oldName, const String& newName);

String GetCurrentDir();
bool SetCurrentDir(const String& dir);

// ---------------------------------------------------------------- process

// Records the program's arguments for ParamCount/ParamStr; call from main.
void SetCommandLine(int argc, char** argv);
int ParamCount();
// ParamStr(0) is the executable's path; an index beyond the arguments gives "".
String ParamStr(int index);

void Sleep(unsigned milliseconds);
// Milliseconds from a monotonic clock (wraps as a 32-bit count).
Cardinal GetTickCount();
// The text of an errno value.
String SysErrorMessage(int errorCode);

// The platform version that code tests for features (visual styles, cue
// banners of edits): this system offers what version 5.1 of the family
// numbered 2 did.
constexpr int Win32Platform = 2;
constexpr int Win32MajorVersion = 5;
constexpr int Win32MinorVersion = 1;

// The program's name for captions: the executable's name without extension.
String ProgramTitle();
// Shows "<message>." (a period added when the text does not end in one) in an
// error box captioned Title.
void ShowExceptionMessage(const String& Title, const Exception& E);
