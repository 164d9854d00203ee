// TXbConnection: the command set. Each method sends one command and converts
// its reply; a failure is reported through DoError and answers the method's
// zero value.
#include <cstring>

#include "class_library/core/SysUtils.h"
#include "data_access/XbConnInternal.h"

using namespace xbconn;

String TXbConnection::Exchange(const String& Command, const String& Payload) {
  String reply = ClientXmit(Command, Payload, true);
  if (lastFailed_) throw ELostExchange();
  return reply;
}

void TXbConnection::SendOnly(const String& Command, const String& Payload) {
  ClientXmit(Command, Payload, false);
  if (lastFailed_) throw ELostExchange();
}

// ---- files and work areas ------------------------------------------------------------------

bool TXbConnection::FileExists(const String& DatabaseName, const String& Path) {
  return Guard("FileExists", false, [&] {
    if (DatabaseName.empty() || Path.empty()) return false;
    return YesAnswer(Exchange(xbproto::FileExists.text, P255(DatabaseName) + P255(ExtractFileName(Path))));
  });
}

std::int16_t TXbConnection::UseEx(const String& FileName, const String& Alias, int OpenMode, int TableType,
                                  int CommitLevel) {
  String reply;
  try {
    reply = Exchange(xbproto::UseEx.text, P255(FileName) + P255(Alias) + P1(D(OpenMode)) + P1(D(TableType)) + P1(D(CommitLevel)));
  } catch (const ELostExchange&) {
    return 0;
  } catch (...) {
    lastFailed_ = true;
    DoError("XbConnection.Use", "Use");
    return 0;
  }
  return Guard("UseEx", std::int16_t{0}, [&] {
    const auto area = static_cast<std::int16_t>(TrimHex(reply));
    currentWorkArea_ = area;
    return area;
  });
}

std::int16_t TXbConnection::Select(std::int16_t Area) {
  const std::int16_t previous = currentWorkArea_;
  if (Area == currentWorkArea_ && Area != 0) return previous;
  return Guard("Select", std::int16_t{0}, [&] {
    // The remembered area is trusted only after the server took the change.
    currentWorkArea_ = 0;
    Exchange(xbproto::Select.text, H4(Area));
    currentWorkArea_ = Area;
    return previous;
  });
}

void TXbConnection::Close() {
  GuardVoid("Close", [&] {
    Exchange(xbproto::Close.text, String());
    currentWorkArea_ = 0;
  });
}

String TXbConnection::Alias(std::int16_t Area) {
  return Guard("Alias", String(), [&] { return Exchange(xbproto::Alias.text, D(Area)); });
}

std::int16_t TXbConnection::WorkArea(const String& Alias) {
  return Guard("WorkArea", std::int16_t{0}, [&] { return static_cast<std::int16_t>(TrimDec(Exchange(xbproto::WorkArea.text, Alias))); });
}

bool TXbConnection::IsEncrypted(int N) {
  return Guard("IsEncrypted", false, [&] { return YesAnswer(Exchange(xbproto::IsEncrypted.text, D(N))); });
}

void TXbConnection::SetPassword(const String& Password) {
  GuardVoid("SetPassword", [&] { SendOnly(xbproto::SetPassword.text, Password); });
}

String TXbConnection::Version() {
  return Guard("Version", String(), [&] { return Exchange(xbproto::Version.text, String()); });
}

std::int32_t TXbConnection::SysProp(int Property, std::int32_t Value) {
  if (!Active()) return 0;
  String value;
  switch (Property) {
    case 1001: case 1003: case 1009: case 1303: value = YN((Value & 0xff) != 0); break;
    case 1107: case 1305: value = Value == 1 ? "1" : "0"; break;
    case 1302: value = "0"; break;
    case 2000: case 3002: case 3004: value = H8(Value); break;
    default: break;  // read a property: nothing more
  }
  try {
    return TrimHex(Exchange(xbproto::SysProp.text, H8(Property) + value));
  } catch (const ELostExchange&) {
    return 0;
  } catch (const EConvertError&) {
    lastFailed_ = true;
    DoError("XbConnection.SysProp", "Converting data");
  } catch (...) {
    lastFailed_ = true;
    DoError("XbConnection.SysProp", "SysProp");
  }
  return 0;
}

// ---- settings ---------------------------------------------------------------------------------

void TXbConnection::SetSoftSeek(bool On) {
  if (!Active()) return;
  // Exchange failures of this setting are not reported.
  ClientXmit(xbproto::SetSoftSeek.text, YN(On), true);
}

