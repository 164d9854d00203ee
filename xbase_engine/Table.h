#pragma once
// One open table: the DBF file, its memo file, the current record,
// navigation, editing and the locks of the work area that holds it.
//
// Records are copied out of a shared mapping of the file (FileMapping), which
// shows what other processes write as soon as they write it, at no system
// call per read. A table that another program cuts short under us makes the
// copy fail instead of killing the process; the read is then made again with
// pread, whose short read becomes a clean error or the end of the table. The
// current record is a copy made when the area lands on it, so it stays one
// version until the next move or refresh.
// With TurboRead off every move reads its record from the file (and so sees
// what others committed), and the header's record count is read again when a
// move needs to look past the records known; with TurboRead on, records are
// read ahead in blocks that serve until the next GoTop, GoBottom, Go or
// RecCount. Scans over many records (hidden deleted records, filters,
// counts) read blocks too, each one fresh for the scan that reads it.
//
// Writing goes through pwrite. Records are always written before the header's
// record count that makes them visible, so a process killed in the middle of
// an append leaves a table that opens.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbase_engine/Crypt.h"
#include "xbase_engine/Dbf.h"
#include "xbase_engine/FileMapping.h"
#include "xbase_engine/Locks.h"
#include "xbase_engine/Memo.h"
#include "xbase_engine/RecordFilter.h"
#include "xbase_engine/Posix.h"
#include "xbase_engine/RecordObserver.h"
#include "xbase_engine/Settings.h"
#include "xbase_engine/Translate.h"

namespace xbe {

constexpr int kModeShared = 0;
constexpr int kModeReadOnly = 1;
constexpr int kModeExclusive = 2;
constexpr int kCommitFull = 0;
constexpr int kCommitNormal = 1;
constexpr int kCommitNone = 2;

// ".DBF" appended when the file name part has no extension.
std::string WithDbfExtension(const std::string& path);
// The memo file name for a table file: same base, ".DBT" or ".FPT" in the case
// of the table's extension.
std::string MemoFileName(const std::string& dbfPath, MemoKind kind);

class Table {
 public:
  // Opens an existing table; throws XbError.
  Table(const std::string& path, const std::string& alias, int mode, int commitLevel,
        const Settings& settings);
  // Takes over a freshly created table whose descriptor already holds the
  // exclusive share lock.
  Table(UniqueFd fd, const std::string& path, const std::string& alias, int commitLevel,
        const Settings& settings);
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const std::string& Alias() const { return alias_; }
  const std::string& Path() const { return path_; }
  int Mode() const { return mode_; }
  const DbfHeader& Header() const { return hdr_; }
  int CommitLevel() const { return commitLevel_; }
  void SetCommitLevel(int level);
  void SetTurboRead(bool on) {
    turbo_ = on;
    DropWindow();
  }
  bool TurboRead() const { return turbo_; }

  // ---- navigation ----
  void GoTop();
  void GoBottom();
  void Go(int64_t recNo);
  // A hint that record rec will be read soon (an index walk knows the
  // records ahead): its stored bytes are asked into the processor's cache.
  // Reads nothing and changes nothing.
  void PrefetchRecord(uint32_t rec) const noexcept {
    if (rec >= 1 && rec <= diskCount_) mapping_.Prefetch(hdr_.headerLen + uint64_t(rec - 1) * hdr_.recLen, hdr_.recLen);
  }
  void Skip(int64_t distance);
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  uint32_t RecNo();
  uint32_t RecCount();
  uint32_t VisibleCount();
  // True when moves may land on rec: not a hidden deleted record, and
  // admitted by the filter. Every move, in any order, asks this.
  bool Visible(uint32_t rec);
  // The work area's filter (null: none); the table owns it.
  void SetFilter(std::unique_ptr<RecordFilter> filter) { filter_ = std::move(filter); }
  RecordFilter* Filter() const { return filter_.get(); }
  // Counts the moves and refreshes: the current record's values stay those
  // of one version while it is unchanged.
  uint64_t Landing() const { return landing_; }
  // While one is open, records are read in blocks (always with TurboRead on).
  // Open one around a loop over many records; each outermost scope starts
  // with fresh reads.
  class ReadScope {
   public:
    explicit ReadScope(Table& t) : t_(t) {
      if (t_.scanDepth_++ == 0) {
        t_.scanReads_ = 0;
        if (!t_.turbo_) t_.DropWindow();
      }
    }
    ~ReadScope() { --t_.scanDepth_; }
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;

