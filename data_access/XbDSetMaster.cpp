// TXbTable as the detail side of a master-detail link: the master record's
// key values become a scope (low and high bound equal) on the detail's
// current index order, so the detail shows the master's records only.
#include <algorithm>
#include <cstdio>

#include "class_library/core/DateTime.h"
#include "class_library/core/SysUtils.h"
#include "data_access/XbDSet.h"
#include "data_access/XbDSetInternal.h"
#include "xbase_engine/DbfCodec.h"

using namespace xbdset;

namespace {

constexpr const char* kCircular = "Circular Datasource reference not allowed";
constexpr const char* kScopeFailed = "Scope Set failed";

// Text padded on the left to Width, with blanks or with zeros (after a sign).
String PadLeft(const String& Text, int Width, bool Zeros) {
  if (static_cast<int>(Text.size()) >= Width) return Text;
  const size_t fill = static_cast<size_t>(Width) - Text.size();
  if (!Zeros) return String(fill, ' ') + Text;
  if (!Text.empty() && Text[0] == '-') return "-" + String(fill, '0') + Text.substr(1);
  return String(fill, '0') + Text;
}

}  // namespace

const String& TXbTable::MasterFields() const { return masterLink_->FieldNames(); }

void TXbTable::SetMasterSource(TDataSource* Value) {
  // A source whose dataset is this table, or follows it through masters of
  // its own, would make the table its own master.
  if (Value) {
    TDataSet* ds = Value->DataSet();
    for (int depth = 0; ds && depth < 1000; ++depth) {
      if (ds == this) RaiseError(kCircular);
      TDataSource* up = ds->GetDataSource();
      ds = up ? up->DataSet() : nullptr;
    }
  }
  masterLink_->SetDataSource(Value);
  if (Value && !MasterFields().empty() && masterLink_->DataSet()) {
    lastScopeKey_.clear();
    MasterChanged();
  }
}

void TXbTable::SetMasterFields(const String& Value) {
  masterLink_->SetFieldNames(Value);
  if (!MasterFields().empty() && masterLink_->DataSet()) {
    lastScopeKey_.clear();
    MasterChanged();
  }
}

void TXbTable::MasterChanged() {
  if (masterLink_->Active() && !masterLink_->Fields().empty() && Active()) ApplyDetailRange(true);
}

void TXbTable::MasterDisabled() {
  // The range goes, and the next master change sets it afresh.
  lastScopeKey_.clear();
  lastScopeIndex_.clear();
  if (workArea_ <= 0) return;
  SelectArea();
  Cursor().SetScope(nullptr, nullptr);
  recordCountStale_ = true;
  if (Active()) ResyncCursor({});
}

String TXbTable::DetailRangeKey() {
  const String keyExpression = indexName_.empty() ? String() : UpperCase(IndexKey());
  const std::vector<String> keyFields = SplitNames(UpperCase(IndexKeyFields(keyExpression)));
  String key;
  const auto& masters = masterLink_->Fields();
  for (size_t i = 0; i < masters.size(); ++i) {
    TField* m = masters[i];
    switch (m->DataType()) {
      case ftString: {
        String text = m->AsString();
        if (static_cast<int>(text.size()) < m->Size()) text += String(static_cast<size_t>(m->Size()) - text.size(), ' ');
        key += text;
        break;
      }
      case ftSmallint:
      case ftInteger:
      case ftWord:
      case ftAutoInc:
      case ftFloat:
      case ftCurrency: {
        // The width and decimals the master's table stores the number with.
        int width = 0, decimals = 0;
        if (auto* master = dynamic_cast<TXbTable*>(m->DataSet())) {
          width = master->FieldWidth(m->FieldName());
          const int no = m->FieldNo();
          if (no > 0 && no <= static_cast<int>(master->FieldInfos().size()))
            decimals = master->FieldInfos()[static_cast<size_t>(no - 1)]->Decimals;
        }
        // A STR( key holds the number as blank-padded text; a numeric key
        // reads zero-padded digits as the number.
        const bool blanks = i < keyFields.size() && !keyFields[i].empty() &&
                            (keyExpression.find("STR(" + keyFields[i] + ",") != String::npos ||
                             keyExpression.find("STR(" + keyFields[i] + ")") != String::npos);
        String text;
        if (!m->IsNull()) {
          if (m->DataType() == ftFloat || m->DataType() == ftCurrency) {
            // Rounded as the table stores the number, "." whatever the locale.
            std::string digits;
            if (!dbf::DecimalText(m->AsFloat(), decimals, digits)) digits = "0";
            text = digits;
          } else {
            text = IntToStr(m->AsInteger());
          }
        }
        key += m->IsNull() ? String(static_cast<size_t>(std::max(width, 0)), ' ') : PadLeft(text, width, !blanks);
        break;
      }
      case ftBoolean: key += m->IsNull() ? " " : (m->AsBoolean() ? "T" : "F"); break;
      case ftDate:
      case ftDateTime: {
        if (m->IsNull()) {
          key += String(8, ' ');
        } else {
          key += YmdText(m->AsDateTime());
        }
        break;
      }
      default: key += m->AsString(); break;
    }
  }
  return key;
}

void TXbTable::ApplyDetailRange(bool Move) {
  if (Active()) CheckBrowseMode();
  if (masterLink_->Fields().empty() || workArea_ <= 0) return;
  if (indexName_.empty()) RaiseError(kNoActiveOrder);
  const String key = DetailRangeKey();
  SelectArea();
  if (key == lastScopeKey_ && indexName_ == lastScopeIndex_) return;
  if (!Cursor().SetScope(&key, &key)) RaiseError(kScopeFailed);
  // Remembered only once the engine holds it: a refused range is tried
  // again at the next change.
  lastScopeKey_ = key;
  lastScopeIndex_ = indexName_;
  recordCountStale_ = true;
  if (!Move || !Active()) return;
  // To the first record of the range: the engine goes there once and the
  // buffers are filled around it (a First would go to the top twice).
  DoBeforeMove();
  EngineGoTop();
  if (!speedMode_) {
    SetTrailerFromEngine(Cursor().Eof());
    TDataSet::ResyncCursor({});
  }
  DoAfterMove();
}
