#pragma once
// A small dataset over rows held in memory, written the way a table
// descendant uses the framework: it reads its field definitions from a
// schema, lays out record buffers (has-value byte + native value per data
// field, the calculated area, a trailer with the row id and bookmark flag),
// keeps blob values beside the buffers, and records every hook call.
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "class_library/datasets/DBConsts.h"
#include "class_library/datasets/DataSet.h"
#include "class_library/core/Streams.h"

struct TMemColumn {
  String Name;
  TFieldType Type;
  int Size = 0;
};

class TMemTable : public TDataSet {
public:
  explicit TMemTable(TComponent* AOwner = nullptr) : TDataSet(AOwner) {}
  ~TMemTable() override { Close(); }
  String ClassName() const override { return "TMemTable"; }

  // ---- test controls
  std::vector<TMemColumn> Schema;
  std::vector<String>* Log = nullptr;  // hook calls, when set
  int FailOpen = 0;                    // OpenCursor raises this many times
  int FailPosts = 0;                   // PostRecord raises this many times
  int FailFetchAt = -1;                // FetchRecord raises when it reaches this row
  int DisposedBuffers = 0;
  bool ReadOnlyTable = false;

  // Rows as (row id, values by column; nullopt = null). Blob columns hold text.
  struct Row {
    int Id = 0;
    std::vector<std::optional<std::vector<Byte>>> Values;
    std::map<int, String> Blobs;  // by blob number
  };
  std::vector<Row> Rows;

  void SetBuffers(int Count) { SetBufferCount(Count); }

  // Adds a row while the table is closed: values as field texts through a
  // scratch open would be heavy, so raw native values are given.
  void AddRawRow(std::vector<std::optional<std::vector<Byte>>> Values, std::map<int, String> Blobs = {}) {
    Row r;
    r.Id = ++lastId_;
    r.Values = std::move(Values);
    r.Blobs = std::move(Blobs);
    Rows.push_back(std::move(r));
  }
  static std::vector<Byte> Int32(int v) {
    std::vector<Byte> b(4);
    std::memcpy(b.data(), &v, 4);
    return b;
  }
  static std::vector<Byte> Str(const String& s, int size) {
    std::vector<Byte> b(static_cast<size_t>(size) + 1, 0);
    std::memcpy(b.data(), s.data(), std::min(s.size(), static_cast<size_t>(size)));
    return b;
  }
  int CursorPos() const { return pos_; }
  // Exposes a few protected helpers to the tests.
  using TDataSet::BufferAt;
  using TDataSet::SetTempState;
  using TDataSet::RestoreState;

  // ---- storage access
  bool ReadFieldData(TField* Field, void* Buffer) override {
    if (!open_) return false;
    Byte* rec = RecordFor();
    if (!rec) return false;
    Byte* place = Place(Field, rec);
    if (!place || place[0] == 0) return false;
    if (Buffer && Field->DataSize() > 0) std::memcpy(Buffer, place + 1, static_cast<size_t>(Field->DataSize()));
    return true;
  }

  void WriteFieldData(TField* Field, const void* Buffer) override {
    if (State() == dsInactive) return;
    bool dataField = Field->FieldNo() > 0;
    if (dataField) {
      if (State() != dsEdit && State() != dsInsert && State() != dsSetKey) DatabaseError(SNotEditing, this);
      Field->Validate(Buffer);
    }
    Byte* rec = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    Byte* place = Place(Field, rec);
    if (Buffer) {
      place[0] = 1;
      if (Field->DataSize() > 0) std::memcpy(place + 1, Buffer, static_cast<size_t>(Field->DataSize()));
    } else {
      place[0] = 0;
      std::memset(place + 1, 0, static_cast<size_t>(Field->DataSize()));
    }
    if (State() != dsCalcFields && State() != dsFilter && State() != dsNewValue) DataEvent(deFieldChange, Field);
  }

  std::unique_ptr<TStream> OpenBlobStream(TField* Field, TBlobStreamMode Mode) override {
    return std::make_unique<BlobStream>(*this, Field, Mode);
  }

  int CountRecords() override { return static_cast<int>(Rows.size()); }
  int GetRecNo() override {
    if (!Active() || IsEmpty()) return -1;
    int i = IndexOfId(TrailerId(ActiveBuffer()));
    return i < 0 ? -1 : i + 1;
  }
  int CompareBookmarkOrder(const Byte* a, const Byte* b) override {
    if (!a || !b) return 2;
    int ia = IndexOfId(ReadId(a)), ib = IndexOfId(ReadId(b));
    return ia < ib ? -1 : ia > ib ? 1 : 0;
  }

protected:
  // ---- buffers: data area, calculated area, trailer (id int32, flag byte)
  int RecordBufferSize() override { return dataSize_ + CalcFieldsSize() + 5; }
  void DisposeRecordBuffer(Byte* Buffer) override {
    blobs_.erase(Buffer);
    ++DisposedBuffers;
  }
  void InitRecordBuffer(Byte* Buffer) override {
    std::memset(Buffer, 0, static_cast<size_t>(dataSize_ + CalcFieldsSize()));
    WriteId(Buffer + Trailer(), 0);
    blobs_[Buffer].clear();
  }
  void ResetCalcFields(Byte* Buffer) override {
    std::memset(Buffer + dataSize_, 0, static_cast<size_t>(CalcFieldsSize()));
  }