void TXbConnection::SetExact(bool On) {
  if (Active()) GuardVoid("SetExact", [&] { Exchange(xbproto::SetExact.text, YN(On)); });
}

void TXbConnection::SetDeleted(bool On) {
  if (Active()) GuardVoid("SetDeleted", [&] { Exchange(xbproto::SetDeleted.text, YN(On)); });
}

void TXbConnection::SetCentury(bool On) {
  if (Active()) GuardVoid("SetCentury", [&] { Exchange(xbproto::SetCentury.text, YN(On)); });
}

void TXbConnection::SetDateFormat(int Format) {
  GuardVoid("SetDateFormat", [&] { Exchange(xbproto::SetDateFormat.text, H8(Format)); });
}

void TXbConnection::SetTurboRead(bool On) {
  if (Active()) GuardVoid("SetTurboRead", [&] { Exchange(xbproto::SetTurboRead.text, YN(On)); });
}

void TXbConnection::SetLockTimeOut(std::int32_t TimeOut) {
  GuardVoid("SetLockTimeOut", [&] { SendOnly(xbproto::SetLockTimeOut.text, D(TimeOut)); });
}

void TXbConnection::SetTranslate(bool On) {
  GuardVoid("SetTranslate", [&] { SendOnly(xbproto::SetTranslate.text, YN(On)); });
}

std::int32_t TXbConnection::SetEpoch(int Year) {
  if (!Active()) return 0;
  return Guard("SetEpoch", 0, [&] { return TrimDec(Exchange(xbproto::SetEpoch.text, H8(Year))); });
}

std::int32_t TXbConnection::SetMemoBlockSize(int Size) {
  if (!Active()) return 0;
  return Guard("SetMemoBlockSize", 0, [&] { return Hex(Exchange(xbproto::SetMemoBlockSize.text, P10(D(Size)))); });
}

// ---- moving -------------------------------------------------------------------------------------

std::int32_t TXbConnection::RecCount() {
  return Guard("RecCount", 0, [&] { return TrimDec(Exchange(xbproto::RecCount.text, String())); });
}

bool TXbConnection::Bof() {
  return Guard("Bof", false, [&] { return YesAnswer(Exchange(xbproto::Bof.text, String())); });
}

bool TXbConnection::Eof() {
  // A walk that asks Eof over a failed connection must end, not spin.
  try {
    return YesAnswer(Exchange(xbproto::Eof.text, String()));
  } catch (...) {
    return true;
  }
}

std::int32_t TXbConnection::Go(std::int32_t RecNo) {
  return Guard("Go", 0, [&] { return Hex(Exchange(xbproto::Go.text, H8(RecNo))); });
}

void TXbConnection::GoBottom() {
  GuardVoid("GoBottom", [&] { Exchange(xbproto::GoBottom.text, String()); });
}

void TXbConnection::GoTop() {
  GuardVoid("GoTop", [&] { Exchange(xbproto::GoTop.text, String()); });
}

std::int32_t TXbConnection::RecNo() {
  return Guard("RecNo", 0, [&] { return Dec(Exchange(xbproto::RecNo.text, String())); });
}

void TXbConnection::Skip(std::int32_t Distance) {
  GuardVoid("Skip", [&] { Exchange(xbproto::Skip.text, H8(Distance)); });
}

std::int32_t TXbConnection::Count() {
  return Guard("Count", 0, [&] { return Dec(Exchange(xbproto::Count.text, String())); });
}

void TXbConnection::OrderPosSet(double Position) {
  GuardVoid("OrderPosSet", [&] { Exchange(xbproto::OrderPosSet.text, FloatText(Position)); });
}

// ---- records --------------------------------------------------------------------------------------

std::int32_t TXbConnection::AppendBlank() {
  return Guard("AppendBlank", 0, [&] { return Hex(Exchange(xbproto::AppendBlank.text, String())); });
}

void TXbConnection::Delete() {
  GuardVoid("Delete", [&] { Exchange(xbproto::Delete.text, String()); });
}

bool TXbConnection::Deleted() {
  return Guard("Deleted", false, [&] { return YesAnswer(Exchange(xbproto::Deleted.text, String())); });
}

void TXbConnection::Commit() {
  GuardVoid("Commit", [&] { Exchange(xbproto::Commit.text, String()); });
}