   private:
    Table& t_;
  };
  double OrderPos();
  bool SetOrderPos(double pos);

  // ---- fields ----
  int FieldCount() const { return int(visible_.size()); }
  const FieldDesc* FieldByNumber(int n) const;  // 1-based, visible fields
  const FieldDesc* FindField(std::string_view name);
  // As FindField for a caller's zero-terminated name; the same spelling as
  // the last call is answered without a search.
  const FieldDesc* FindField(const char* name) {
    const char* a = name;
    const char* b = lastName_.c_str();
    while (*a && *a == *b) {
      ++a;
      ++b;
    }
    if (*a == 0 && *b == 0 && lastHit_) return lastHit_;
    lastHit_ = FindField(std::string_view(name));
    lastName_ = lastHit_ ? name : "";
    return lastHit_;
  }
  int FieldNumber(std::string_view name);

  // ---- values of the current record ----
  std::string_view Raw(const FieldDesc& f) const {
    return {reinterpret_cast<const char*>(cur_) + f.offset, size_t(f.width)};
  }
  std::string Text(const FieldDesc& f) const;  // as xb_GetString answers
  double Double(const FieldDesc& f) const;
  int64_t Integer(const FieldDesc& f) const;
  bool Logical(const FieldDesc& f) const;
  int32_t Julian(const FieldDesc& f) const;
  bool IsNull(const FieldDesc& f) const;
  bool IsEmpty(const FieldDesc& f) const;
  uint32_t MemoBlock(const FieldDesc& f) const;
  std::string Memo(const FieldDesc& f) const;
  // The memo text of a field in the given record image.
  std::string MemoOf(const uint8_t* image, const FieldDesc& f) const;
  void CopyRecord(void* dest) const;
  // The current record image (recLen bytes, valid until the next move or change).
  const uint8_t* CurrentImage() const { return cur_; }
  // The image of record rec as this area sees it, its unwritten change
  // included; null beyond the record count last read (see RecCount) and when
  // the file no longer holds it. Valid until the next read of a record (a
  // loop over many records reads them in blocks inside a ReadScope).
  const uint8_t* RecordImage(uint32_t rec) {
    if (rec == recno_ && !eof_) return cur_;
    if (rec < 1 || rec > diskCount_ + pendingCount_) return nullptr;
    return hdr_.encrypted ? Peek(rec) : RecordPtr(rec);
  }
  bool Deleted() const { return cur_[0] == '*'; }

  // ---- changes to the current record ----
  void PutText(const FieldDesc& f, std::string_view text);
  void PutDouble(const FieldDesc& f, double v);
  void PutInteger(const FieldDesc& f, int64_t v);
  void PutLogical(const FieldDesc& f, bool v);
  void PutJulian(const FieldDesc& f, int32_t jdn);
  void PutDateText(const FieldDesc& f, std::string_view text);
  void PutMemo(const FieldDesc& f, const std::string& data, bool binary);
  void PutRecord(const void* image);
  // Field bytes as stored (cut or padded to the width).
  void PutRaw(const FieldDesc& f, std::string_view bytes) { PutField(f, bytes); }
  void SetDeleted(bool deleted);

  // ---- appending and maintenance ----
  uint32_t Append(const uint8_t* image, bool keepLock);  // nullptr: blank record
  void Commit();
  void Pack();
  void Zap();

  // ---- locks ----
  bool Rlock(uint32_t rec);
  bool Flock();
  void Unlock(uint32_t rec);
  bool Locked(uint32_t rec) const;
  int LockCount() const { return locks_.Count(); }
  std::vector<int> LockedRecords() const { return locks_.Records(); }

  // Writes everything pending, and today's date into the header when records
  // were changed; used before close, commit and unlock.
  void FlushAll();

