// TXbConnection: the table open on the server and the batched record fetch.
#include <cstring>

#include "class_library/core/SysUtils.h"
#include "data_access/XbConnInternal.h"

using namespace xbconn;

namespace {

// Positions of the open answer (0-based).
constexpr std::size_t kIndexOrderAt = 284;
constexpr std::size_t kIndexBlockAt = 300;
constexpr std::size_t kIndexEntrySize = 1026;
constexpr std::int32_t kMaxRecordSize = 65535;

String Field255(const String& Entry, std::size_t At) { return Trim(Entry.substr(At, 255)); }

}  // namespace

std::int16_t TXbConnection::Use(const TXbServerOpenRequest& Request, TXbServerOpenAnswer& Answer) {
  Answer = TXbServerOpenAnswer();
  String reply;
  try {
    const String payload = P255(Request.DatabaseName) + P255(ExtractFileName(Request.TableName)) +
                           P1(D(Request.OpenMode)) + P1(D(Request.TableType)) + P255(Request.Password) +
                           YN(Request.TurboRead) + P255(Request.IndexName) + H4(Request.Epoch) +
                           H4(Request.DateFormat) + H4(Request.MemoBlockSize) + YN(Request.Deleted) +
                           YN(Request.Century) + YN(Request.SoftSeek) + YN(Request.Exact) +
                           YN(Request.OEMTranslate) + YN(Request.EnvironmentApplied) + P1(D(Request.CommitLevel));
    reply = Exchange(xbproto::Open.text, payload);
  } catch (const ELostExchange&) {
    return 0;
  } catch (...) {
    lastFailed_ = true;
    DoError("XbConnection.Use", "Use");
    return 0;
  }
  return Guard("Use", std::int16_t{0}, [&] {
    // Every position is checked against the reply's length before it is read.
    if (reply.size() < kIndexBlockAt) throw EXbSrvResponseError("Short open reply");
    TXbServerOpenAnswer a;
    a.WorkArea = static_cast<std::int16_t>(Hex(reply.substr(0, 4)));
    a.RecordCount = Hex(reply.substr(4, 8));
    a.FieldCount = Hex(reply.substr(12, 8));
    a.RecordSize = Hex(reply.substr(20, 8));
    // The table sizes its record buffers by these: a record of a DBF table
    // holds at most 65,535 bytes in at most as many fields.
    if (a.WorkArea > 0 && (a.RecordSize < 1 || a.RecordSize > kMaxRecordSize || a.FieldCount < 0 ||
                           a.FieldCount > kMaxRecordSize))
      throw EXbSrvResponseError("Malformed open reply");
    a.Encrypted = reply[28] == 'Y';
    a.IndexOrder = Hex(reply.substr(kIndexOrderAt, 4));
    const std::int32_t entries = Hex(reply.substr(288, 4));
    const std::int32_t blockLength = Hex(reply.substr(292, 8));
    if (entries < 0 || blockLength < 0 ||
        static_cast<std::size_t>(entries) * kIndexEntrySize > static_cast<std::size_t>(blockLength) ||
        reply.size() < kIndexBlockAt + static_cast<std::size_t>(blockLength) + 8)
      throw EXbSrvResponseError("Malformed open reply");
    const std::size_t afterBlock = kIndexBlockAt + static_cast<std::size_t>(blockLength);
    a.ErrorCount = Hex(reply.substr(afterBlock, 8));
    a.ErrorText = reply.substr(afterBlock + 8);
    if (a.ErrorCount == 0) {
      for (std::int32_t i = 0; i < entries; ++i) {
        const String entry = reply.substr(kIndexBlockAt + static_cast<std::size_t>(i) * kIndexEntrySize, kIndexEntrySize);
        TXbServerIndex x;
        x.Name = Field255(entry, 0);
        x.Fields = Field255(entry, 255);
        x.Source = Field255(entry, 510);
        x.Expression = Field255(entry, 765);
        x.Primary = entry[1020] == '1';
        x.Unique = entry[1021] == '1';
        x.Descending = entry[1022] == '1';
        x.CaseInsensitive = entry[1023] == '1';
        x.IsExpression = entry[1024] == '1';
        x.NonMaintained = entry[1025] == '1';
        a.Indexes.push_back(std::move(x));
      }
    }
    Answer = std::move(a);
    if (Answer.WorkArea > 0) currentWorkArea_ = Answer.WorkArea;
    return Answer.WorkArea;
  });
}

TGetResult TXbConnection::TraverseTable(bool AtTop, bool AtBottom, int EOFAction, TGetMode GetMode,
                                        TGetMode LastDirection, std::int32_t FetchCount, std::int32_t RecNo,
                                        std::int32_t RecordSize, std::vector<TXbFetchRow>& Rows,
                                        std::int32_t& RowsHeld) {
  RowsHeld = 0;
  return GuardReporting("TraverseTable", "Make sure DatabaseName is set to a valid alias.", grError, [&] {
    if (RecordSize < 0 || FetchCount < 1) throw EXbSrvException("Invalid fetch request");
    const String payload = YN(AtTop) + YN(AtBottom) + D(EOFAction) + D(static_cast<int>(GetMode)) +
                           D(static_cast<int>(LastDirection)) + H8(FetchCount) + H8(RecNo);
    TMemoryStream* reply = ClientStreamReceive(xbproto::Traverse.text, payload);
    if (lastFailed_) throw ELostExchange();
    if (!reply) throw EXbSrvResponseError("Empty fetch reply");
    const char* p = reply->Memory();
    const std::size_t size = static_cast<std::size_t>(reply->Size());
    if (size < 8) throw EXbSrvResponseError("Short fetch reply");
    const std::int32_t n = Hex(std::string_view(p, 8));
    // More rows than asked for would run past the cache.
    if (n < 0 || n > FetchCount) throw EXbSrvResponseError("Fetch reply holds more rows than asked for");
    const std::size_t rowSize = 17 + static_cast<std::size_t>(RecordSize);
    if (size < 8 + static_cast<std::size_t>(n) * rowSize) throw EXbSrvResponseError("Short fetch reply");
    if (Rows.size() < static_cast<std::size_t>(n)) Rows.resize(static_cast<std::size_t>(n));
    TGetResult last = grOK;
    for (std::int32_t i = 0; i < n; ++i) {
      const char* r = p + 8 + static_cast<std::size_t>(i) * rowSize;
      TXbFetchRow& row = Rows[static_cast<std::size_t>(i)];
      if (r[0] < '0' || r[0] > '3') throw EXbSrvResponseError("Bad row status");
      row.Status = static_cast<Byte>(r[0] - '0');
      row.RecNo = Hex(std::string_view(r + 1, 8));
      row.LogicalPosition = Hex(std::string_view(r + 9, 8));
      row.Image.assign(r + 17, r + 17 + RecordSize);
      last = static_cast<TGetResult>(row.Status);
    }
    RowsHeld = n;
    return n == 0 ? grOK : last;
  });
}