bool TXbConnection::FetchRecord(void* Destination, std::int32_t Size) {
  return Guard("FetchRecord", false, [&] {
    TMemoryStream* reply = ClientStreamReceive(xbproto::GetRecord.text, String());
    if (lastFailed_) throw ELostExchange();
    // A short image would leave the rest of the destination as garbage.
    if (!reply || Size < 0 || reply->Size() < Size) throw EXbSrvResponseError("Short record image");
    std::memcpy(Destination, reply->Memory(), static_cast<std::size_t>(Size));
    return true;
  });
}

void TXbConnection::PutRecord(const void* Image, std::int32_t Size) {
  GuardVoid("PutRecord", [&] {
    sendStream_.Clear();
    sendStream_.WriteBuffer(Image, Size);
    ClientStreamSendReceive(xbproto::PutRecord.text);
    sendStream_.Clear();
    if (lastFailed_) throw ELostExchange();
  });
}

void TXbConnection::Replace(const String& Field, int Type, const void* Data) {
  sendStream_.Clear();
  try {
    String head = P10(Field) + Pad(H4(Type), 4);
    sendStream_.WriteBuffer(head.data(), static_cast<std::int64_t>(head.size()));
    switch (Type) {
      case 1: {  // a 16-bit whole number, sent widened to 4 bytes
        std::int16_t v;
        std::memcpy(&v, Data, 2);
        const std::int32_t w = v;
        sendStream_.WriteBuffer(&w, 4);
        break;
      }
      // A yes/no (4) and a day number (16) are 32-bit values like a whole
      // number (2): sent as their 4 bytes, not dropped.
      case 2: case 4: case 16: sendStream_.WriteBuffer(Data, 4); break;
      case 8: sendStream_.WriteBuffer(Data, 8); break;
      case 128: sendStream_.WriteBuffer(Data, 1); break;
      // A date as text (32) is text: its 4 bytes would be the address of the
      // text, which means nothing to the server.
      case 32: case 1024: case 1025: case 1056: case 3072: {
        const char* text = static_cast<const char*>(Data);
        sendStream_.WriteBuffer(text, static_cast<std::int64_t>(std::strlen(text)));
        break;
      }
      default: break;
    }
  } catch (...) {
    sendStream_.Clear();
    lastFailed_ = true;
    DoError("XbConnection.Replace", "Replace");
    return;
  }
  // Only the exchange reports its failures.
  ClientStreamSendReceive(xbproto::Replace.text);
  sendStream_.Clear();
}

std::int32_t TXbConnection::PutBlob(const String& Field, const void* Data, std::int32_t Length) {
  return Guard("PutBlob", 0, [&] {
    sendStream_.Clear();
    const String head = P10(Field) + H8(Length);
    sendStream_.WriteBuffer(head.data(), static_cast<std::int64_t>(head.size()));
    if (Length > 0) sendStream_.WriteBuffer(Data, Length);
    ClientStreamSendReceive(xbproto::BlobData.text);
    sendStream_.Clear();
    if (lastFailed_) throw ELostExchange();
    return Hex(Exchange(xbproto::PutBlob.text, String()));
  });
}

std::int32_t TXbConnection::GetBlob(const String& Field, TStream& Destination) {
  return Guard("GetBlob", 0, [&] {
    TMemoryStream* reply = ClientStreamReceive(xbproto::GetBlob.text, Field);
    if (lastFailed_) throw ELostExchange();
    if (!reply) return 0;
    Destination.WriteBuffer(reply->Memory(), reply->Size());
    return static_cast<std::int32_t>(reply->Size());
  });
}

std::int32_t TXbConnection::GetBlobLength(const String& Field) {
  return Guard("GetBlobLength", 0, [&] { return Dec(Exchange(xbproto::GetBlobLength.text, Field)); });
}

String TXbConnection::GetDateString(const String& Field) {
  return Guard("GetDateString", String(), [&] { return Exchange(xbproto::GetDateString.text, Field); });
}

double TXbConnection::GetDouble(const String& Field) {
  return Guard("GetDouble", 0.0, [&] { return Float(Exchange(xbproto::GetDouble.text, Field)); });
}

std::int32_t TXbConnection::GetInteger(const String& Field) {
  return Guard("GetInteger", 0, [&] { return Dec(Exchange(xbproto::GetInteger.text, Field)); });
}

String TXbConnection::GetMemo(const String& Field, std::int32_t LineWidth) {
  return Guard("GetMemo", String(), [&] { return Exchange(xbproto::GetMemo.text, H8(0) + H8(LineWidth) + Field); });
}

String TXbConnection::GetTrimString(const String& Field) {
  return Guard("GetTrimString", String(), [&] { return Exchange(xbproto::GetTrimString.text, Field); });
}