  // ---- the work area's indexes ----
  // The observer is told of every change and takes over the moves while an
  // index order is in control.
  void SetObserver(std::unique_ptr<RecordObserver> o) { observer_ = std::move(o); }
  RecordObserver* Observer() const { return observer_.get(); }
  // Writes the current record when it has unwritten changes.
  void WriteCurrent();
  // Changes wait in memory until a commit (commit level none under
  // exclusive use or the file lock).
  bool Batching() const { return commitLevel_ == kCommitNone && CountStable(); }
  // Moves an index order makes: the phantom record (EOF, and BOF when asked),
  // and the BOF flag on the current record.
  void GoPhantom(bool bof);
  void MarkBof() { bof_ = true; }
  // ---- encryption and code page translation (TableCrypt.cpp) ----
  // An encrypted table without its key shows masked records (MaskRecord)
  // and refuses every change.
  bool Encrypted() const { return hdr_.encrypted; }
  bool HasKey() const { return key_ != nullptr; }
  const TableKey* Key() const { return key_.get(); }
  const std::optional<KeyBlock>& KeyBlockOf() const { return keyBlock_; }
  // Writes what is pending, then takes the password: for an encrypted table
  // the key it opens (false, and no key, when it is the wrong one; empty: no
  // key); for a plain one it is kept for DbfEncrypt.
  bool SetPassword(std::string_view password);
  std::string_view Password() const { return password_.View(); }
  // The code page mark of the header (byte 29).
  uint8_t CodePageMark() const { return codePageMark_; }
  void SetTranslate(bool on) { translate_ = on; }
  bool Translating() const { return translate_; }
  // The memo file, when the table has one.
  const MemoFile* MemoFileOf() const { return memo_.get(); }
  // The status of the open table file (false when the system cannot tell).
  bool FileStatus(struct stat& st) const { return ::fstat(fd_.Get(), &st) == 0; }
  // True when st describes the table file or its memo file.
  bool UsesFile(const struct stat& st) const {
    return SameFile(fd_.Get(), st) || (memo_ && SameFile(memo_->Fd(), st));
  }
  // The DOS page text is translated from, when translation is on and the
  // table holds DOS text.
  std::optional<DosPage> Translation() const;
  std::string ShownText(std::string_view stored) const;
  std::string StoredText(std::string_view shown) const;
  // The character fields of a record image, translated in place.
  void ShowImage(uint8_t* image) const {
    if (translate_) ShowTranslated(image);  // nothing to do without translation (every read asks)
  }
  void StoreImage(uint8_t* image) const;

 private:
  void Init(const std::string& alias);
  void CheckWritable() const;
  bool CountStable() const { return mode_ == kModeExclusive || locks_.FileLocked(); }
  void RefreshCount();
  uint32_t Count() {
    if (!turbo_ && !CountStable()) RefreshCount();
    return diskCount_ + pendingCount_;
  }
  // The count as known, read again first when rec lies beyond it and others
  // may have appended (TurboRead off).
  uint32_t KnownCount(uint64_t rec);
  uint32_t RecordsIn(uint64_t fileSize) const;
  // The file turned out shorter than the records known: count again by its size.
  void FileShrank();
  void DropWindow() { winCount_ = 0; }
  // Up to n bytes of the file at offset, from the mapping while the file
  // holds them, else with pread; answers how many the file held.
  size_t ReadBytes(uint8_t* dst, size_t n, uint64_t offset);
  // Record rec as stored (or waiting in the batch); valid until the next
  // call. Null beyond the records known, and when the file no longer holds it.
  const uint8_t* RecordPtr(uint32_t rec);
  void Locate();
  // Makes p, record recno_ as View answered it, the current record; null (the
  // file no longer holds it) leaves the area at the end and throws.
  void Land(const uint8_t* p);
  // The first (top) or last visible record; none visible leaves the phantom
  // record at BOF.
  void GoEnd(bool top);
  uint32_t NextVisible(uint32_t from, uint32_t n);  // 0 when none
  uint32_t PrevVisible(uint32_t from);              // 0 when none
  void Phantom(uint32_t n);
  uint32_t MemoBlockIn(const uint8_t* image, const FieldDesc& f) const;
  uint8_t* BeginChange();
  void Changed();
  void FlushPending();
  // Takes the header lock and the lock of the next record number for an
  // append without the file lock; answers that number.
  uint32_t ClaimNewRecord(ScopedLock& header);
  // The header's record count as stored; throws when it cannot be read or
  // the file cannot hold that many records.
  uint32_t ReadHeaderCount();
  void WriteHeaderCount(uint32_t count);
  void WriteHeaderDate();
  void PutField(const FieldDesc& f, std::string_view bytes);
  void ReadHeaderExtras(const uint8_t* head, size_t size);
  // Record rec as callers see it: decrypted or masked for an encrypted table.
  const uint8_t* View(uint32_t rec);
  // As View, into a buffer of its own: for looking at other records while
  // the current one stays shown.
  const uint8_t* Peek(uint32_t rec);
  const uint8_t* Unseal(uint32_t rec, std::vector<uint8_t>& buf, bool current);
  // The bytes to store for a record image (sealed for an encrypted table).
  const uint8_t* Stored(const uint8_t* plain);
  const uint8_t* SealBatch();  // the batched records, sealed
  std::string OpenMemoData(std::string stored) const;
  std::string SealMemoData(const std::string& plain) const;
  void ShowTranslated(uint8_t* image) const;
  void CheckKey() const;       // throws when encrypted and without key
  void CheckReadable() const;  // throws when the current record failed its check

