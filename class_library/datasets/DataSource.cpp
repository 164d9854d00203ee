#include "class_library/datasets/DataSource.h"

#include <algorithm>

#include "class_library/datasets/DBConsts.h"
#include "class_library/components/TypeInfo.h"

namespace {
bool IsEditMode(TDataSetState s) { return s == dsEdit || s == dsInsert || s == dsSetKey; }
}  // namespace

// ---------------------------------------------------------------- TDataSource

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
  std::vector<TDataLink*> links = links_;
  links_.clear();
  for (TDataLink* link : links) {
    link->dataSource_ = nullptr;
    link->UpdateState();
  }
  if (dataSet_) {
    dataSet_->RemoveDataSource(this);
    dataSet_ = nullptr;
  }
}

void TDataSource::SetDataSet(TDataSet* Value) {
  if (Value == dataSet_) return;
  if (Value && IsLinkedTo(Value)) DatabaseError(SCircularDataLink, this);
  if (dataSet_) dataSet_->RemoveDataSource(this);
  dataSet_ = Value;
  if (dataSet_) dataSet_->AddDataSource(this);
  UpdateState();
}

bool TDataSource::IsLinkedTo(TDataSet* DataSet) const {
  // Bounded walk: a broken chain must not hang the check.
  for (int depth = 0; DataSet && depth < 1000; ++depth) {
    TDataSource* master = DataSet->GetDataSource();
    if (!master) return false;
    if (master == this) return true;
    DataSet = master->DataSet();
  }
  return false;
}

void TDataSource::SetEnabled(bool Value) {
  enabled_ = Value;
  UpdateState();
}

void TDataSource::Edit() {
  if (autoEdit_ && state_ == dsBrowse && dataSet_) dataSet_->Edit();
}

void TDataSource::UpdateState() { SetState(enabled_ && dataSet_ ? dataSet_->State() : dsInactive); }

void TDataSource::SetState(TDataSetState Value) {
  if (state_ == Value) return;
  state_ = Value;
  NotifyLinks(deUpdateState, nullptr, 0);
  if (OnStateChange) OnStateChange(this);
}

void TDataSource::DataEvent(TDataEvent Event, TField* Field, int Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (state_ == dsInactive) return;
  NotifyLinks(Event, Field, Info);
  switch (Event) {
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, Event == deFieldChange ? Field : nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

void TDataSource::NotifyLinks(TDataEvent Event, TField* Field, int Info) {
  // A link may leave (or free another) while it is told.
  for (TDataLink* link : std::vector<TDataLink*>(links_))
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->DataEvent(Event, Field, Info);
}

void TDataSource::AddDataLink(TDataLink* Link) {
  links_.push_back(Link);
  if (dataSet_) dataSet_->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* Link) {
  links_.erase(std::remove(links_.begin(), links_.end(), Link), links_.end());
  if (dataSet_) dataSet_->UpdateBufferCount();
}

void TDataSource::DataSetDestroyed() {
  dataSet_ = nullptr;
  UpdateState();
}

void TDataSource::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TComponent::ComponentNotification(AComponent, Operation);
  if (Operation == opRemove && AComponent == dataSet_) DataSetDestroyed();
}

// ---------------------------------------------------------------- TDataLink

TDataLink::~TDataLink() {
  if (dataSource_) {
    dataSource_->RemoveDataLink(this);
    dataSource_ = nullptr;
  }
}

void TDataLink::SetDataSource(TDataSource* Value) {
  if (Value == dataSource_) return;
  if (dataSource_) dataSource_->RemoveDataLink(this);
  dataSource_ = Value;
  if (dataSource_) dataSource_->AddDataLink(this);
  UpdateState();
}

TDataSet* TDataLink::DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool Value) {
  if (readOnly_ == Value) return;
  readOnly_ = Value;
  UpdateState();
}

void TDataLink::SetBufferCount(int Value) {
  bufferCount_ = std::max(Value, 1);
  if (TDataSet* ds = DataSet()) ds->UpdateBufferCount();
}

int TDataLink::ActiveRecord() const {
  TDataSet* ds = DataSet();
  return ds && active_ ? ds->ActiveRecord() : 0;
}

int TDataLink::RecordCount() const {
  TDataSet* ds = DataSet();
  return ds && active_ ? std::min(ds->BufferedRecordCount(), bufferCount_) : 0;
}

bool TDataLink::Edit() {
  if (dataSource_ && !readOnly_) dataSource_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

void TDataLink::DataEvent(TDataEvent Event, TField* Field, int Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!active_) return;
  switch (Event) {
    case deFieldChange:
    case deRecordChange:
      if (!updating_) RecordChanged(Field);
      break;
    case deDataSetChange:
      DataSetChanged();
      break;
    case deDataSetScroll:
      DataSetScrolled(Info);
      break;
    case deLayoutChange:
      LayoutChanged();
      break;
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    default:
      break;
  }
}

void TDataLink::UpdateState() {
  SetActive(dataSource_ && dataSource_->State() != dsInactive);
  SetEditing(dataSource_ && IsEditMode(dataSource_->State()) && !readOnly_);
}

void TDataLink::SetActive(bool Value) {
  if (active_ == Value) return;
  active_ = Value;
  ActiveChanged();
}

void TDataLink::SetEditing(bool Value) {
  if (editing_ == Value) return;
  editing_ = Value;
  EditingChanged();
}

// ---------------------------------------------------------------- TMasterDataLink

void TMasterDataLink::SetFieldNames(const String& Value) {
  if (fieldNames_ == Value) return;
  fieldNames_ = Value;
  ActiveChanged();
}

void TMasterDataLink::ActiveChanged() {
  fields_.clear();
  if (Active() && DataSet()) {
    try {
      DataSet()->GetFieldList(fields_, fieldNames_);
    } catch (...) {
      fields_.clear();
      throw;
    }
  }
  if (!detail_ || !detail_->Active() || detail_->ComponentState().Contains(csDestroying)) return;
  if (Active() && !fields_.empty()) {
    if (OnMasterChange) OnMasterChange(this);
  } else if (OnMasterDisable) {
    OnMasterDisable(this);
  }
}

void TMasterDataLink::CheckBrowseMode() {
  if (detail_ && detail_->Active()) detail_->CheckBrowseMode();
}

void TMasterDataLink::RecordChanged(TField* Field) {
  if (!DataSource() || DataSource()->State() == dsSetKey) return;
  if (!detail_ || !detail_->Active() || fields_.empty()) return;
  if (Field && std::find(fields_.begin(), fields_.end(), Field) == fields_.end()) return;
  if (OnMasterChange) OnMasterChange(this);
}

// ---------------------------------------------------------------- registration

namespace {
const bool registered = [] {
  RegisterClass<TDataSource>("TDataSource", "TComponent")
      .Component("DataSet", "TDataSet", &TDataSource::DataSet, &TDataSource::SetDataSet)
      .Boolean("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled, true)
      .Boolean("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit, true)
      .Event<TNotifyEvent>("OnStateChange", [](TDataSource& s, TNotifyEvent e) { s.OnStateChange = std::move(e); })
      .Event<TDataChangeEvent>("OnDataChange",
                               [](TDataSource& s, TDataChangeEvent e) { s.OnDataChange = std::move(e); })
      .Event<TNotifyEvent>("OnUpdateData", [](TDataSource& s, TNotifyEvent e) { s.OnUpdateData = std::move(e); });
  return true;
}();
}  // namespace