// ---- locks -----------------------------------------------------------------------------------------

bool TXbConnection::Rlock(std::int32_t RecNo) {
  return Guard("Rlock", false, [&] { return YesAnswer(Exchange(xbproto::Rlock.text, D(RecNo))); });
}

bool TXbConnection::Flock() {
  try {
    return YesAnswer(Exchange(xbproto::Flock.text, String()));
  } catch (...) {
    return false;
  }
}

void TXbConnection::Unlock(std::int32_t RecNo) {
  GuardVoid("Unlock", [&] { Exchange(xbproto::Unlock.text, H8(RecNo)); });
}

// ---- indexes, scopes, filters, expressions ------------------------------------------------------------

int TXbConnection::Index(const String& FileName, const String& Expression, int Option, bool Descending,
                         const String& Condition) {
  try {
    return Dec(Exchange(xbproto::Index.text, P255(FileName) + P255(Expression) + P10(D(Option)) + YN(Descending) +
                                    P255(Condition)));
  } catch (...) {
    return 0;
  }
}

int TXbConnection::IndexTag(const String& FileName, const String& TagName, const String& Expression, int Option,
                            bool Descending, const String& Condition) {
  try {
    return Dec(Exchange(xbproto::IndexTag.text, P255(FileName) + P255(TagName) + P255(Expression) + P10(D(Option)) + YN(Descending) +
                                    P255(Condition)));
  } catch (...) {
    return 0;
  }
}

int TXbConnection::IndexOpen(const String& FileName) {
  // As with every other file command, the server is sent the file name part:
  // the table's directory is a place on this machine, not on the server.
  return Guard("IndexOpen", 0,
               [&] { return TrimDec(Exchange(xbproto::IndexOpen.text, P255(databaseName_) + P255(ExtractFileName(FileName)))); });
}

void TXbConnection::CloseIndexes() {
  try {
    Exchange(xbproto::CloseIndexes.text, String());
  } catch (const ELostExchange&) {
  } catch (...) {
    DoError("CloseIndexes", "CloseIndexes");
  }
}

int TXbConnection::IndexOrd() {
  return Guard("IndexOrd", 0, [&] { return TrimDec(Exchange(xbproto::IndexOrd.text, String())); });
}

int TXbConnection::SetOrder(int Order) {
  return Guard("SetOrder", 0, [&] { return TrimDec(Exchange(xbproto::SetOrder.text, H4(Order))); });
}

String TXbConnection::IndexName(int Order) {
  return Guard("IndexName", String(), [&] { return Exchange(xbproto::IndexName.text, D(Order)); });
}

String TXbConnection::TagName(int Order) {
  return Guard("TagName", String(), [&] { return Exchange(xbproto::TagName.text, H4(Order)); });
}

std::int16_t TXbConnection::TagArea(const String& TagName) {
  return Guard("TagArea", std::int16_t{0}, [&] { return static_cast<std::int16_t>(TrimDec(Exchange(xbproto::TagArea.text, TagName))); });
}

String TXbConnection::IndexKey() {
  return Guard("IndexKey", String(), [&] { return Exchange(xbproto::IndexKey.text, String()); });
}

String TXbConnection::IndexKeyField() {
  return Guard("IndexKeyField", String(), [&] { return Exchange(xbproto::IndexKeyField.text, String()); });
}

String TXbConnection::IndexCondition() {
  try {
    return Exchange(xbproto::IndexCondition.text, String());
  } catch (...) {
    return String();
  }
}

int TXbConnection::IndexType() {
  return Guard("IndexType", 0, [&] { return TrimDec(Exchange(xbproto::IndexType.text, String())); });
}

bool TXbConnection::Seek(const String& Key) {
  try {
    const String reply = Exchange(xbproto::Seek.text, Key);
    return !reply.empty() && reply[0] == 'Y';
  } catch (...) {
    return false;
  }
}

bool TXbConnection::Found() {
  return Guard("Found", false, [&] { return YesAnswer(Exchange(xbproto::Found.text, String())); });
}

bool TXbConnection::SetScope(const String* Low, const String* High) {
  return Guard("SetScope", false, [&] {
    const String low = Low ? *Low : String();
    const String high = High ? *High : String();
    return YesAnswer(
        Exchange(xbproto::SetScope.text, H4(static_cast<std::int32_t>(low.size())) + H4(static_cast<std::int32_t>(high.size())) +
                             P255(low) + P255(high)));
  });
}

