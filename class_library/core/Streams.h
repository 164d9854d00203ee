#pragma once
// Byte streams: the abstract TStream, a stream in memory, a file stream over a
// file descriptor and a stream over a String.
#include <cstdint>
#include <vector>

#include "class_library/core/Exceptions.h"
#include "class_library/core/Object.h"
#include "class_library/core/Types.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
  String ClassName() const override { return "TStream"; }

  // Read up to / write count bytes at the position; return the bytes moved.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position and returns it. A position past the end is allowed (a
  // later write fills the gap with zeros); one before the start is clamped to 0.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t newSize) = 0;

  // All or nothing: EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes from source's position; count 0 copies all of source
  // from its beginning. Returns the bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// The reading, writing and seeking shared by the streams that keep their bytes
// in memory (Bytes is std::vector<char> or String).
template <class Bytes>
class TBytesStream : public TStream {
public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t newSize) override;

protected:
  TBytesStream() = default;
  explicit TBytesStream(const Bytes& data) : data_(data) {}

  Bytes data_;
  int64_t position_ = 0;
};

extern template class TBytesStream<std::vector<char>>;
extern template class TBytesStream<String>;

class TMemoryStream : public TBytesStream<std::vector<char>> {
public:
  String ClassName() const override { return "TMemoryStream"; }

  // The bytes (valid until the size changes).
  char* Memory() { return data_.data(); }
  const char* Memory() const { return data_.data(); }
  void Clear();
  void LoadFromStream(TStream& source);
  void SaveToStream(TStream& dest);
  // EFOpenError / EFCreateError naming the file.
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName);
};

// Open modes; a share flag may be or-ed in and is accepted without effect.
constexpr unsigned fmOpenRead = 0x0000;
constexpr unsigned fmOpenWrite = 0x0001;
constexpr unsigned fmOpenReadWrite = 0x0002;
constexpr unsigned fmShareCompat = 0x0000;
constexpr unsigned fmShareExclusive = 0x0010;
constexpr unsigned fmShareDenyWrite = 0x0020;
constexpr unsigned fmShareDenyRead = 0x0030;
constexpr unsigned fmShareDenyNone = 0x0040;
constexpr unsigned fmCreate = 0xFF00;

class TFileStream : public TStream {
public:
  // fmCreate creates the file or empties an existing one (EFCreateError
  // "Cannot create file \"<name>\". <reason>"); the open modes open an
  // existing file, matching its name without regard to case (EFOpenError
  // "Cannot open file \"<name>\". <reason>").
  TFileStream(const String& fileName, unsigned mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  String ClassName() const override { return "TFileStream"; }

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;

  const String& FileName() const { return fileName_; }
  int Handle() const { return fd_; }

private:
  String fileName_;
  int fd_ = -1;
};

class TStringStream : public TBytesStream<String> {
public:
  explicit TStringStream(const String& data = String()) : TBytesStream(data) {}
  String ClassName() const override { return "TStringStream"; }

  const String& DataString() const { return data_; }
  // Up to count bytes from the position.
  String ReadString(int64_t count);
  void WriteString(const String& s) { Write(s.data(), static_cast<int64_t>(s.size())); }
};
