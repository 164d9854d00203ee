#pragma once
// TXbDatabase gives a data directory a short alias name that a table's
// DatabaseName may use; TapdbStringList is the process-wide list of the
// database components that live in an owner.
#include <vector>

#include "class_library/components/Component.h"
#include "class_library/core/Types.h"

class TXbDatabase : public TComponent {
public:
  // Listed when it has an owner.
  explicit TXbDatabase(TComponent* AOwner);
  // Leaves the process-wide list: a freed database is never listed.
  ~TXbDatabase() override;
  String ClassName() const override { return "TXbDatabase"; }
  // A database inserted into an owner joins the list; one taken out leaves it.
  void ComponentNotification(TComponent* AComponent, TOperation Operation) override;

  String DataPath;
  String DataPathAlias;
};

class TapdbStringList : public TObject {
public:
  String ClassName() const override { return "TapdbStringList"; }
  int Count() const { return static_cast<int>(items_.size()); }
  TXbDatabase* Items(int Index) const;
  int IndexOf(const TXbDatabase* Database) const;
  // Adding a listed database or removing an unlisted one changes nothing.
  void Add(TXbDatabase* Database);
  void Remove(const TXbDatabase* Database);
  // Freeing the list by hand is refused ("Cannot manually destroy a
  // TapdbStringList"); it lives until the process ends.
  void Free();

private:
  friend TapdbStringList& XbDatabaseList();
  TapdbStringList() = default;
  ~TapdbStringList() override = default;
  // The private way out, at the process's end: frees the list and clears the
  // global reference.
  static void Release();
  std::vector<TXbDatabase*> items_;
};

// The process-wide list, made on first use.
TapdbStringList& XbDatabaseList();