String TXbConnection::GetScope(int Which) {
  return Guard("GetScope", String(), [&] { return Exchange(xbproto::GetScope.text, D(Which)); });
}

std::int32_t TXbConnection::QueryRecCount() {
  return Guard("QueryRecCount", 0, [&] { return Dec(Exchange(xbproto::QueryRecCount.text, String())); });
}

std::int16_t TXbConnection::QueryTest(const String& Expression) {
  return Guard("QueryTest", std::int16_t{0},
               [&] { return static_cast<std::int16_t>(TrimDec(Exchange(xbproto::QueryTest.text, Expression))); });
}

std::int32_t TXbConnection::QueryRowCount(const String& Expression, std::int32_t& Count) {
  Count = 0;
  return Guard("QueryRowCount", 0, [&] {
    const String reply = Trim(Exchange(xbproto::Query.text, Expression));
    const std::int32_t result = Hex(reply.substr(0, 8));
    Count = Hex(reply.substr(8, 8));
    return result;
  });
}

String TXbConnection::DBFilter() {
  return Guard("DBFilter", String(), [&] { return Exchange(xbproto::DBFilter.text, String()); });
}

bool TXbConnection::EvalLogical(const String& Expression) {
  return Guard("EvalLogical", false, [&] {
    const String whole = Exchange(xbproto::EvalLogical.text, Expression);
    const std::string_view reply = AsText(whole);
    return reply == "\x01" || reply == "Y";
  });
}

double TXbConnection::EvalNumeric(const String& Expression) {
  return Guard("EvalNumeric", 0.0, [&] { return Float(Exchange(xbproto::EvalNumeric.text, Expression)); });
}

String TXbConnection::EvalString(const String& Expression) {
  return Guard("EvalString", String(), [&] { return Exchange(xbproto::EvalString.text, Expression); });
}

std::int16_t TXbConnection::EvalTest(const String& Expression) {
  return Guard("EvalTest", std::int16_t{0}, [&] { return static_cast<std::int16_t>(Dec(Exchange(xbproto::EvalTest.text, Trim(Expression)))); });
}

// ---- creating a table ------------------------------------------------------------------------------------

bool TXbConnection::CreateExec() {
  return Guard("CreateExec", false, [&] { return YesAnswer(Exchange(xbproto::CreateExec.text, String())); });
}

void TXbConnection::CreateField(const String& Name, const String& Type, int Width, int Decimals) {
  GuardVoid("CreateField", [&] { Exchange(xbproto::CreateField.text, P10(Name) + P10(Type) + P10(D(Width)) + P10(D(Decimals))); });
}

std::int16_t TXbConnection::CreateNew(const String& DatabaseName, const String& FileName, int TableType,
                                      int FieldCount) {
  // Failure carries bit 15, as a refused local creation does: 0 alone would
  // read as "no work area yet" rather than "failed".
  constexpr std::int16_t kFailed = static_cast<std::int16_t>(0x8000);
  const std::int16_t area = Guard("CreateNew", kFailed, [&] {
    return static_cast<std::int16_t>(TrimDec(Exchange(
        xbproto::CreateNew.text, P255(DatabaseName) + P255(ExtractFileName(FileName)) + H1(TableType) + H8(FieldCount))));
  });
  return area == 0 ? kFailed : area;
}

// ---- fields ------------------------------------------------------------------------------------------------

TMemoryStream* TXbConnection::GetStructure() {
  return Guard<TMemoryStream*>("GetStructure", nullptr, [&] {
    TMemoryStream* reply = ClientStreamReceive(xbproto::Structure.text, String());
    if (lastFailed_) throw ELostExchange();
    return reply;
  });
}

int TXbConnection::FieldDecimals(const String& Name) {
  return Guard("FieldDecimals", 0, [&] { return Dec(Exchange(xbproto::FieldDecimals.text, Name)); });
}

String TXbConnection::FieldName(int Number) {
  return Guard("FieldName", String(), [&] { return Exchange(xbproto::FieldName.text, D(Number)); });
}

int TXbConnection::FieldOffset(const String& Name) {
  return Guard("FieldOffset", 0, [&] { return Dec(Exchange(xbproto::FieldOffset.text, Name)); });
}

String TXbConnection::FieldType(const String& Name) {
  return Guard("FieldType", String(), [&] { return Exchange(xbproto::FieldType.text, Name); });
}

int TXbConnection::FieldWidth(const String& Name) {
  return Guard("FieldWidth", 0, [&] { return Dec(Exchange(xbproto::FieldWidth.text, Name)); });
}
