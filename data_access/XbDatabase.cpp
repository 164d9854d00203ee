#include "data_access/XbDatabase.h"

#include <algorithm>

#include "class_library/core/Exceptions.h"
#include "class_library/core/SysUtils.h"

TXbDatabase::TXbDatabase(TComponent* AOwner) : TComponent(AOwner) {
  // The owner's insertion notice came while this was not a database yet.
  if (AOwner) XbDatabaseList().Add(this);
}

namespace {

// The list; cleared again when the process ends, so that a database freed
// later (one of a static module) finds none instead of a freed one.
TapdbStringList* theList = nullptr;

void RemoveListed(const TXbDatabase* Database) {
  if (theList) theList->Remove(Database);
}

}  // namespace

TXbDatabase::~TXbDatabase() {
  // The owner's removal notice reaches this component only after its own
  // part is gone, so it leaves the list here.
  RemoveListed(this);
}

void TXbDatabase::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TComponent::ComponentNotification(AComponent, Operation);
  auto* database = dynamic_cast<TXbDatabase*>(AComponent);
  if (!database || database->ClassName() != "TXbDatabase") return;
  if (Operation == opRemove)
    RemoveListed(database);
  else
    XbDatabaseList().Add(database);
}

TXbDatabase* TapdbStringList::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return items_[static_cast<size_t>(Index)];
}

int TapdbStringList::IndexOf(const TXbDatabase* Database) const {
  const auto it = std::find(items_.begin(), items_.end(), Database);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TapdbStringList::Add(TXbDatabase* Database) {
  if (Database && IndexOf(Database) < 0) items_.push_back(Database);
}

void TapdbStringList::Remove(const TXbDatabase* Database) {
  const int i = IndexOf(Database);
  if (i >= 0) items_.erase(items_.begin() + i);
}

void TapdbStringList::Free() { throw Exception(Format("Cannot manually destroy a %s", {ClassName()})); }

void TapdbStringList::Release() {
  delete theList;
  theList = nullptr;
}

TapdbStringList& XbDatabaseList() {
  // Made on first use and freed at the process's end, never before.
  static const struct AtEnd {
    ~AtEnd() { TapdbStringList::Release(); }
  } atEnd;
  if (!theList) theList = new TapdbStringList;
  return *theList;
}
