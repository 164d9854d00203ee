#pragma once
// TXbBlobStream: the stream through which memo and blob fields of a TXbTable
// are read and written (AsString, LoadFromStream, SaveToStream ...). It holds
// a copy of the field's value; a stream that may write hands what it holds
// back to the record buffer's blob slot when it goes, and the next Post
// stores it.
#include "class_library/datasets/Fields.h"
#include "class_library/core/Streams.h"

class TXbTable;

class TXbBlobStream : public TMemoryStream {
public:
  // Raises when Field is not a blob field of a TXbTable, and for a writing
  // mode while the table is neither inserting nor editing.
  TXbBlobStream(TField* Field, TBlobStreamMode Mode);
  // A writing stream stores its whole contents into the field's slot and marks
  // it modified, whether or not anything was written.
  ~TXbBlobStream() override;
  TXbBlobStream(const TXbBlobStream&) = delete;
  TXbBlobStream& operator=(const TXbBlobStream&) = delete;
  String ClassName() const override { return "TXbBlobStream"; }

  TBlobStreamMode Mode() const { return mode_; }

private:
  TBlobStreamMode mode_;
  TBlobField* field_;
  TXbTable* dataSet_;
};
