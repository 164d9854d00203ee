#include "data_access/XbConn.h"

#include "data_access/XbDSet.h"

TXbConnection::TXbConnection(TComponent* AOwner) : TComponent(AOwner) {}

void TXbConnection::NotConnected() const { throw EXbError("Not connected"); }

String TXbConnection::Version() { return "XBE ?.??.?? 32-bit"; }

String TXbConnection::EngineAlias(std::int16_t) { NotConnected(); }
void TXbConnection::EngineAppendBlank() { NotConnected(); }
bool TXbConnection::EngineBof() { NotConnected(); }
void TXbConnection::EngineClose() { NotConnected(); }
void TXbConnection::EngineCloseIndexes() { NotConnected(); }
void TXbConnection::EngineCommit() { NotConnected(); }
std::int32_t TXbConnection::EngineCount() { NotConnected(); }
bool TXbConnection::EngineCreateExec() { NotConnected(); }
void TXbConnection::EngineCreateField(const String&, const String&, int, int) { NotConnected(); }
std::int16_t TXbConnection::EngineCreateNew(const String&, const String&, const String&, int, int) { NotConnected(); }
String TXbConnection::EngineDBFilter() { NotConnected(); }
void TXbConnection::EngineDelete() { NotConnected(); }
bool TXbConnection::EngineDeleted(std::int32_t) { NotConnected(); }
bool TXbConnection::EngineEof() { NotConnected(); }
bool TXbConnection::EngineEvalLogical(const String&) { NotConnected(); }
double TXbConnection::EngineEvalNumeric(const String&) { NotConnected(); }
String TXbConnection::EngineEvalString(const String&) { NotConnected(); }
std::int16_t TXbConnection::EngineEvalTest(const String&) { NotConnected(); }
int TXbConnection::EngineFieldDecimals(const String&) { NotConnected(); }
String TXbConnection::EngineFieldName(int) { NotConnected(); }
int TXbConnection::EngineFieldOffset(const String&) { NotConnected(); }
String TXbConnection::EngineFieldType(const String&) { NotConnected(); }
int TXbConnection::EngineFieldWidth(const String&) { NotConnected(); }
bool TXbConnection::EngineFileExists(const String&, const String&) { NotConnected(); }
bool TXbConnection::EngineFlock() { NotConnected(); }
bool TXbConnection::EngineFound() { NotConnected(); }
void TXbConnection::EngineGetBlob(const String&, void*) { NotConnected(); }
std::int32_t TXbConnection::EngineGetBlobLength(const String&) { NotConnected(); }
String TXbConnection::EngineGetDateString(const String&) { NotConnected(); }
double TXbConnection::EngineGetDouble(const String&) { NotConnected(); }
std::int32_t TXbConnection::EngineGetInteger(const String&) { NotConnected(); }
String TXbConnection::EngineGetMemo(std::int32_t, const String&) { NotConnected(); }
void TXbConnection::EngineGetRecord(void*) { NotConnected(); }
String TXbConnection::EngineGetScope(int) { NotConnected(); }
String TXbConnection::EngineGetTrimString(const String&) { NotConnected(); }
std::int32_t TXbConnection::EngineGo(std::int32_t) { NotConnected(); }
void TXbConnection::EngineGoBottom() { NotConnected(); }
void TXbConnection::EngineGoTop() { NotConnected(); }
int TXbConnection::EngineIndex(const String&, const String&, const String&, bool, bool) { NotConnected(); }
String TXbConnection::EngineIndexCondition() { NotConnected(); }
String TXbConnection::EngineIndexKey() { NotConnected(); }
String TXbConnection::EngineIndexKeyField() { NotConnected(); }
String TXbConnection::EngineIndexName(int) { NotConnected(); }
int TXbConnection::EngineIndexOpen(const String&) { NotConnected(); }
int TXbConnection::EngineIndexOrd() { NotConnected(); }
int TXbConnection::EngineIndexTag(const String&, const String&, const String&, const String&, bool, bool) { NotConnected(); }
int TXbConnection::EngineIndexType() { NotConnected(); }
bool TXbConnection::EngineIsEncrypted(int) { NotConnected(); }
void TXbConnection::EngineOrderPosSet(double) { NotConnected(); }
std::int32_t TXbConnection::EnginePutBlob(const String&, const void*, std::int32_t) { NotConnected(); }
void TXbConnection::EnginePutRecord(const void*, std::int32_t) { NotConnected(); }
std::int32_t TXbConnection::EngineQuery(const String&, std::int32_t&) { NotConnected(); }
std::int32_t TXbConnection::EngineQueryRecCount() { NotConnected(); }
std::int16_t TXbConnection::EngineQueryTest(const String&) { NotConnected(); }
std::int32_t TXbConnection::EngineRecCount() { NotConnected(); }
std::int32_t TXbConnection::EngineRecNo() { NotConnected(); }
void TXbConnection::EngineReplace(const String&, int, const void*) { NotConnected(); }
bool TXbConnection::EngineRlock(std::int32_t) { NotConnected(); }
bool TXbConnection::EngineSeek(const String&) { NotConnected(); }
void TXbConnection::SelectArea(std::int16_t) { NotConnected(); }
int TXbConnection::EngineSetOrder(int) { NotConnected(); }
void TXbConnection::EngineSetPassword(const String&) { NotConnected(); }
bool TXbConnection::EngineSetScope(const String*, const String*) { NotConnected(); }
void TXbConnection::EngineSetTranslate(bool) { NotConnected(); }
void TXbConnection::EngineSetTurboRead(bool) { NotConnected(); }
void TXbConnection::EngineSkip(std::int32_t) { NotConnected(); }
std::int32_t TXbConnection::EngineSysProp(int, std::int32_t) { NotConnected(); }
std::int16_t TXbConnection::EngineTagArea(const String&) { NotConnected(); }
String TXbConnection::EngineTagName(int) { NotConnected(); }
void TXbConnection::EngineUnlock(std::int32_t) { NotConnected(); }
String TXbConnection::EngineVersion() { NotConnected(); }
std::int16_t TXbConnection::EngineWorkArea(const String&) { NotConnected(); }
TXbConnection::TUseReply TXbConnection::Use(const TUseRequest&) { NotConnected(); }
int TXbConnection::FetchRecords(bool, bool, std::vector<TFetchRow>&, std::int32_t, int, std::int32_t, int, int, int) { NotConnected(); }