  // ---- cursor
  void OpenCursor() override {
    Note("OpenCursor");
    if (FailOpen > 0) {
      --FailOpen;
      throw EDatabaseError("cannot open");
    }
    BuildFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    offsets_.assign(static_cast<size_t>(FieldDefs().Count()) + 1, -1);
    dataSize_ = 0;
    for (TField* f : Fields()) {
      if (f->FieldNo() <= 0) continue;
      offsets_[static_cast<size_t>(f->FieldNo())] = dataSize_;
      dataSize_ += f->DataSize() + 1;
    }
    SetBookmarkSize(4);
    pos_ = -1;
    open_ = true;
  }
  void CloseCursor() override {
    Note("CloseCursor");
    open_ = false;
    BindFields(false);
    if (DefaultFields()) DestroyFields();
  }
  bool CursorIsOpen() override { return open_; }
  void BuildFieldDefs() override {
    FieldDefs().Clear();
    for (const auto& c : Schema) FieldDefs().Add(c.Name, c.Type, c.Size);
  }

  TGetResult FetchRecord(Byte* Buffer, TGetMode GetMode, bool /*DoCheck*/) override {
    static const char* modes[] = {"current", "next", "prior"};
    Note(String("Fetch ") + modes[GetMode]);
    int n = static_cast<int>(Rows.size());
    for (;;) {
      if (GetMode == gmNext) {
        if (pos_ >= n - 1) {
          pos_ = n;
          return grEOF;
        }
        ++pos_;
      } else if (GetMode == gmPrior) {
        if (pos_ <= 0) {
          pos_ = -1;
          return grBOF;
        }
        --pos_;
      } else if (pos_ < 0 || pos_ >= n) {
        return pos_ < 0 ? grBOF : grEOF;
      }
      if (pos_ == FailFetchAt) throw EDatabaseError("read failure");
      LoadRow(Rows[static_cast<size_t>(pos_)], Buffer);
      GetCalcFields(Buffer);
      if (!Filtered() || !OnFilterRecord) return grOK;
      TDataSetState saved = SetTempState(dsFilter);
      filterBuffer_ = Buffer;
      bool accept = true;
      try {
        OnFilterRecord(this, accept);
      } catch (...) {
        RestoreState(saved);
        throw;
      }
      RestoreState(saved);
      if (accept) return grOK;
      if (GetMode == gmCurrent) GetMode = gmNext;  // the current record is gone: the next one stands in
    }
  }

  void GoBeforeFirst() override {
    Note("GoBeforeFirst");
    pos_ = -1;
  }
  void GoAfterLast() override {
    Note("GoAfterLast");
    pos_ = static_cast<int>(Rows.size());
  }
  void GotoBufferRecord(Byte* Buffer) override {
    int i = IndexOfId(TrailerId(Buffer));
    if (i >= 0) pos_ = i;
  }
  void GotoBookmarkData(const Byte* Bookmark) override {
    int i = IndexOfId(ReadId(Bookmark));
    if (i < 0) DatabaseError(SRecordNotFound, this);
    pos_ = i;
  }

  void ReadBookmarkData(Byte* Buffer, Byte* Data) override { std::memcpy(Data, Buffer + Trailer(), 4); }
  void WriteBookmarkData(Byte* Buffer, const Byte* Data) override {
    if (Data) std::memcpy(Buffer + Trailer(), Data, 4);
  }
  TBookmarkFlag ReadBookmarkFlag(Byte* Buffer) override {
    return static_cast<TBookmarkFlag>(Buffer[Trailer() + 4]);
  }
  void WriteBookmarkFlag(Byte* Buffer, TBookmarkFlag Value) override {
    Buffer[Trailer() + 4] = static_cast<Byte>(Value);
  }

  bool CanModifyData() const override { return !ReadOnlyTable; }

