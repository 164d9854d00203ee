#include "data_access/XbConn.h"

#include "data_access/XbError.h"

TXbConnection::TXbConnection(TComponent* AOwner) : TComponent(AOwner) {}

String TXbConnection::Version() { return "XBE ?.??.?? 32-bit"; }

std::unique_ptr<TXbCursor> TXbConnection::NewCursor() { throw EXbError("Not connected"); }
