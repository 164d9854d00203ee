#include "xbase_engine/Table.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "platform/system/Files.h"
#include "xbase_engine/Progress.h"

namespace xbe {

namespace {

constexpr size_t kPendingBytes = size_t(1) << 20;  // appended records batched per write
constexpr size_t kReadAhead = size_t(64) << 10;    // bytes read at once while scanning
constexpr int kHeaderWaitMs = 2000;                 // least wait for the header lock

size_t FileNamePos(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

std::string NumberText(int64_t v) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string DoubleText(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

}  // namespace

std::string WithDbfExtension(const std::string& path) {
  const size_t name = FileNamePos(path);
  if (path.find('.', name) == std::string::npos) return path + ".DBF";
  return path;
}

std::string MemoFileName(const std::string& dbfPath, MemoKind kind) {
  const size_t name = FileNamePos(dbfPath);
  const size_t dot = dbfPath.rfind('.');
  const bool hasExt = dot != std::string::npos && dot >= name;
  const std::string base = hasExt ? dbfPath.substr(0, dot) : dbfPath;
  bool lower = false;
  if (hasExt) {
    for (size_t i = dot + 1; i < dbfPath.size(); ++i) {
      if (dbfPath[i] >= 'a' && dbfPath[i] <= 'z') lower = true;
    }
  }
  std::string ext = kind == MemoKind::Fpt ? ".FPT" : ".DBT";
  if (lower) ext = kind == MemoKind::Fpt ? ".fpt" : ".dbt";
  return base + ext;
}

Table::Table(const std::string& path, const std::string& alias, int mode, int commitLevel,
             const Settings& settings)
    : s_(settings), mode_(mode), commitLevel_(commitLevel) {
  path_ = sys::ResolveFileName(WithDbfExtension(path));
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0) throw XbError("File does not exist: " + path_);
  if (S_ISDIR(st.st_mode)) throw XbError("Not a table file: " + path_);
  fd_ = OpenRegular(path_, O_RDWR);
  writable_ = bool(fd_);
  if (!fd_) {
    if (mode == kModeExclusive) throw XbError("Cannot open for writing: " + path_);
    fd_ = OpenRegular(path_, O_RDONLY);
  }
  if (!fd_) throw XbError("Cannot open " + path_ + ": " + std::strerror(errno));
  if (mode == kModeExclusive) {
    if (!TryLock(fd_.Get(), kShareByte, 1, LockType::Write)) throw XbError("Table is in use: " + path_);
  } else if (!TryLock(fd_.Get(), kShareByte, 1, LockType::Read)) {
    throw XbError("Table is held exclusively: " + path_);
  }
  Init(alias);
}

Table::Table(UniqueFd fd, const std::string& path, const std::string& alias, int commitLevel,
             const Settings& settings)
    : s_(settings), path_(path), mode_(kModeExclusive), commitLevel_(commitLevel), writable_(true),
      fd_(std::move(fd)) {
  Init(alias);
}

void Table::Init(const std::string& alias) {
  alias_ = alias;
  // The header first, the size after it: appenders write a record before
  // the count that shows it, so this order never sees a count without its data.
  std::vector<uint8_t> head(kMaxHeaderLen + 1);
  ssize_t got;
  do {
    got = ::pread(fd_.Get(), head.data(), head.size(), 0);
  } while (got < 0 && errno == EINTR);
  if (got < 0) throw XbError("Cannot read the table header: " + path_);
  const uint64_t size = FileSize(fd_.Get());
  hdr_ = ParseHeader(head.data(), size_t(got), std::max<uint64_t>(size, uint64_t(got)));
  std::memcpy(headerDate_, head.data() + 1, sizeof headerDate_);
  ReadHeaderExtras(head.data(), size_t(got));
  for (size_t i = 0; i < hdr_.fields.size(); ++i) {
    if (!hdr_.fields[i].hidden) visible_.push_back(int(i));
  }
  if (hdr_.hasMemoFields) {
    MemoKind kind = hdr_.memoKind;
    std::string memoPath;
    if (kind == MemoKind::None) {
      // A version byte that names no memo file: take whichever exists.
      for (MemoKind k : {MemoKind::Fpt, MemoKind::Dbt3}) {
        const std::string p = sys::ResolveFileName(MemoFileName(path_, k));
        if (sys::FileExists(p)) {
          kind = k;
          memoPath = p;
          break;
        }
      }
    } else {
      memoPath = sys::ResolveFileName(MemoFileName(path_, kind));
    }
    if (memoPath.empty() || !sys::FileExists(memoPath)) throw XbError("Memo file missing for " + path_);
    memo_ = std::make_unique<MemoFile>(memoPath, kind, writable_ && mode_ != kModeReadOnly);
  }
  blank_.assign(hdr_.recLen, ' ');
  for (const FieldDesc& f : hdr_.fields) {
    if (f.binary) std::memset(blank_.data() + f.offset, 0, size_t(f.width));
  }
  rec_.assign(hdr_.recLen, ' ');
  shown_.assign(hdr_.recLen, ' ');
  spare_.assign(hdr_.recLen, ' ');
  pendingCapacity_ = uint32_t(std::max<size_t>(1, kPendingBytes / hdr_.recLen));
  diskCount_ = hdr_.recCount;
  validSize_ = size;
  GoTop();
}

Table::~Table() {
  try {
    FlushAll();
  } catch (...) {
    // Nothing can be reported from a close; the data written so far stays.
  }
}

void Table::SetCommitLevel(int level) {
  if (level < kCommitFull || level > kCommitNone) return;
  FlushAll();
  commitLevel_ = level;
}

// ---- reading records and counts ----

void Table::RefreshCount() {
  // A file cut inside its header holds no record at all.
  uint8_t c[4];
  uint32_t n = ReadBytes(c, sizeof c, 4) == sizeof c ? ReadLe32(c) : 0;
  if (n == diskCount_) return;
  const uint64_t need = uint64_t(hdr_.headerLen) + uint64_t(n) * hdr_.recLen;
  if (need > validSize_) {
    // A count the file cannot hold is cut to what it holds.
    validSize_ = FileSize(fd_.Get());
    if (need > validSize_) n = RecordsIn(validSize_);
  }
  if (n < diskCount_) DropWindow();
  diskCount_ = n;
}

uint32_t Table::KnownCount(uint64_t rec) {
  if (rec > uint64_t(diskCount_) + pendingCount_ && !turbo_ && !CountStable()) RefreshCount();
  return diskCount_ + pendingCount_;
}

uint32_t Table::RecordsIn(uint64_t size) const {
  return size > hdr_.headerLen ? uint32_t(std::min<uint64_t>((size - hdr_.headerLen) / hdr_.recLen, UINT32_MAX)) : 0;
}

void Table::FileShrank() {
  validSize_ = FileSize(fd_.Get());
  diskCount_ = std::min(diskCount_, RecordsIn(validSize_));
  DropWindow();
}

size_t Table::ReadBytes(uint8_t* dst, size_t n, uint64_t offset) {
  switch (mapping_.Read(fd_.Get(), dst, n, offset, validSize_)) {
    case FileMapping::Result::kDone:
      return n;
    case FileMapping::Result::kShrunk:
      // Whatever the file still holds, pread tells exactly.
      validSize_ = std::min(validSize_, FileSize(fd_.Get()));
      break;
    case FileMapping::Result::kUnavailable:
      break;
  }
  return ReadUpTo(fd_.Get(), dst, n, offset);
}

const uint8_t* Table::RecordPtr(uint32_t rec) {
  if (rec > diskCount_ && rec - diskCount_ <= pendingCount_) {
    return pending_.data() + uint64_t(rec - diskCount_ - 1) * hdr_.recLen;
  }
  if (rec < 1 || rec > diskCount_) return nullptr;
  const size_t len = hdr_.recLen;
  const bool ahead = turbo_ || scanDepth_ > 0;
  if (ahead && rec >= winFirst_ && rec - winFirst_ < winCount_) return win_.data() + (rec - winFirst_) * len;
  uint32_t first = rec;
  uint32_t count = 1;
  // A scan's first read takes one record, as a single move does; from its
  // second read on (and always with TurboRead) a block of records.
  if (ahead && (turbo_ || scanReads_++ > 0)) {
    count = uint32_t(std::max<size_t>(1, kReadAhead / len));
    // Walking backwards (the record just before the window): read the block
    // that ends at rec.
    if (winCount_ > 0 && rec + 1 == winFirst_) first = rec >= count ? rec - count + 1 : 1;
    count = std::min(count, diskCount_ - first + 1);
  }
  winCount_ = 0;
  win_.resize(size_t(count) * len);
  const size_t got = ReadBytes(win_.data(), win_.size(), hdr_.headerLen + uint64_t(first - 1) * len);
  if (got < (uint64_t(rec - first) + 1) * len) {
    FileShrank();
    return nullptr;
  }
  winFirst_ = first;
  winCount_ = uint32_t(got / len);
  return win_.data() + size_t(rec - first) * len;
}

void Table::Locate() {
  if (eof_) {
    curInBuf_ = false;
    ++landing_;
    cur_ = blank_.data();
    return;
  }
  // One stored record outside a scan: read straight into the landing copy
  // (View would read it into the window first, which only scans reuse).
  if (!hdr_.encrypted && !turbo_ && scanDepth_ == 0 && recno_ >= 1 && recno_ <= diskCount_) {
    DropWindow();
    const size_t len = hdr_.recLen;
    if (ReadBytes(shown_.data(), len, hdr_.headerLen + uint64_t(recno_ - 1) * len) == len) {
      curInBuf_ = false;
      ++landing_;
      cur_ = shown_.data();
      return;
    }
    FileShrank();
    Land(nullptr);
  }
  Land(View(recno_));
}

void Table::Land(const uint8_t* p) {
  curInBuf_ = false;
  ++landing_;
  // The current record is a copy: it stays the version read here until the
  // next move or refresh, whatever others write meanwhile.
  if (!p) {
    const uint32_t gone = recno_;
    Phantom(diskCount_ + pendingCount_);
    bof_ = diskCount_ + pendingCount_ == 0;
    throw XbError("Record " + std::to_string(gone) + " is gone: " + path_ + " was cut short by another program");
  }
  std::memcpy(shown_.data(), p, hdr_.recLen);
  cur_ = shown_.data();
}

bool Table::Visible(uint32_t rec) {
  const uint8_t* image = RecordImage(rec);
  if (!image) return false;
  if (s_.hideDeleted && image[0] == '*') return false;
  return !filter_ || filter_->Admits(rec, image);
}

uint32_t Table::NextVisible(uint32_t from, uint32_t n) {
  for (uint32_t r = from; r >= 1 && r <= n; ++r) {
    if (Visible(r)) return r;
  }
  return 0;
}

uint32_t Table::PrevVisible(uint32_t from) {
  for (uint32_t r = from; r >= 1; --r) {
    if (Visible(r)) return r;
  }
  return 0;
}

void Table::Phantom(uint32_t n) {
  recno_ = n + 1;
  eof_ = true;
  curInBuf_ = false;
  ++landing_;
  cur_ = blank_.data();
}

// ---- navigation ----

void Table::GoTop() {
  if (observer_ && observer_->GoTop(*this)) return;
  GoEnd(true);
}

void Table::GoBottom() {
  if (observer_ && observer_->GoBottom(*this)) return;
  GoEnd(false);
}

void Table::GoPhantom(bool bof) {
  WriteCurrent();
  Phantom(Count());
  bof_ = bof;
}

void Table::GoEnd(bool top) {
  WriteCurrent();
  if (!CountStable()) RefreshCount();
  DropWindow();
  ReadScope scan(*this);
  const uint32_t n = diskCount_ + pendingCount_;
  const uint32_t r = top ? NextVisible(1, n) : PrevVisible(n);
  if (r == 0) {
    Phantom(n);
    bof_ = true;
    return;
  }
  recno_ = r;
  eof_ = bof_ = false;
  Locate();
}

void Table::Go(int64_t recNo) {
  WriteCurrent();
  // With TurboRead a refresh point for records and count; without it the
  // count is read only when recNo lies beyond the records known.
  if (turbo_) {
    if (!CountStable()) RefreshCount();
    DropWindow();
  } else {
    KnownCount(recNo < 1 ? UINT64_MAX : uint64_t(recNo));
  }
  const uint32_t n = diskCount_ + pendingCount_;
  if (recNo < 1 || recNo > int64_t(n)) {
    Phantom(n);
    bof_ = n == 0;
    return;
  }
  recno_ = uint32_t(recNo);
  eof_ = bof_ = false;
  Locate();
}

void Table::Skip(int64_t distance) {
  if (observer_ && observer_->Skip(*this, distance)) return;
  // The hot path of a walk: one record on, no filter, nothing to write. Each
  // record is read once, whether it is passed over as a hidden deleted one or
  // landed on. The count is read again only at the end of the records known;
  // there, and for a record the file no longer holds, the full path decides.
  if (distance == 1 && !dirty_ && !eof_ && !filter_) {
    // A stored record of a plain table read one at a time (no TurboRead, no
    // scan) goes straight into the spare copy, which trades places with the
    // landing copy once it is landed on: one copy of the record, not two.
    const bool direct = !hdr_.encrypted && !turbo_ && scanDepth_ == 0;
    for (uint32_t r = recno_ + 1; r <= KnownCount(r); ++r) {
      if (direct && r <= diskCount_) {
        const size_t len = hdr_.recLen;
        DropWindow();
        if (ReadBytes(spare_.data(), len, hdr_.headerLen + uint64_t(r - 1) * len) != len) {
          FileShrank();
          break;
        }
        if (s_.hideDeleted && spare_[0] == '*') continue;
        recno_ = r;
        bof_ = false;
        curInBuf_ = false;
        ++landing_;
        shown_.swap(spare_);
        cur_ = shown_.data();
        return;
      }
      const uint8_t* p = View(r);
      if (!p) break;
      if (s_.hideDeleted && p[0] == '*') continue;
      recno_ = r;
      bof_ = false;
      Land(p);
      return;
    }
  }
  WriteCurrent();
  ReadScope scan(*this);
  const uint32_t n = Count();
  if (distance == 0) {
    if (!eof_ && recno_ > n) Phantom(n);
    Locate();
    return;
  }
  if (distance > 0) {
    if (eof_ || recno_ > n) {
      Phantom(n);
      return;
    }
    bof_ = false;
    if (!s_.hideDeleted && !filter_) {
      const int64_t target = int64_t(recno_) + distance;
      if (target > int64_t(n)) {
        Phantom(n);
        return;
      }
      recno_ = uint32_t(target);
    } else {
      for (int64_t i = 0; i < distance; ++i) {
        const uint32_t r = NextVisible(recno_ + 1, n);
        if (r == 0) {
          Phantom(n);
          return;
        }
        recno_ = r;
      }
    }
    Locate();
    return;
  }
  // Backwards: from the phantom record the first step lands on the last record.
  uint32_t at = (eof_ || recno_ > n) ? n + 1 : recno_;
  eof_ = false;
  bof_ = false;
  for (int64_t i = 0; i > distance; --i) {
    const uint32_t r = at > 1 ? PrevVisible(at - 1) : 0;
    if (r == 0) {
      const uint32_t first = NextVisible(1, n);
      if (first == 0) {
        Phantom(n);
        bof_ = true;
        return;
      }
      recno_ = first;
      bof_ = true;
      Locate();
      return;
    }
    at = r;
  }
  recno_ = at;
  Locate();
}

uint32_t Table::RecNo() {
  if (eof_) return Count() + 1;
  return recno_;
}

uint32_t Table::RecCount() {
  if (!CountStable()) RefreshCount();
  DropWindow();
  return diskCount_ + pendingCount_;
}

uint32_t Table::VisibleCount() {
  const uint32_t n = RecCount();
  if (!s_.hideDeleted) return n;
  ReadScope scan(*this);
  uint32_t c = 0;
  for (uint32_t r = 1; r <= n; ++r) {
    const uint8_t* p = RecordPtr(r);
    if (!p) break;
    if (p[0] != '*') ++c;
  }
  return c;
}

// In natural order too, positions count the records a walk shows; with
// nothing hidden that is the record number.
double Table::OrderPos() {
  double pos = 0.0;
  if (observer_ && observer_->OrderPos(*this, pos)) return pos;
  const uint32_t n = RecCount();
  if (!s_.hideDeleted && !filter_) {
    if (n == 0) return 0.0;
    if (eof_) return 1.0;
    return double(recno_) / double(n);
  }
  ReadScope scan(*this);
  uint32_t shown = 0, before = 0;
  for (uint32_t r = 1; r <= n; ++r) {
    if (!Visible(r)) continue;
    ++shown;
    if (r < recno_ || (r == recno_ && !eof_)) ++before;  // the record itself counts when shown
  }
  if (shown == 0) return 0.0;
  if (eof_) return 1.0;
  return double(before) / double(shown);
}

bool Table::SetOrderPos(double pos) {
  bool ok = false;
  if (observer_ && observer_->SetOrderPos(*this, pos, ok)) return ok;
  const uint32_t n = RecCount();
  if (n == 0 || !(pos >= 0.0 && pos <= 1.0)) return false;
  if (!s_.hideDeleted && !filter_) {
    const int64_t r = int64_t(std::llround(pos * n));
    Go(std::clamp<int64_t>(r, 1, n));
    return true;
  }
  uint32_t r = 0;
  {
    ReadScope scan(*this);
    uint32_t shown = 0;
    for (uint32_t i = 1; i <= n; ++i) shown += Visible(i) ? 1 : 0;
    if (shown == 0) return false;
    const int64_t k = std::clamp<int64_t>(std::llround(pos * shown), 1, shown);
    for (int64_t i = 0; i < k; ++i) r = NextVisible(r + 1, n);
  }
  if (r == 0) return false;
  Go(r);
  return true;
}

// ---- fields ----

const FieldDesc* Table::FieldByNumber(int n) const {
  if (n < 1 || n > int(visible_.size())) return nullptr;
  return &hdr_.fields[size_t(visible_[size_t(n - 1)])];
}

const FieldDesc* Table::FindField(std::string_view name) {
  name = Trim(name);
  const FieldDesc& last = hdr_.fields[size_t(lastField_)];
  if (!last.hidden && EqualsNoCase(last.name, name)) return &last;
  for (int i : visible_) {
    if (EqualsNoCase(hdr_.fields[size_t(i)].name, name)) {
      lastField_ = i;
      return &hdr_.fields[size_t(i)];
    }
  }
  return nullptr;
}

int Table::FieldNumber(std::string_view name) {
  const FieldDesc* f = FindField(name);
  if (!f) return 0;
  for (size_t i = 0; i < visible_.size(); ++i) {
    if (&hdr_.fields[size_t(visible_[i])] == f) return int(i + 1);
  }
  return 0;
}

// ---- reading values ----

std::string Table::Text(const FieldDesc& f) const {
  const uint8_t* p = cur_ + f.offset;
  if (!f.binary) return std::string(Raw(f));
  switch (f.type) {
    case 'I': case '+':
      return NumberText(dbf::ReadInt(p));
    case 'Y':
      return dbf::CurrencyText(dbf::ReadCurrency(p));
    case 'B': case 'O':
      if (f.width == 8) return DoubleText(dbf::ReadDouble(p));
      return NumberText(dbf::ReadInt(p));
    case 'T': case '@':
      return dbf::DateTimeText(dbf::ReadDateTime(p));
    default:
      return NumberText(dbf::ReadMemoRefBinary(p));  // binary memo reference
  }
}

double Table::Double(const FieldDesc& f) const {
  const uint8_t* p = cur_ + f.offset;
  if (f.binary) {
    switch (f.type) {
      case 'I': case '+': return dbf::ReadInt(p);
      case 'Y': return dbf::CurrencyValue(dbf::ReadCurrency(p));
      case 'B': case 'O': return f.width == 8 ? dbf::ReadDouble(p) : 0.0;
      default: return 0.0;
    }
  }
  if (f.type == 'L') return Logical(f) ? 1.0 : 0.0;
  return dbf::NumberOrZero(Raw(f));
}

int64_t Table::Integer(const FieldDesc& f) const {
  if (f.binary && (f.type == 'I' || f.type == '+')) return dbf::ReadInt(cur_ + f.offset);
  return dbf::WholeClamped(Double(f), INT64_MIN, INT64_MAX);
}

bool Table::Logical(const FieldDesc& f) const {
  if (f.type != 'L') return false;
  const char c = char(cur_[f.offset]);
  return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

int32_t Table::Julian(const FieldDesc& f) const {
  if (f.type == 'D') {
    int y, m, d;
    return ParseDbfDate(Raw(f), y, m, d) ? JulianFromYmd(y, m, d) : 0;
  }
  if (f.binary && (f.type == 'T' || f.type == '@')) return dbf::ReadDateTime(cur_ + f.offset).julian;
  return 0;
}

bool Table::IsNull(const FieldDesc& f) const {
  if (f.nullBit >= 0 && hdr_.nullFlagsField >= 0) {
    const FieldDesc& nf = hdr_.fields[size_t(hdr_.nullFlagsField)];
    if (cur_[nf.offset + f.nullBit / 8] & (1u << (f.nullBit % 8))) return true;
  }
  if (f.binary) return false;
  return Trim(Raw(f)).empty();
}

bool Table::IsEmpty(const FieldDesc& f) const {
  if (IsNull(f)) return true;
  switch (f.type) {
    case 'N': case 'F': case 'I': case '+': case 'Y': case 'O':
      return Double(f) == 0.0;
    case 'B':
      return f.width == 8 ? Double(f) == 0.0 : MemoBlock(f) == 0;
    case 'D':
      return Julian(f) == 0;
    case 'L':
      return !Logical(f);
    case 'M': case 'G': case 'P': case 'W':
      return MemoBlock(f) == 0;
    case 'T': case '@':
      return Julian(f) == 0;
    default:
      return false;
  }
}

uint32_t Table::MemoBlock(const FieldDesc& f) const { return MemoBlockIn(cur_, f); }

uint32_t Table::MemoBlockIn(const uint8_t* image, const FieldDesc& f) const {
  if (!IsMemoField(f)) return 0;
  if (f.binary) return dbf::ReadMemoRefBinary(image + f.offset);
  const std::string_view t(reinterpret_cast<const char*>(image) + f.offset, size_t(f.width));
  uint32_t block = 0;
  if (!dbf::ReadMemoRef(t, block)) throw XbError("Corrupt memo reference in field " + f.name);
  return block;
}

std::string Table::Memo(const FieldDesc& f) const { return MemoOf(cur_, f); }

std::string Table::MemoOf(const uint8_t* image, const FieldDesc& f) const {
  const uint32_t block = MemoBlockIn(image, f);
  if (block == 0) return {};
  if (!memo_) throw XbError("Table has no memo file");
  return OpenMemoData(memo_->Read(block));
}

void Table::CopyRecord(void* dest) const { std::memcpy(dest, cur_, hdr_.recLen); }

// ---- changing the current record ----

void Table::CheckWritable() const {
  if (mode_ == kModeReadOnly || !writable_) throw XbError("Table is read-only: " + path_);
  CheckKey();
}

uint8_t* Table::BeginChange() {
  CheckWritable();
  if (eof_) throw XbError("No current record to change");
  if (!dirty_ && observer_) observer_->BeforeChange(*this);
  CheckReadable();
  if (!curInBuf_) {
    std::memcpy(rec_.data(), cur_, hdr_.recLen);
    cur_ = rec_.data();
    curInBuf_ = true;
  }
  return rec_.data();
}

void Table::Changed() {
  dirty_ = true;
  if (commitLevel_ != kCommitNone) WriteCurrent();
}

void Table::WriteCurrent() {
  if (!dirty_) return;
  dirty_ = false;
  if (recno_ > diskCount_ && recno_ - diskCount_ <= pendingCount_) {
    std::memcpy(pending_.data() + uint64_t(recno_ - diskCount_ - 1) * hdr_.recLen, rec_.data(), hdr_.recLen);
  } else {
    if (recno_ < 1 || recno_ > diskCount_) return;
    const uint8_t* stored = Stored(rec_.data());
    WriteAt(fd_.Get(), stored, hdr_.recLen, hdr_.headerLen + uint64_t(recno_ - 1) * hdr_.recLen);
    // Records read ahead show this area's own change.
    if (recno_ >= winFirst_ && recno_ - winFirst_ < winCount_) {
      std::memcpy(win_.data() + size_t(recno_ - winFirst_) * hdr_.recLen, stored, hdr_.recLen);
    }
    dateDue_ = true;
  }
  // The record first, its keys after: a crash between leaves an index that
  // lacks a change, never one that points at data not written.
  if (observer_) observer_->AfterWrite(*this, recno_);
}

void Table::PutField(const FieldDesc& f, std::string_view bytes) {
  uint8_t* r = BeginChange();
  const size_t n = std::min(bytes.size(), size_t(f.width));
  std::memcpy(r + f.offset, bytes.data(), n);
  std::memset(r + f.offset + n, f.binary ? 0 : ' ', size_t(f.width) - n);
  if (f.nullBit >= 0 && hdr_.nullFlagsField >= 0) {
    const FieldDesc& nf = hdr_.fields[size_t(hdr_.nullFlagsField)];
    r[nf.offset + f.nullBit / 8] &= uint8_t(~(1u << (f.nullBit % 8)));
  }
  Changed();
}

void Table::PutText(const FieldDesc& f, std::string_view text) {
  switch (f.type) {
    case 'N': case 'F': case 'I': case '+': case 'Y': case 'O': {
      double v = 0;
      if (Trim(text).empty()) {
        PutField(f, "");
      } else if (ParseNumber(text, v)) {
        PutDouble(f, v);
      } else {
        throw XbError("Not a number for field " + f.name);
      }
      return;
    }
    case 'B':
      if (f.width == 8) {
        double v = 0;
        if (!ParseNumber(text, v)) throw XbError("Not a number for field " + f.name);
        PutDouble(f, v);
      } else {
        PutMemo(f, std::string(text), true);
      }
      return;
    case 'M': case 'G': case 'P': case 'W':
      PutMemo(f, std::string(text), f.type != 'M');
      return;
    case 'L':
      PutField(f, text.empty() ? std::string_view(" ") : text.substr(0, 1));
      return;
    case 'D': {
      int y, m, d;
      if (Trim(text).empty()) {
        PutField(f, "");
      } else if (ParseDbfDate(text, y, m, d)) {
        PutField(f, text.substr(0, 8));
      } else {
        throw XbError("Not a date (yyyymmdd) for field " + f.name);
      }
      return;
    }
    case 'T': case '@':
      throw XbError("Text cannot be stored in field " + f.name);
    default:
      PutField(f, text);
  }
}

void Table::PutDouble(const FieldDesc& f, double v) {
  if (!std::isfinite(v)) throw XbError("Value out of bounds for field " + f.name);
  uint8_t b[8];
  switch (f.type) {
    case 'N': case 'F': {
      std::string out;
      if (!FormatNumber(v, f.width, f.decimals, out)) throw XbError("Value out of bounds for field " + f.name);
      PutField(f, out);
      return;
    }
    case 'I': case '+': {
      int64_t whole = 0;
      if (!dbf::WholeInRange(v, INT32_MIN, INT32_MAX, whole)) throw XbError("Value out of bounds for field " + f.name);
      dbf::WriteInt(b, int32_t(whole));
      PutField(f, std::string_view(reinterpret_cast<char*>(b), 4));
      return;
    }
    case 'Y': {
      int64_t scaled = 0;
      if (!dbf::CurrencyFromDouble(v, scaled)) throw XbError("Value out of bounds for field " + f.name);
      dbf::WriteCurrency(b, scaled);
      PutField(f, std::string_view(reinterpret_cast<char*>(b), 8));
      return;
    }
    case 'B': case 'O': {
      if (f.width != 8) throw XbError("Not a numeric field: " + f.name);
      dbf::WriteDouble(b, v);
      PutField(f, std::string_view(reinterpret_cast<char*>(b), 8));
      return;
    }
    case 'L':
      PutLogical(f, v != 0.0);
      return;
    case 'C': case 'V': case 'Q': {
      const std::string t = DoubleText(v);
      if (int(t.size()) > f.width) throw XbError("Value out of bounds for field " + f.name);
      PutField(f, t);
      return;
    }
    default:
      throw XbError("Not a numeric field: " + f.name);
  }
}

void Table::PutInteger(const FieldDesc& f, int64_t v) {
  if (f.type == 'C' || f.type == 'V' || f.type == 'Q') {
    const std::string t = NumberText(v);
    if (int(t.size()) > f.width) throw XbError("Value out of bounds for field " + f.name);
    PutField(f, t);
    return;
  }
  PutDouble(f, double(v));
}

void Table::PutLogical(const FieldDesc& f, bool v) {
  if (f.type != 'L' && f.type != 'C') throw XbError("Not a logical field: " + f.name);
  PutField(f, v ? "T" : "F");
}

void Table::PutJulian(const FieldDesc& f, int32_t jdn) {
  if (f.type == 'T' || f.type == '@') {
    uint8_t b[8];
    dbf::WriteDateTime(b, {jdn, 0});
    PutField(f, std::string_view(reinterpret_cast<char*>(b), 8));
    return;
  }
  if (f.type != 'D') throw XbError("Not a date field: " + f.name);
  if (jdn == 0) {
    PutField(f, "");
    return;
  }
  int y, m, d;
  YmdFromJulian(jdn, y, m, d);
  const std::string text = dbf::FormatDate(y, m, d);
  if (text.empty()) throw XbError("Date out of range for field " + f.name);
  PutField(f, text);
}

void Table::PutDateText(const FieldDesc& f, std::string_view text) {
  if (Trim(text).empty()) {
    PutJulian(f, 0);
    return;
  }
  int y = 0, m = 0, d = 0;
  if (!ParseDate(s_.layout, s_.epoch, text, y, m, d)) throw XbError("Not a date: " + std::string(text));
  PutJulian(f, JulianFromYmd(y, m, d));
}

void Table::PutMemo(const FieldDesc& f, const std::string& data, bool binary) {
  if (!IsMemoField(f)) {
    PutText(f, data);
    return;
  }
  BeginChange();
  if (!memo_) throw XbError("Table has no memo file");
  uint32_t block = 0;
  if (!data.empty()) {
    // Other areas allocate blocks whatever record or file locks are held, so
    // only exclusive use makes the memo lock unnecessary.
    ScopedLock guard;
    if (mode_ != kModeExclusive) {
      if (!LockWithTimeout(fd_.Get(), kMemoByte, 1, LockType::Write, s_.LockTimeoutMs())) {
        throw XbError("Memo file is busy");
      }
      guard = ScopedLock(fd_.Get(), kMemoByte);
    }
    block = hdr_.encrypted ? memo_->Write(SealMemoData(data), true) : memo_->Write(data, binary);
  }
  PutField(f, MemoReference(f, block));
}

void Table::PutRecord(const void* image) {
  uint8_t* r = BeginChange();
  std::memcpy(r, image, hdr_.recLen);
  Changed();
}

void Table::SetDeleted(bool deleted) {
  uint8_t* r = BeginChange();
  r[0] = deleted ? '*' : ' ';
  Changed();
}

// ---- appending ----

namespace {
void TodayBytes(uint8_t* h) {
  int y, m, d;
  LocalToday(y, m, d);
  h[0] = uint8_t(y - 1900);
  h[1] = uint8_t(m);
  h[2] = uint8_t(d);
}
}  // namespace

void Table::WriteHeaderCount(uint32_t count) {
  uint8_t h[7];
  TodayBytes(h);
  WriteLe32(h + 3, count);
  WriteAt(fd_.Get(), h, sizeof h, 1);
  std::memcpy(headerDate_, h, sizeof headerDate_);
  dateDue_ = false;  // this date covers every change written before it
}

void Table::WriteHeaderDate() {
  uint8_t h[3];
  TodayBytes(h);
  // Most commits happen on the day the header already shows: then there is
  // nothing to write, and no header lock to take for every posted record.
  if (std::memcmp(h, headerDate_, sizeof h) == 0) {
    dateDue_ = false;
    return;
  }
  // The date shares its header with the record count that appenders of other
  // areas rewrite; their header lock keeps the two writes apart. It is held
  // only for one append, so a short wait is allowed even at lock time-out 0.
  ScopedLock header;
  if (mode_ == kModeShared) {
    if (!LockWithTimeout(fd_.Get(), kHeaderByte, 1, LockType::Write,
                         std::max(s_.LockTimeoutMs(), kHeaderWaitMs))) {
      throw XbError("Cannot write the update date: the table header is busy");
    }
    header = ScopedLock(fd_.Get(), kHeaderByte);
  }
  WriteAt(fd_.Get(), h, sizeof h, 1);
  std::memcpy(headerDate_, h, sizeof headerDate_);
  dateDue_ = false;
}

uint32_t Table::Append(const uint8_t* image, bool keepLock) {
  CheckWritable();
  WriteCurrent();
  const uint8_t* src = image ? image : blank_.data();
  uint32_t newRec;
  if (Batching()) {
    if (pendingCount_ >= pendingCapacity_) FlushPending();
    if (pending_.empty()) pending_.resize(size_t(pendingCapacity_) * hdr_.recLen + 1);
    if (diskCount_ + uint64_t(pendingCount_) >= 0xFFFFFFFEu) throw XbError("Table full");
    std::memcpy(pending_.data() + uint64_t(pendingCount_) * hdr_.recLen, src, hdr_.recLen);
    ++pendingCount_;
    newRec = diskCount_ + pendingCount_;
  } else {
    ScopedLock header;
    bool tookLock = false;
    if (CountStable()) {
      if (diskCount_ >= 0xFFFFFFFEu) throw XbError("Table full");
      newRec = diskCount_ + 1;
    } else {
      newRec = ClaimNewRecord(header);
      tookLock = true;
    }
    std::vector<uint8_t> out(hdr_.recLen + 1);
    std::memcpy(out.data(), Stored(src), hdr_.recLen);
    out[hdr_.recLen] = 0x1A;
    try {
      WriteAt(fd_.Get(), out.data(), out.size(), hdr_.headerLen + uint64_t(diskCount_) * hdr_.recLen);
      WriteHeaderCount(newRec);
    } catch (...) {
      if (tookLock) xbe::Unlock(fd_.Get(), kRecordBase + newRec, 1);
      throw;
    }
    diskCount_ = newRec;
    validSize_ = std::max(validSize_, hdr_.headerLen + uint64_t(diskCount_) * hdr_.recLen);
    if (tookLock && !keepLock) xbe::Unlock(fd_.Get(), kRecordBase + newRec, 1);
  }
  if (keepLock) locks_.Rlock(fd_.Get(), newRec, 0);
  recno_ = newRec;
  eof_ = bof_ = false;
  // The new record is what was just written: no need to read it back.
  curInBuf_ = false;
  ++landing_;
  std::memcpy(shown_.data(), src, hdr_.recLen);
  cur_ = shown_.data();
  if (observer_) observer_->AfterAppend(*this, newRec);
  return newRec;
}

uint32_t Table::ClaimNewRecord(ScopedLock& header) {
  // Appenders without the file lock agree on the next record number through
  // the header lock; the record's own lock keeps a file-lock holder, which
  // appends without the header lock, away while it is written. A busy record
  // lock (someone holds the file lock) is waited for within the lock
  // time-out, with the header lock given up meanwhile so that others proceed.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(s_.LockTimeoutMs());
  auto pause = std::chrono::microseconds(200);
  for (;;) {
    // The header lock is held only for one append: a short wait is allowed
    // even at lock time-out 0.
    if (!LockWithTimeout(fd_.Get(), kHeaderByte, 1, LockType::Write, std::max(s_.LockTimeoutMs(), kHeaderWaitMs))) {
      throw XbError("Append lock failure: the table header is busy");
    }
    header = ScopedLock(fd_.Get(), kHeaderByte);
    const uint32_t n = ReadHeaderCount();
    if (n >= 0xFFFFFFFEu) throw XbError("Table full");
    if (TryLock(fd_.Get(), kRecordBase + n + 1, 1, LockType::Write)) {
      // A file-lock holder may have appended and let go between the count
      // read and the record lock: then the count moved on, and so do we.
      if (ReadHeaderCount() == n) {
        diskCount_ = n;
        return n + 1;
      }
      xbe::Unlock(fd_.Get(), kRecordBase + n + 1, 1);
      header = ScopedLock();
      continue;
    }
    header = ScopedLock();
    if (std::chrono::steady_clock::now() >= deadline) throw XbError("Append lock failure: the table is locked");
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(10)) pause *= 2;
  }
}

uint32_t Table::ReadHeaderCount() {
  uint8_t c[4];
  if (!ReadAt(fd_.Get(), c, 4, 4)) throw XbError("Cannot read the table header");
  const uint32_t n = ReadLe32(c);
  const uint64_t need = hdr_.headerLen + uint64_t(n) * hdr_.recLen;
  if (need > validSize_) {
    validSize_ = FileSize(fd_.Get());
    if (need > validSize_) throw XbError("Record count beyond the end of the file");
  }
  return n;
}

void Table::FlushPending() {
  if (pendingCount_ == 0) return;
  const uint64_t bytes = uint64_t(pendingCount_) * hdr_.recLen;
  // The buffer has one spare byte for the end marker behind a full batch.
  pending_[size_t(bytes)] = 0x1A;
  const uint8_t* data = hdr_.encrypted ? SealBatch() : pending_.data();
  WriteAt(fd_.Get(), data, size_t(bytes + 1), hdr_.headerLen + uint64_t(diskCount_) * hdr_.recLen);
  diskCount_ += pendingCount_;
  pendingCount_ = 0;
  WriteHeaderCount(diskCount_);
  validSize_ = std::max(validSize_, hdr_.headerLen + uint64_t(diskCount_) * hdr_.recLen);
}

void Table::FlushAll() {
  WriteCurrent();
  FlushPending();
  if (dateDue_) WriteHeaderDate();
  if (observer_) observer_->AfterFlush(*this);
}

void Table::Commit() {
  if (mode_ == kModeReadOnly || !writable_) return;
  FlushAll();
  if (commitLevel_ == kCommitFull) {
    // The memo blocks first: a record must never reach the disk pointing at
    // blocks that did not.
    if (memo_) memo_->Sync();
    if (::fdatasync(fd_.Get()) != 0) {
      throw XbError("Commit failed: the table did not reach the disk: " + std::string(std::strerror(errno)));
    }
  }
}

void Table::Pack() {
  if (mode_ != kModeExclusive) throw XbError("Pack needs exclusive use");
  CheckKey();
  FlushAll();
  const uint32_t n = diskCount_;
  uint32_t out = 0;
  std::vector<uint8_t> buf(hdr_.recLen);
  Progress progress(s_.gaugeCallback, n);
  ReadScope scan(*this);
  for (uint32_t r = 1; r <= n; ++r) {
    progress.Step(r);
    const uint8_t* p = RecordPtr(r);
    if (!p) throw XbError("Pack stopped: " + path_ + " was cut short by another program");
    if (p[0] == '*') continue;
    ++out;
    if (out != r) {
      std::memcpy(buf.data(), p, hdr_.recLen);
      WriteAt(fd_.Get(), buf.data(), buf.size(), hdr_.headerLen + uint64_t(out - 1) * hdr_.recLen);
    }
  }
  const uint64_t end = hdr_.headerLen + uint64_t(out) * hdr_.recLen;
  const uint8_t eofMark = 0x1A;
  WriteAt(fd_.Get(), &eofMark, 1, end);
  WriteHeaderCount(out);
  if (::ftruncate(fd_.Get(), off_t(end + 1)) != 0) throw XbError("Cannot truncate the table");
  diskCount_ = out;
  validSize_ = end + 1;
  DropWindow();
  if (filter_) filter_->Renumbered();
  if (observer_) observer_->AfterRenumber(*this);
  GoTop();
}

void Table::Zap() {
  if (mode_ != kModeExclusive) throw XbError("Zap needs exclusive use");
  CheckKey();
  dirty_ = false;
  pendingCount_ = 0;
  const uint8_t eofMark = 0x1A;
  WriteHeaderCount(0);
  WriteAt(fd_.Get(), &eofMark, 1, hdr_.headerLen);
  if (::ftruncate(fd_.Get(), off_t(hdr_.headerLen + 1)) != 0) throw XbError("Cannot truncate the table");
  diskCount_ = 0;
  validSize_ = hdr_.headerLen + 1;
  DropWindow();
  if (memo_) memo_->Zap();
  if (filter_) filter_->Renumbered();
  if (observer_) observer_->AfterRenumber(*this);
  GoTop();
}

// ---- locks ----

bool Table::Rlock(uint32_t rec) {
  if (rec == 0) rec = eof_ ? 0 : recno_;
  if (rec == 0 || rec > RecCount()) return false;
  return locks_.Rlock(fd_.Get(), rec, s_.LockTimeoutMs());
}

bool Table::Flock() {
  if (!locks_.Flock(fd_.Get(), s_.LockTimeoutMs())) return false;
  // From now on nobody else appends: take the count as it stands.
  RefreshCount();
  return true;
}

void Table::Unlock(uint32_t rec) {
  if (rec == 0) {
    // Whatever the locks protected is written before others may touch it.
    FlushAll();
    locks_.UnlockAll(fd_.Get());
    return;
  }
  WriteCurrent();
  locks_.UnlockRecord(fd_.Get(), rec);
}

bool Table::Locked(uint32_t rec) const {
  if (rec == 0) return locks_.FileLocked();
  return locks_.Holds(rec);
}

}  // namespace xbe
