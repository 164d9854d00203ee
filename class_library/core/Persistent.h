#pragma once
// Objects that can copy themselves from one another and take part in text form
// resources: TPersistent, the filer hook for stored values that have no
// published property, and collections of persistent items.
#include <functional>
#include <memory>
#include <vector>

#include "class_library/core/Object.h"

class TReader;  // reads one stored value; class_library/components/FormResource.h
class TFiler;
class TCollection;

class TPersistent : public TObject {
public:
  String ClassName() const override { return "TPersistent"; }

  // Copies Source into this object. The default asks Source to copy itself
  // into this object (AssignTo); when neither side knows the other, raises
  // EConvertError "Cannot assign a <SourceClass> to a <DestClass>"
  // ("nil" for a missing source).
  virtual void Assign(TPersistent* Source);

  // Declares stored values that are not published properties (old property
  // names, binary data). The resource reader calls it for an object whose
  // stored text names something that is not a published property.
  virtual void ReadLegacyProperties(TFiler* Filer);

  // The name used in error messages and resource paths ("Form1.Table1").
  virtual String GetNamePath() const { return ClassName(); }

protected:
  // Copies this object into Dest; the default raises the assign error.
  virtual void AssignTo(TPersistent* Dest);
  // Raises EConvertError "Cannot assign a <Source class> to a <this class>".
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

using TReaderProc = std::function<void(TReader& Reader)>;

// Handed to ReadLegacyProperties. Each call declares one stored value by name;
// when the reader meets that name it calls ReadData with the reader
// positioned on the value. A ReadData that reads nothing drops the value.
class TFiler {
public:
  virtual ~TFiler() = default;
  virtual void DefineProperty(const String& Name, TReaderProc ReadData) = 0;
  // Binary data written in braces ({ 0A0B... }); ReadData reads it with
  // TReader::ReadBinary.
  virtual void DefineBinaryProperty(const String& Name, TReaderProc ReadData) { DefineProperty(Name, std::move(ReadData)); }
};

// One item of a collection. The collection owns its items.
class TCollectionItem : public TPersistent {
public:
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;
  String ClassName() const override { return "TCollectionItem"; }

  TCollection* Collection() const { return collection_; }
  // Moves the item into another collection (nullptr: out of any collection;
  // the caller then owns it).
  void SetCollection(TCollection* Value);
  int Index() const;
  void SetIndex(int Value);
  int ID() const { return id_; }
  virtual String DisplayName() const { return ClassName(); }
  String GetNamePath() const override;

protected:
  // Tells the collection that this item changed (AllItems: all of them).
  void Changed(bool AllItems);

private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

// An ordered, owned list of items of one item class. The resource reader
// fills a collection from "< item ... end >" by Clear and Add.
class TCollection : public TPersistent {
public:
  using TItemFactory = std::function<TCollectionItem*(TCollection*)>;

  // ItemFactory creates one item inserted into the collection (usually
  // [](TCollection* c) { return new TMyItem(c); }).
  explicit TCollection(TItemFactory ItemFactory);
  ~TCollection() override;
  String ClassName() const override { return "TCollection"; }

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);  // frees the item
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int Index) const;  // EListError for a bad index
  TCollectionItem* FindItemID(int ID) const;
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  // Copies the items of another collection: clears, then adds one item per
  // source item and assigns it.
  void Assign(TPersistent* Source) override;
  // The object that holds the collection (a component for owned collections).
  virtual TPersistent* GetOwner() const { return nullptr; }
  String GetNamePath() const override;

protected:
  // Called after a change: Item is the changed item, or nullptr for the whole
  // collection. Not called while updates are suspended; EndUpdate calls it
  // with nullptr.
  virtual void Update(TCollectionItem* Item);
  void Changed();

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);

  TItemFactory factory_;
  std::vector<TCollectionItem*> items_;  // owned
  int nextId_ = 0;
  int updateCount_ = 0;
};

// A collection that names the object holding it (for GetNamePath and for
// descendants that need to reach their owner).
class TOwnedCollection : public TCollection {
public:
  TOwnedCollection(TPersistent* Owner, TItemFactory ItemFactory)
      : TCollection(std::move(ItemFactory)), owner_(Owner) {}
  String ClassName() const override { return "TOwnedCollection"; }
  TPersistent* GetOwner() const override { return owner_; }

private:
  TPersistent* owner_;
};
