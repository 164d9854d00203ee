#pragma once
// The database-server connection as the table sees it. Until the socket
// client and its command set exist, a connection is never active: a table
// with AccessMethod amServer fails its open with "Not connected".
#include <memory>

#include "class_library/Component.h"
#include "class_library/Types.h"
#include "data_access/XbCursor.h"

class TXbConnection : public TComponent {
public:
  explicit TXbConnection(TComponent* AOwner);
  String ClassName() const override { return "TXbConnection"; }

  virtual bool Active() const { return false; }
  const String& User() const { return user_; }
  void SetUser(const String& Value) { user_ = Value; }
  const String& Password() const { return password_; }
  void SetPassword(const String& Value) { password_ = Value; }
  const String& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const String& Value) { databaseName_ = Value; }
  // The server engine's version text.
  virtual String Version();
  // The cursor of a table that reaches its table through this connection.
  virtual std::unique_ptr<TXbCursor> NewCursor();

private:
  String user_;
  String password_;
  String databaseName_;
};