  const Settings& s_;
  std::string path_;
  std::string alias_;
  int mode_ = kModeShared;
  int commitLevel_ = kCommitNormal;
  bool turbo_ = false;
  bool writable_ = false;  // the descriptor allows writing
  UniqueFd fd_;
  DbfHeader hdr_;
  std::vector<int> visible_;  // indices of the fields callers see
  int lastField_ = 0;         // last field found by name (a name cache)
  std::string lastName_;      // spelling of the last name looked up
  const FieldDesc* lastHit_ = nullptr;
  std::unique_ptr<MemoFile> memo_;

  uint64_t validSize_ = 0;       // bytes of the file known to exist
  FileMapping mapping_;          // reads of those bytes
  std::vector<uint8_t> win_;     // records read at once: winFirst_ .. + winCount_
  uint32_t winFirst_ = 0;
  uint32_t winCount_ = 0;
  int scanDepth_ = 0;            // open ReadScopes
  uint32_t scanReads_ = 0;       // reads of the open scan
  uint64_t landing_ = 0;         // counts the moves and refreshes

  uint32_t diskCount_ = 0;
  std::vector<uint8_t> pending_;  // appended records not yet written (batched)
  uint32_t pendingCount_ = 0;
  uint32_t pendingCapacity_ = 0;

  uint32_t recno_ = 0;
  bool eof_ = true;
  bool bof_ = true;
  const uint8_t* cur_ = nullptr;
  std::vector<uint8_t> shown_;  // the current record as read when the area landed on it
  std::vector<uint8_t> spare_;  // a record read ahead of landing on it (trades places with shown_)
  std::vector<uint8_t> rec_;    // the current record while it is being changed
  bool curInBuf_ = false;
  bool dirty_ = false;
  bool dateDue_ = false;        // a record was rewritten since the header's date
  uint8_t headerDate_[3] = {};  // the update date the header holds, as last read or written
  std::vector<uint8_t> blank_;  // the phantom record

  LockSet locks_;
  std::unique_ptr<RecordObserver> observer_;

  std::optional<KeyBlock> keyBlock_;
  std::unique_ptr<TableKey> key_;
  SecretText password_;
  std::vector<uint8_t> view_;    // the current record decrypted or masked
  std::vector<uint8_t> probe_;   // another record decrypted or masked (Peek)
  std::vector<uint8_t> sealed_;  // records sealed for writing
  uint32_t badRec_ = 0;          // the record View last found altered
  uint8_t codePageMark_ = 0;
  bool translate_ = false;
  std::unique_ptr<RecordFilter> filter_;
};

}  // namespace xbe
