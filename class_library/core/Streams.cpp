#include "class_library/core/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "class_library/core/SysUtils.h"
#include "platform/system/Files.h"
#include "platform/system/TextFile.h"

namespace {

int64_t NewPosition(int64_t current, int64_t size, int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  switch (origin) {
    case soBeginning: base = 0; break;
    case soCurrent: base = current; break;
    case soEnd: base = size; break;
  }
  const int64_t pos = base + offset;
  return pos < 0 ? 0 : pos;
}

String OpenErrorText(const String& fileName, int err) {
  return "Cannot open file \"" + fileName + "\". " + SysErrorMessage(err);
}

String CreateErrorText(const String& fileName, int err) {
  return "Cannot create file \"" + fileName + "\". " + SysErrorMessage(err);
}

// Grows or shrinks a byte container, reporting exhaustion as a stream error.
template <typename Container>
void Resize(Container& c, int64_t newSize) {
  if (newSize < 0) newSize = 0;
  try {
    c.resize(static_cast<size_t>(newSize));
  } catch (const std::bad_alloc&) {
    throw EStreamError("Out of memory while expanding memory stream");
  } catch (const std::length_error&) {
    throw EStreamError("Out of memory while expanding memory stream");
  }
}

}  // namespace

// ---------------------------------------------------------------- TStream

int64_t TStream::Size() {
  const int64_t pos = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  char* p = static_cast<char*>(buffer);
  while (count > 0) {
    const int64_t n = Read(p, count);
    if (n <= 0) throw EReadError("Stream read error");
    p += n;
    count -= n;
  }
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  const char* p = static_cast<const char*>(buffer);
  while (count > 0) {
    const int64_t n = Write(p, count);
    if (n <= 0) throw EWriteError("Stream write error");
    p += n;
    count -= n;
  }
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  char buffer[65536];
  int64_t copied = 0;
  while (copied < count) {
    const int64_t n = std::min<int64_t>(count - copied, sizeof buffer);
    source.ReadBuffer(buffer, n);
    WriteBuffer(buffer, n);
    copied += n;
  }
  return copied;
}

// ---------------------------------------------------------------- TBytesStream

template <class Bytes>
int64_t TBytesStream<Bytes>::Read(void* buffer, int64_t count) {
  const int64_t size = static_cast<int64_t>(data_.size());
  if (count <= 0 || position_ >= size) return 0;
  const int64_t n = std::min(count, size - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

template <class Bytes>
int64_t TBytesStream<Bytes>::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t end = position_ + count;
  if (end > static_cast<int64_t>(data_.size())) Resize(data_, end);
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

template <class Bytes>
int64_t TBytesStream<Bytes>::Seek(int64_t offset, TSeekOrigin origin) {
  position_ = NewPosition(position_, Size(), offset, origin);
  return position_;
}

template <class Bytes>
void TBytesStream<Bytes>::SetSize(int64_t newSize) {
  Resize(data_, newSize);
  if (position_ > Size()) position_ = Size();
}

template class TBytesStream<std::vector<char>>;
template class TBytesStream<String>;

// ---------------------------------------------------------------- TMemoryStream

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const int64_t size = source.Size();
  SetSize(size);
  position_ = 0;
  if (size > 0) source.ReadBuffer(data_.data(), size);
}

void TMemoryStream::SaveToStream(TStream& dest) {
  if (!data_.empty()) dest.WriteBuffer(data_.data(), Size());
}

void TMemoryStream::LoadFromFile(const String& fileName) {
  String bytes;
  try {
    bytes = sys::ReadFileBytes(fileName);
  } catch (const sys::FileError& e) {
    throw EFOpenError(OpenErrorText(fileName, e.ErrorCode()));
  }
  Resize(data_, static_cast<int64_t>(bytes.size()));
  std::copy(bytes.begin(), bytes.end(), data_.begin());
  position_ = 0;
}

void TMemoryStream::SaveToFile(const String& fileName) {
  try {
    sys::WriteFileAtomic(fileName, std::string_view(data_.data(), data_.size()));
  } catch (const sys::FileError& e) {
    throw EFCreateError(CreateErrorText(fileName, e.ErrorCode()));
  }
}

// ---------------------------------------------------------------- TFileStream

TFileStream::TFileStream(const String& fileName, unsigned mode) : fileName_(fileName) {
  // An existing file is opened under its existing name even when the case
  // differs; a new file gets the name as given.
  const String path = sys::ResolveFileName(fileName);
  if ((mode & fmCreate) == fmCreate) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw EFCreateError(CreateErrorText(fileName, errno));
    return;
  }
  int flags = O_RDONLY;
  if ((mode & 3) == fmOpenWrite) flags = O_WRONLY;
  if ((mode & 3) == fmOpenReadWrite) flags = O_RDWR;
  fd_ = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd_ < 0) throw EFOpenError(OpenErrorText(fileName, errno));
  struct stat st {};
  if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw EFOpenError(OpenErrorText(fileName, EISDIR));
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  ssize_t n;
  do {
    n = ::read(fd_, buffer, static_cast<size_t>(count));
  } while (n < 0 && errno == EINTR);
  return n < 0 ? 0 : n;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  ssize_t n;
  do {
    n = ::write(fd_, buffer, static_cast<size_t>(count));
  } while (n < 0 && errno == EINTR);
  return n < 0 ? 0 : n;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = SEEK_SET;
  if (origin == soCurrent) whence = SEEK_CUR;
  if (origin == soEnd) whence = SEEK_END;
  off_t pos = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (pos < 0) pos = ::lseek(fd_, 0, SEEK_CUR);
  return pos;
}

void TFileStream::SetSize(int64_t newSize) {
  const int err = newSize < 0 ? EINVAL : (::ftruncate(fd_, static_cast<off_t>(newSize)) != 0 ? errno : 0);
  if (err != 0) throw EStreamError("Cannot change the size of \"" + fileName_ + "\". " + SysErrorMessage(err));
  if (Position() > newSize) SetPosition(newSize);
}

// ---------------------------------------------------------------- TStringStream

String TStringStream::ReadString(int64_t count) {
  const int64_t size = Size();
  if (count <= 0 || position_ >= size) return String();
  const int64_t n = std::min(count, size - position_);
  String r = data_.substr(static_cast<size_t>(position_), static_cast<size_t>(n));
  position_ += n;
  return r;
}