  void PostRecord() override {
    Note("PostRecord");
    if (FailPosts > 0) {
      --FailPosts;
      throw EDatabaseError("post failed");
    }
    Byte* buf = ActiveBuffer();
    if (State() == dsEdit) {
      int i = IndexOfId(TrailerId(buf));
      StoreRow(Rows[static_cast<size_t>(i)], buf);
      pos_ = i;
      return;
    }
    Row r;
    r.Id = ++lastId_;
    StoreRow(r, buf);
    int at = static_cast<int>(Rows.size());
    TBookmarkFlag flag = ReadBookmarkFlag(buf);
    if (flag == bfBOF) at = 0;
    if (flag == bfInserted) {
      int before = IndexOfId(TrailerId(buf));
      if (before >= 0) at = before;
    }
    Rows.insert(Rows.begin() + at, std::move(r));
    pos_ = at;
  }
  void DeleteRecord() override {
    Note("DeleteRecord");
    int i = IndexOfId(TrailerId(ActiveBuffer()));
    if (i < 0) DatabaseError(SRecordNotFound, this);
    Rows.erase(Rows.begin() + i);
    pos_ = std::min(i, static_cast<int>(Rows.size()) - 1);
  }
  void AddRecordBuffer(Byte* Buffer, bool Append) override {
    Note(Append ? "AddRecordBuffer append" : "AddRecordBuffer insert");
    Row r;
    r.Id = ++lastId_;
    StoreRow(r, Buffer);
    int at = Append || pos_ < 0 ? static_cast<int>(Rows.size()) : std::min(pos_, static_cast<int>(Rows.size()));
    Rows.insert(Rows.begin() + at, std::move(r));
    pos_ = at;
  }
  void CancelRecordBuffer() override { Note("CancelRecordBuffer"); }

private:
  // Blob stream: a copy of the value; a writing stream stores it back when freed.
  class BlobStream : public TMemoryStream {
  public:
    BlobStream(TMemTable& t, TField* f, TBlobStreamMode m) : table_(t), field_(f), mode_(m) {
      if (m != bmWrite) {
        const String& v = table_.blobs_[table_.RecordFor()][f->Offset()];
        if (!v.empty()) WriteBuffer(v.data(), static_cast<int64_t>(v.size()));
        SetPosition(0);
      }
    }
    ~BlobStream() override {
      if (mode_ == bmRead) return;
      table_.blobs_[table_.ActiveBuffer()][field_->Offset()] = String(Memory(), static_cast<size_t>(Size()));
      Byte* place = table_.Place(field_, table_.ActiveBuffer());
      place[0] = Size() > 0 ? 1 : 0;
      table_.DataEvent(deFieldChange, field_);
    }

  private:
    TMemTable& table_;
    TField* field_;
    TBlobStreamMode mode_;
  };

  int Trailer() const { return dataSize_ + CalcFieldsSize(); }
  static int ReadId(const Byte* p) {
    int id;
    std::memcpy(&id, p, 4);
    return id;
  }
  static void WriteId(Byte* p, int id) { std::memcpy(p, &id, 4); }
  int TrailerId(Byte* Buffer) const { return ReadId(Buffer + Trailer()); }
  int IndexOfId(int id) const {
    for (size_t i = 0; i < Rows.size(); ++i)
      if (Rows[i].Id == id) return static_cast<int>(i);
    return -1;
  }
  Byte* RecordFor() const {
    if (State() == dsCalcFields) return CalcBuffer();
    if (State() == dsFilter) return filterBuffer_;
    return ActiveBuffer();
  }
  Byte* Place(TField* f, Byte* rec) const {
    if (!rec) return nullptr;
    if (f->FieldNo() > 0) return rec + offsets_[static_cast<size_t>(f->FieldNo())];
    return rec + dataSize_ + f->Offset();
  }
  void LoadRow(const Row& r, Byte* Buffer) {
    InitRecordBuffer(Buffer);
    for (TField* f : Fields()) {
      if (f->FieldNo() <= 0) continue;
      const auto& v = r.Values[static_cast<size_t>(f->FieldNo() - 1)];
      Byte* place = Place(f, Buffer);
      if (f->IsBlob()) {
        auto it = r.Blobs.find(f->Offset());
        if (it != r.Blobs.end()) {
          blobs_[Buffer][f->Offset()] = it->second;
          place[0] = 1;
        }
      } else if (v) {
        place[0] = 1;
        std::memcpy(place + 1, v->data(), std::min(v->size(), static_cast<size_t>(f->DataSize())));
      }
    }
    WriteId(Buffer + Trailer(), r.Id);
    WriteBookmarkFlag(Buffer, bfCurrent);
  }
  void StoreRow(Row& r, Byte* Buffer) {
    r.Values.assign(static_cast<size_t>(FieldDefs().Count()), std::nullopt);
    r.Blobs.clear();
    for (TField* f : Fields()) {
      if (f->FieldNo() <= 0) continue;
      Byte* place = Place(f, Buffer);
      if (f->IsBlob()) {
        if (place[0]) r.Blobs[f->Offset()] = blobs_[Buffer][f->Offset()];
      } else if (place[0]) {
        r.Values[static_cast<size_t>(f->FieldNo() - 1)] =
            std::vector<Byte>(place + 1, place + 1 + f->DataSize());
      }
    }
  }
  void Note(const String& s) {
    if (Log) Log->push_back(s);
  }

  bool open_ = false;
  int pos_ = -1;
  int dataSize_ = 0;
  int lastId_ = 0;
  std::vector<int> offsets_;
  Byte* filterBuffer_ = nullptr;
  std::map<Byte*, std::map<int, String>> blobs_;
};
