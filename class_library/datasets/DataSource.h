#pragma once
// Data sources and data links: how other objects (controls, detail
// datasets) follow a dataset. A TDataSource names one dataset and passes its
// events on to every TDataLink attached to it; a link reacts through its
// virtual hooks. TMasterDataLink is the link a detail dataset keeps on its
// master's data source.
#include <functional>
#include <vector>

#include "class_library/components/Component.h"
#include "class_library/datasets/DataSet.h"

class TDataLink;

using TDataChangeEvent = std::function<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
public:
  explicit TDataSource(TComponent* AOwner);
  // Detaches its links and leaves its dataset.
  ~TDataSource() override;
  String ClassName() const override { return "TDataSource"; }

  TDataSet* DataSet() const { return dataSet_; }
  // EDatabaseError "Circular datalinks are not allowed" when the dataset
  // follows this source, directly or through its masters.
  void SetDataSet(TDataSet* Value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  // Links may put the dataset into edit mode (Edit) only when AutoEdit.
  bool AutoEdit() const { return autoEdit_; }
  void SetAutoEdit(bool Value) { autoEdit_ = Value; }
  // The dataset's state as the links see it (dsInactive when disabled).
  TDataSetState State() const { return state_; }
  // True when DataSet follows this source through its chain of masters.
  bool IsLinkedTo(TDataSet* DataSet) const;
  // Puts a browsing dataset into edit mode when AutoEdit.
  void Edit();
  int DataLinkCount() const { return static_cast<int>(links_.size()); }

  TNotifyEvent OnStateChange;
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnUpdateData;

  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent Event, TField* Field, int Info);
  void NotifyLinks(TDataEvent Event, TField* Field, int Info);
  void UpdateState();
  void SetState(TDataSetState Value);
  void AddDataLink(TDataLink* Link);
  void RemoveDataLink(TDataLink* Link);
  // The dataset is going away: forget it without calling back into it.
  void DataSetDestroyed();

  TDataSet* dataSet_ = nullptr;
  bool enabled_ = true;
  bool autoEdit_ = true;
  TDataSetState state_ = dsInactive;
  std::vector<TDataLink*> links_;
};

class TDataLink : public TPersistent {
public:
  TDataLink() = default;
  // Leaves its data source.
  ~TDataLink() override;
  String ClassName() const override { return "TDataLink"; }

  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* Value);
  // The data source's dataset, or nullptr.
  TDataSet* DataSet() const;
  // The source is enabled and its dataset open.
  bool Active() const { return active_; }
  // The dataset is in edit or insert mode.
  bool Editing() const { return editing_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value);
  // Records the link wants buffered (the dataset keeps at least the largest).
  int BufferCount() const { return bufferCount_; }
  void SetBufferCount(int Value);
  // The active record's index in the dataset's buffers.
  int ActiveRecord() const;
  // Buffered records of the dataset (at most BufferCount).
  int RecordCount() const;
  // Puts the dataset into edit mode through the source (AutoEdit); answers Editing().
  bool Edit();
  // Asks the link to store its pending change (UpdateData).
  void UpdateRecord();

protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*Distance*/) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void LayoutChanged() { DataSetChanged(); }
  // Field: the changed field, or nullptr for the whole record.
  virtual void RecordChanged(TField* /*Field*/) {}
  virtual void UpdateData() {}

private:
  friend class TDataSource;
  void DataEvent(TDataEvent Event, TField* Field, int Info);
  void UpdateState();
  void SetActive(bool Value);
  void SetEditing(bool Value);

  TDataSource* dataSource_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  bool readOnly_ = false;
  bool updating_ = false;
  int bufferCount_ = 1;
};

// The link of a detail dataset to its master's data source. FieldNames lists
// the master's key fields (";"-separated); Fields() holds them while the
// master is open. OnMasterChange fires when the master moves to another
// record or one of the key fields changes (and when the link becomes active
// with fields); OnMasterDisable when the link loses its fields or master.
class TMasterDataLink : public TDataLink {
public:
  explicit TMasterDataLink(TDataSet* DataSet) : detail_(DataSet) {}
  String ClassName() const override { return "TMasterDataLink"; }

  // The detail dataset.
  TDataSet* DetailDataSet() const { return detail_; }
  const String& FieldNames() const { return fieldNames_; }
  void SetFieldNames(const String& Value);
  const std::vector<TField*>& Fields() const { return fields_; }

  TNotifyEvent OnMasterChange;
  TNotifyEvent OnMasterDisable;

protected:
  void ActiveChanged() override;
  void CheckBrowseMode() override;
  void LayoutChanged() override { ActiveChanged(); }
  void RecordChanged(TField* Field) override;

private:
  TDataSet* detail_;
  String fieldNames_;
  std::vector<TField*> fields_;
};
