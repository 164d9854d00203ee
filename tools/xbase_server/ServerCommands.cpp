// The command set of the test peer, each command carried out by the engine.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/system/AsciiCase.h"
#include "platform/system/Files.h"
#include "platform/system/NumberText.h"
#include "data_access/XbProtocol.h"
#include "tools/xbase_server/Server.h"
#include "xbase_engine/xbe61.h"

namespace xbsrv {

namespace {

std::string Str(const char* p) { return p ? std::string(p) : std::string(); }
std::string YN(bool b) { return b ? "Y" : "N"; }
std::string Dec(long long v) { return std::to_string(v); }
int Flag(bool b) { return b ? -1 : 0; }

std::string Field(const std::string& p, std::size_t at, std::size_t width) {
  return at < p.size() ? Trimmed(p.substr(at, width)) : std::string();
}

std::int64_t HexAt(const std::string& p, std::size_t at, std::size_t width) {
  std::int64_t v = 0;
  if (at >= p.size() || !ParseHex(p.substr(at, width), v)) return 0;
  return v;
}

int Int(const std::string& s) { return std::atoi(Trimmed(s).c_str()); }

// Numbers on the wire have "." as their decimal point whatever the locale.
std::string Float(double d) { return sys::GeneralText(d, 15); }

Reply Text(std::string t) {
  Reply r;
  r.payload = std::move(t);
  return r;
}

// For the commands the client sends without waiting: nothing goes back.
Reply NoReply() {
  Reply r;
  r.send = false;
  return r;
}

// The engine alias for a table file: letters of its name, made unique.
std::string MakeAlias(const std::string& file) {
  std::string base;
  for (char c : file) {
    if (c == '.') break;
    const char u = sys::AsciiUpper(c);
    base += (u >= 'A' && u <= 'Z') ? u : '_';
    if (base.size() == 8) break;
  }
  if (base.empty()) base = "T";
  std::string alias = base;
  for (int n = 1; xb_WorkArea(alias.c_str()) != 0; ++n) {
    const std::string digits = std::to_string(n);
    alias = base.substr(0, 8 - std::min<std::size_t>(8, digits.size())) + digits;
  }
  return alias;
}

// The logical position of the current record: its record number in natural
// order; in an index order its place among the keys, scaled to the record
// count as a table on the engine's own machine reckons it.
std::uint32_t LogicalPosition() {
  if (xb_IndexOrd() <= 0) return static_cast<std::uint32_t>(xb_RecNo());
  return static_cast<std::uint32_t>(std::llround(xb_OrderPosGet() * xb_RecCount()));
}

// The engine reports a refused password through its error function only.
bool passwordRefused = false;
void NotePasswordFailure(int, const char*) { passwordRefused = true; }

// Hands the current table its password; false when the engine refused it.
bool PasswordTaken(const std::string& password) {
  passwordRefused = false;
  const int level = xb_ErrorLevel(1);
  xb_SetErrorFunc(&NotePasswordFailure);
  xb_SetPassword(password.c_str());
  xb_SetErrorFunc(nullptr);
  xb_ErrorLevel(level);
  return !passwordRefused;
}

}  // namespace

int Server::EngineArea(Session& s, int clientArea) const {
  auto it = s.areas.find(clientArea);
  return it == s.areas.end() ? 0 : it->second;
}

int Server::ClientArea(Session& s, int engineArea) const {
  for (const auto& [client, engine] : s.areas)
    if (engine == engineArea) return client;
  return 0;
}

int Server::AddArea(Session& s, int engineArea) {
  const int client = s.nextArea++;
  s.areas[client] = engineArea;
  return client;
}

void Server::SelectCurrent(Session& s) {
  const int engine = EngineArea(s, s.current);
  // A session without a table of its own acts on none: area 0 is nobody's.
  xb_Select(static_cast<short>(engine));
}

std::string Server::Confine(const std::string& databaseName, const std::string& fileName) const {
  const auto plain = [](const std::string& n) {
    return !n.empty() && n.find('/') == std::string::npos && n.find('\\') == std::string::npos &&
           n.find(':') == std::string::npos && n != "." && n != ".." && n.find("..") == std::string::npos &&
           n.find('\0') == std::string::npos;
  };
  if (!plain(fileName)) return std::string();
  std::string dir = opt_.dataDir;
  // A database name that names a folder of the data directory selects it;
  // any other is an alias of the data directory itself.
  if (!databaseName.empty() && plain(databaseName)) {
    const std::string sub = sys::ResolveFileName(opt_.dataDir + databaseName);
    if (sys::DirectoryExists(sub)) dir = sub + "/";
  }
  return sys::ResolveFileName(dir + fileName);
}

Reply Server::Open(Session& s, const std::string& p) {
  // The open's fields, at their fixed places.
  const std::string db = Field(p, 0, 255);
  const std::string file = Field(p, 255, 255);
  const int mode = Int(p.substr(std::min<std::size_t>(510, p.size()), 1));
  const int type = Int(p.substr(std::min<std::size_t>(511, p.size()), 1));
  const std::string password = Field(p, 512, 255);
  const bool turbo = p.size() > 767 && p[767] == 'Y';
  std::size_t at = 768 + 255;  // index name skipped: the client applies it itself
  const auto epoch = static_cast<short>(HexAt(p, at, 4));
  const int dateFormat = static_cast<int>(HexAt(p, at + 4, 4));
  const int memoBlock = static_cast<int>(HexAt(p, at + 8, 4));
  at += 12;
  const auto yes = [&](std::size_t i) { return at + i < p.size() && p[at + i] == 'Y'; };
  const bool deleted = yes(0), century = yes(1), softSeek = yes(2), exact = yes(3), translate = yes(4),
             envApplied = yes(5);
  const int commit = at + 6 < p.size() ? Int(p.substr(at + 6, 1)) : 1;

  if (envApplied) {
    xb_SetEpoch(epoch);
    xb_SetDeleted(Flag(deleted));
    xb_SetCentury(Flag(century));
    xb_SetMemoBlockSize(memoBlock);
    if (memoBlock > 0) s.settings.memoBlockSize = memoBlock;
    // The open carries the format's ordinal: the last one, 7, is the
    // system's own format, code 99 to the engine.
    xb_SetDateFormat(dateFormat == 7 ? 99 : dateFormat);
    xb_SetSoftSeek(Flag(softSeek));
    xb_SetExact(Flag(exact));
  } else {
    xb_SetDeleted(Flag(deleted));
  }
  const std::string path = Confine(db, file);
  int engine = 0;
  std::string error;
  if (path.empty()) {
    error = "Invalid table name: " + file;
  } else {
    xb_ErrorLevel(0);
    engine = xb_UseEx(path.c_str(), MakeAlias(file).c_str(), static_cast<short>(mode), static_cast<short>(type),
                      static_cast<short>(commit));
  }
  std::string r;
  if (engine > 0) {
    xb_Select(static_cast<short>(engine));
    xb_SetTurboRead(Flag(turbo));
    xb_SetTranslate(Flag(translate));
    // A wrong password fails the open, as it does on the client's own
    // machine, and the table is given back.
    if (!password.empty() && !PasswordTaken(password) && xb_IsEncrypted(0) != 0) {
      xb_Close();
      engine = 0;
      error = "Invalid password for table: " + file;
    }
  }
  if (engine > 0) {
    const int client = AddArea(s, engine);
    s.current = client;
    r = Hex(static_cast<std::uint32_t>(client), 4) + Hex(static_cast<std::uint32_t>(xb_RecCount()), 8) +
        Hex(static_cast<std::uint32_t>(xb_FieldCount()), 8) + Hex(static_cast<std::uint32_t>(xb_RecSize()), 8) +
        YN(xb_IsEncrypted(0) != 0);
  } else {
    r = Hex(0, 4) + Hex(0, 8) + Hex(0, 8) + Hex(0, 8) + "N";
  }
  r.append(255, ' ');
  r += Hex(engine > 0 ? static_cast<std::uint32_t>(xb_IndexOrd()) : 0, 4) + Hex(0, 4) + Hex(0, 8);
  r += Hex(error.empty() ? 0 : 1, 8) + error;
  return Text(r);
}

Reply Server::Structure(Session& s) {
  SelectCurrent(s);
  std::string out;
  const int n = xb_FieldCount();
  for (int i = 1; i <= n; ++i) {
    const std::string name = Str(xb_FieldName(static_cast<short>(i)));
    out += name + "\r\n" + Str(xb_FieldType(name.c_str())) + "\r\n" +
           Hex(static_cast<std::uint32_t>(xb_FieldWidth(name.c_str())), 1) + "\r\n" +
           Hex(static_cast<std::uint32_t>(xb_FieldDecimals(name.c_str())), 1) + "\r\n" +
           Hex(static_cast<std::uint32_t>(xb_FieldOffset(name.c_str())), 1) + "\r\n";
  }
  return Text(out);
}

// The record fetch: the same moves as a table on the engine's own machine,
// repeated until the batch is full or the walk ends.
Reply Server::Traverse(Session& s, const std::string& p) {
  SelectCurrent(s);
  if (p.size() < 4) return Text(Hex(0, 8));
  const bool atTopFirst = p[0] == 'Y', atBottomFirst = p[1] == 'Y';
  const int action = p[2] - '0';
  const int mode = p[3] - '0';
  // The last direction (one digit) is not needed by the moves.
  const auto fetchCount = static_cast<std::int32_t>(HexAt(p, 5, 8));
  const auto from = static_cast<std::int32_t>(HexAt(p, 13, 8));
  const int recSize = xb_RecSize();
  if (!atTopFirst && !atBottomFirst && from > 0 && xb_RecNo() != from) xb_Go(from);
  std::string image(static_cast<std::size_t>(recSize > 0 ? recSize : 0), ' ');
  const int limit = fetchCount > 0 ? std::min(fetchCount, 100000) : 1;
  // The row count goes in front once the rows are known. Room for a usual
  // batch is made at once; a larger one grows as it comes.
  std::string rows(8, '0');
  rows.reserve(8 + static_cast<std::size_t>(std::min(limit, 256)) * (17 + image.size()));
  int n = 0;
  for (int i = 0; i < limit + (opt_.faults.oversizeRows ? 1 : 0); ++i) {
    const bool atTop = i == 0 && atTopFirst, atBottom = i == 0 && atBottomFirst;
    const int before = (atTop || atBottom || mode == 0) ? 0 : xb_RecNo();
    int result = 0;  // OK, BOF, EOF
    int reached = -1;
    if (mode == 0) {
      if (xb_Bof() && xb_Eof()) {
        result = 2;
      } else if (xb_Eof() && action == 1) {
        xb_GoBottom();
        if (xb_Eof()) result = 2;
      }
    } else if (mode == 1) {
      if (atTop) xb_GoTop(); else xb_Skip(1);
      if (xb_Eof() || (reached = xb_RecNo()) == before) {
        xb_GoBottom();
        result = 2;
      }
    } else {
      if (atBottom) xb_GoBottom(); else xb_Skip(-1);
      if (xb_Bof() || (reached = xb_RecNo()) == before) {
        xb_GoTop();
        result = 1;
      }
    }
    const int recNo = (result == 0 && mode != 0) ? reached : xb_RecNo();
    if (result == 0) xb_GetRecord(image.data());
    rows += static_cast<char>('0' + result);
    AppendHex(rows, static_cast<std::uint32_t>(recNo), 8);
    AppendHex(rows, result == 0 ? LogicalPosition() : 0, 8);
    rows += image;
    ++n;
    if (result != 0 || mode == 0) break;
  }
  // At most 100,001 rows: always 8 digits.
  rows.replace(0, 8, Hex(static_cast<std::uint32_t>(n), 8));
  return Text(std::move(rows));
}

Settings Server::CaptureSettings(const Session& s) const {
  // Each setter answers the previous value: set and put back.
  Settings now;
  now.epoch = xb_SetEpoch(1980);
  xb_SetEpoch(static_cast<short>(now.epoch));
  now.century = xb_SetCentury(0);
  xb_SetCentury(now.century);
  now.softSeek = xb_SetSoftSeek(0);
  xb_SetSoftSeek(now.softSeek);
  now.lockTimeout = xb_SetLockTimeout(0);
  xb_SetLockTimeout(now.lockTimeout);
  now.exact = xb_SysProp(XB_PROP_GET_EXACT, 0);
  now.deleted = xb_SysProp(XB_PROP_GET_DELETED, 0);
  now.optimistic = xb_SysProp(XB_PROP_GET_OPTIMISTIC, 0);
  now.dateFormat = xb_GetDateFormat();
  now.memoBlockSize = s.settings.memoBlockSize;
  return now;
}

void Server::ApplySettings(const Session& s) {
  const Settings& v = s.settings;
  xb_SetEpoch(static_cast<short>(v.epoch));
  xb_SetCentury(v.century);
  xb_SetSoftSeek(v.softSeek);
  xb_SetLockTimeout(v.lockTimeout);
  xb_SetExact(v.exact);
  xb_SetDeleted(v.deleted);
  xb_SysProp(XB_PROP_SET_OPTIMISTIC, v.optimistic);
  xb_SetDateFormat(v.dateFormat);
  xb_SetMemoBlockSize(v.memoBlockSize);
  applied_ = &s;
}

Reply Server::Handle(Session& s, const std::string& c, const std::string& p) {
  if (applied_ != &s) ApplySettings(s);
  Reply r = Dispatch(s, c, p);
  s.settings = CaptureSettings(s);
  return r;
}

void Server::TableCommands(std::vector<Command>& into) {
  into.insert(into.end(), {
      {xbproto::FileExists, Area::Own, [](Server& sv, Session&, const std::string& p) -> Reply {
    const std::string path = sv.Confine(Field(p, 0, 255), Field(p, 255, 255));
    return Text(YN(!path.empty() && sys::FileExists(path)));
    
       }},
      {xbproto::UseEx, Area::Own, [](Server& sv, Session& s, const std::string& p) -> Reply {
    const std::string path = sv.Confine(std::string(), Field(p, 0, 255));
    const int engine = path.empty() ? 0
                                    : xb_UseEx(path.c_str(), MakeAlias(Field(p, 0, 255)).c_str(),
                                               static_cast<short>(Int(p.substr(510, 1))),
                                               static_cast<short>(Int(p.substr(511, 1))),
                                               static_cast<short>(Int(p.substr(512, 1))));
    if (engine <= 0) return Text(Hex(0, 4));
    s.current = sv.AddArea(s, engine);
    return Text(Hex(static_cast<std::uint32_t>(s.current), 4));
    
       }},
      {xbproto::Open, Area::Own, [](Server& sv, Session& s, const std::string& p) -> Reply {
        return sv.Open(s, p);
       }},
      {xbproto::RecCount, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(Dec(xb_RecCount()));
       }},
      {xbproto::AppendBlank, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        xb_AppendBlank(); return Text(Hex(static_cast<std::uint32_t>(xb_RecNo()), 8));
       }},
      {xbproto::Bof, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(YN(xb_Bof() != 0));
       }},
      {xbproto::Delete, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        xb_Delete(); return Text("");
       }},
      {xbproto::Deleted, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(YN(xb_Deleted() != 0));
       }},
      {xbproto::Eof, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(YN(xb_Eof() != 0));
       }},
      {xbproto::GetBlob, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
    const int n = xb_GetBlobLength(p.c_str());
    std::string data(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) xb_GetBlob(p.c_str(), data.data());
    return Text(data);
    
       }},
      {xbproto::GetBlobLength, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Dec(xb_GetBlobLength(p.c_str())));
       }},
      {xbproto::GetDateString, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Str(xb_GetDateString(p.c_str())));
       }},
      {xbproto::GetDouble, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Float(xb_GetDouble(p.c_str())));
       }},
      {xbproto::GetInteger, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Dec(xb_GetInteger(p.c_str())));
       }},
      {xbproto::GetMemo, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
    char* memo = xb_GetMemo(p.size() > 16 ? p.c_str() + 16 : "", static_cast<int>(HexAt(p, 8, 8)));
    std::string text = Str(memo);
    if (memo) xb_MemDealloc(memo);
    return Text(text);
    
       }},
      {xbproto::GetTrimString, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Str(xb_GetTrimString(p.c_str())));
       }},
      {xbproto::Go, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
    const auto recNo = static_cast<std::int32_t>(HexAt(p, 0, 8));
    xb_Go(recNo);
    return Text(Hex(LogicalPosition(), 8));
    
       }},
      {xbproto::GoBottom, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        xb_GoBottom(); return Text("");
       }},
      {xbproto::GoTop, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        xb_GoTop(); return Text("");
       }},
      {xbproto::BlobData, Area::Current, [](Server&, Session& s, const std::string& p) -> Reply {
    s.blobField = Field(p, 0, 10);
    s.blobData = p.size() > 18 ? p.substr(18, static_cast<std::size_t>(HexAt(p, 10, 8))) : std::string();
    return Text("");
       }},
      {xbproto::PutRecord, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
    // Only a whole record image is written.
    if (static_cast<int>(p.size()) == xb_RecSize()) xb_PutRecord(p.data());
    return Text("");
       }},
  });
}

void Server::RecordCommands(std::vector<Command>& into) {
  into.insert(into.end(), {
      {xbproto::RecNo, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(Dec(xb_RecNo()));
       }},
      {xbproto::Replace, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
    if (p.size() < 14) return Text("");
    const std::string name = Field(p, 0, 10);
    std::int64_t type = 0;
    ParseHex(p.substr(10, 4), type);
    const std::string data = p.substr(14);
    std::int32_t i32 = 0;
    switch (type) {
      case 1: {
        if (data.size() < 4) break;
        std::memcpy(&i32, data.data(), 4);
        const auto v = static_cast<short>(i32);
        xb_Replace(name.c_str(), 1, &v);
        break;
      }
      case 2: case 4: case 16:
        if (data.size() >= 4) {
          std::memcpy(&i32, data.data(), 4);
          xb_Replace(name.c_str(), static_cast<int>(type), &i32);
        }
        break;
      case 8:
        if (data.size() >= 8) {
          double d;
          std::memcpy(&d, data.data(), 8);
          xb_Replace(name.c_str(), 8, &d);
        }
        break;
      default: xb_Replace(name.c_str(), static_cast<int>(type), data.c_str()); break;
    }
    return Text("");
    
       }},
      {xbproto::Rlock, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(YN(xb_Rlock(Int(p)) != 0));
       }},
      {xbproto::Seek, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(YN(xb_Seek(p.c_str()) != 0));
       }},
      {xbproto::Select, Area::Own, [](Server& sv, Session& s, const std::string& p) -> Reply {
    const int area = static_cast<int>(HexAt(p, 0, 4));
    s.current = sv.EngineArea(s, area) > 0 ? area : 0;
    sv.SelectCurrent(s);
    return Text("");
    
       }},
      {xbproto::SetSoftSeek, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        xb_SetSoftSeek(Flag(p == "Y")); return Text("");
       }},
      {xbproto::SetExact, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        xb_SetExact(Flag(p == "Y")); return Text("");
       }},
      {xbproto::SetOrder, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Dec(xb_SetOrder(static_cast<short>(HexAt(p, 0, 8)))));
       }},
      {xbproto::SetDeleted, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        xb_SetDeleted(Flag(p == "Y")); return Text("");
       }},
      {xbproto::Skip, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        xb_Skip(static_cast<std::int32_t>(static_cast<std::uint32_t>(HexAt(p, 0, 8)))); return Text("");
       }},
      {xbproto::Unlock, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        xb_Unlock(static_cast<std::int32_t>(HexAt(p, 0, 8))); return Text("");
       }},
      {xbproto::Commit, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        xb_Commit(); return Text("");
       }},
  });
}

void Server::RecordReadCommands(std::vector<Command>& into) {
  into.insert(into.end(), {
      {xbproto::GetRecord, Area::Current, [](Server& sv, Session&, const std::string&) -> Reply {
    std::string image(static_cast<std::size_t>(std::max(xb_RecSize(), 0)), ' ');
    if (!image.empty()) xb_GetRecord(image.data());
    if (sv.opt_.faults.shortRecord && !image.empty()) image.pop_back();
    if (sv.opt_.faults.emptyRecord) image.clear();
    return Text(image);
    
       }},
      {xbproto::Count, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(Dec(xb_Count()));
       }},
      {xbproto::TagArea, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Dec(xb_TagArea(p.c_str())));
       }},
      {xbproto::TagName, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Str(xb_TagName(static_cast<short>(HexAt(p, 0, 8)))));
       }},
      {xbproto::QueryRecCount, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(Dec(xb_QueryRecCount()));
       }},
      {xbproto::Close, Area::Current, [](Server&, Session& s, const std::string&) -> Reply {
    xb_Close();
    s.areas.erase(s.current);
    s.current = 0;
    return Text("");
    
       }},
      {xbproto::IndexName, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Str(xb_IndexName(static_cast<short>(Int(p)))));
       }},
      {xbproto::IndexOrd, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(Dec(xb_IndexOrd()));
       }},
      {xbproto::Alias, Area::Current, [](Server& sv, Session& s, const std::string& p) -> Reply {
    const int engine = sv.EngineArea(s, Int(p));
    return Text(engine > 0 ? Str(xb_Alias(static_cast<short>(engine))) : std::string());
    
       }},
      {xbproto::CloseIndexes, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        xb_CloseIndexes(); return Text("");
       }},
      {xbproto::Index, Area::Current, [](Server& sv, Session&, const std::string& p) -> Reply {
    const std::string path = sv.Confine(std::string(), Field(p, 0, 255));
    if (path.empty()) return Text("0");
    const std::string cond = Field(p, 521, 255);
    return Text(Dec(xb_Index(path.c_str(), Field(p, 255, 255).c_str(), cond.empty() ? nullptr : cond.c_str(),
                             Flag(Int(p.substr(510, 10)) != 0), Flag(p.size() > 520 && p[520] == 'Y'))));
    
       }},
  });
}

void Server::QueryCommands(std::vector<Command>& into) {
  into.insert(into.end(), {
      {xbproto::DBFilter, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(Str(xb_DBFilter()));
       }},
      {xbproto::EvalLogical, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(YN(xb_EvalLogical(p.c_str()) != 0));
       }},
      {xbproto::EvalNumeric, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Float(xb_EvalNumeric(p.c_str())));
       }},
      {xbproto::EvalString, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Str(xb_EvalString(p.c_str())));
       }},
      {xbproto::EvalTest, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Dec(xb_EvalTest(p.c_str())));
       }},
      {xbproto::Flock, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(YN(xb_Flock() != 0));
       }},
      {xbproto::Found, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(YN(xb_Found() != 0));
       }},
      {xbproto::GetScope, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Str(xb_GetScope(static_cast<short>(Int(p)))));
       }},
      {xbproto::IndexCondition, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(Str(xb_IndexCondition()));
       }},
      {xbproto::IndexType, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(Dec(xb_IndexType()));
       }},
      {xbproto::IndexKey, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(Str(xb_IndexKey()));
       }},
      {xbproto::IndexKeyField, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(Str(xb_IndexKeyField()));
       }},
  });
}

void Server::SettingCommands(std::vector<Command>& into) {
  into.insert(into.end(), {
      {xbproto::SetCentury, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        xb_SetCentury(Flag(p == "Y")); return Text("");
       }},
      {xbproto::SetDateFormat, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        xb_SetDateFormat(static_cast<int>(HexAt(p, 0, 8))); return Text("");
       }},
      {xbproto::OrderPosSet, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        xb_OrderPosSet(sys::LeadingDouble(p)); return Text("");
       }},
      {xbproto::CreateExec, Area::Current, [](Server&, Session& s, const std::string&) -> Reply {
    const short engine = xb_CreateExec();
    if (engine <= 0 || s.creating == 0) {
      s.areas.erase(s.creating);
      s.creating = 0;
      return Text("N");
    }
    s.areas[s.creating] = engine;
    s.current = s.creating;
    s.creating = 0;
    return Text("Y");
    
       }},
      {xbproto::CreateField, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
    xb_CreateField(Field(p, 0, 10).c_str(), Field(p, 10, 10).c_str(), static_cast<short>(Int(p.substr(20, 10))),
                   static_cast<short>(Int(p.substr(30, 10))));
    return Text("");
       }},
      {xbproto::CreateNew, Area::Own, [](Server& sv, Session& s, const std::string& p) -> Reply {
    const std::string file = Field(p, 255, 255);
    const std::string path = sv.Confine(Field(p, 0, 255), file);
    if (path.empty() || p.size() < 519) return Text("0");
    const std::string tail = p.substr(510);
    std::int64_t type = 0, count = 0;
    ParseHex(tail.substr(0, tail.size() - 8), type);
    ParseHex(tail.substr(tail.size() - 8), count);
    const short engine = xb_CreateNew(path.c_str(), MakeAlias(file).c_str(), static_cast<short>(type),
                                      static_cast<short>(count));
    if (engine <= 0) return Text("0");
    s.creating = sv.AddArea(s, engine);
    return Text(Dec(s.creating));
    
       }},
      {xbproto::SysProp, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
    const auto prop = static_cast<int>(HexAt(p, 0, 8));
    const std::string v = p.size() > 8 ? p.substr(8) : std::string();
    int value = 0;
    if (v == "Y") value = 1;
    else if (v.size() == 8) value = static_cast<int>(HexAt(v, 0, 8));
    else value = std::atoi(v.c_str());
    return Text(Hex(static_cast<std::uint32_t>(xb_SysProp(prop, value)), 8));
    
       }},
      {xbproto::IndexTag, Area::Current, [](Server& sv, Session&, const std::string& p) -> Reply {
    const std::string file = Field(p, 0, 255);
    const std::string path = file.empty() ? std::string() : sv.Confine(std::string(), file);
    if (!file.empty() && path.empty()) return Text("0");
    const std::string cond = Field(p, 776, 255);
    return Text(Dec(xb_IndexTag(path.empty() ? nullptr : path.c_str(), Field(p, 255, 255).c_str(),
                                cond.empty() ? nullptr : cond.c_str(), Flag(Int(p.substr(765, 10)) != 0),
                                Flag(p.size() > 775 && p[775] == 'Y'), Field(p, 510, 255).c_str())));
    
       }},
      {xbproto::SetPassword, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        xb_SetPassword(p.c_str()); return NoReply();
       }},
      {xbproto::SetScope, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
    const auto lowLen = static_cast<std::size_t>(HexAt(p, 0, 4));
    const auto highLen = static_cast<std::size_t>(HexAt(p, 4, 4));
    const std::string low = p.size() > 8 ? p.substr(8, std::min<std::size_t>(lowLen, 255)) : std::string();
    const std::string high = p.size() > 263 ? p.substr(263, std::min<std::size_t>(highLen, 255)) : std::string();
    return Text(YN(xb_SetScope(lowLen ? low.c_str() : nullptr, highLen ? high.c_str() : nullptr) != 0));
    
       }},
      {xbproto::QueryTest, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Dec(xb_QueryTest(p.c_str())));
       }},
      {xbproto::WorkArea, Area::Current, [](Server& sv, Session& s, const std::string& p) -> Reply {
        return Text(Dec(sv.ClientArea(s, xb_WorkArea(p.c_str()))));
       }},
      {xbproto::SetTurboRead, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        xb_SetTurboRead(Flag(p == "Y")); return Text("");
       }},
      {xbproto::SetLockTimeOut, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        xb_SetLockTimeout(Int(p)); return NoReply();
       }},
      {xbproto::IsEncrypted, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(YN(xb_IsEncrypted(static_cast<short>(Int(p))) != 0));
       }},
  });
}

void Server::FieldCommands(std::vector<Command>& into) {
  into.insert(into.end(), {
      {xbproto::PutBlob, Area::Current, [](Server&, Session& s, const std::string&) -> Reply {
    const int stored = xb_PutBlob(s.blobField.c_str(), s.blobData.data(), static_cast<int>(s.blobData.size()));
    s.blobField.clear();
    s.blobData.clear();
    return Text(Hex(static_cast<std::uint32_t>(stored), 8));
    
       }},
      {xbproto::Structure, Area::Current, [](Server& sv, Session& s, const std::string&) -> Reply {
        return sv.Structure(s);
       }},
      {xbproto::SetTranslate, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        xb_SetTranslate(Flag(p == "Y")); return NoReply();
       }},
      {xbproto::SetEpoch, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Dec(xb_SetEpoch(static_cast<short>(HexAt(p, 0, 8)))));
       }},
      {xbproto::SetMemoBlockSize, Area::Current, [](Server&, Session& s, const std::string& p) -> Reply {
    xb_SetMemoBlockSize(Int(p));
    if (Int(p) > 0) s.settings.memoBlockSize = Int(p);
    return Text(Hex(static_cast<std::uint32_t>(Int(p)), 8));
       }},
      {xbproto::FieldDecimals, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Dec(xb_FieldDecimals(p.c_str())));
       }},
      {xbproto::FieldName, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Str(xb_FieldName(static_cast<short>(Int(p)))));
       }},
      {xbproto::FieldOffset, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Dec(xb_FieldOffset(p.c_str())));
       }},
      {xbproto::FieldType, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Str(xb_FieldType(p.c_str())));
       }},
      {xbproto::FieldWidth, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
        return Text(Dec(xb_FieldWidth(p.c_str())));
       }},
      {xbproto::Version, Area::Current, [](Server&, Session&, const std::string&) -> Reply {
        return Text(Str(xb_Version()));
       }},
      {xbproto::IndexOpen, Area::Current, [](Server& sv, Session&, const std::string& p) -> Reply {
    const std::string path = sv.Confine(Field(p, 0, 255), Field(p, 255, 255));
    return Text(Dec(path.empty() ? 0 : xb_IndexOpen(path.c_str())));
    
       }},
      {xbproto::Traverse, Area::Current, [](Server& sv, Session& s, const std::string& p) -> Reply {
        return sv.Traverse(s, p);
       }},
      {xbproto::Query, Area::Current, [](Server&, Session&, const std::string& p) -> Reply {
    const int result = xb_Query(p.c_str());
    const int count = xb_QueryTest(p.c_str()) > 0 ? xb_QueryRecCount() : xb_RecCount();
    return Text(Hex(static_cast<std::uint32_t>(result), 8) + Hex(static_cast<std::uint32_t>(count), 8));
    
       }},
  });
}

const Server::Command* Server::FindCommand(int code) {
  static const std::vector<Command> table = [] {
    std::vector<Command> all = {
        {xbproto::Login, Area::Open, [](Server& sv, Session& s, const std::string& p) { return sv.Login(s, p); }},
        {xbproto::Logout, Area::Open, [](Server&, Session& s, const std::string&) {
           s.loggedIn = false;
           return Text("Y");
         }},
    };
    TableCommands(all);
    RecordCommands(all);
    RecordReadCommands(all);
    QueryCommands(all);
    SettingCommands(all);
    FieldCommands(all);
    std::sort(all.begin(), all.end(), [](const Command& a, const Command& b) { return a.code.number < b.code.number; });
    return all;
  }();
  const auto at = std::lower_bound(table.begin(), table.end(), code,
                                   [](const Command& c, int n) { return c.code.number < n; });
  return at != table.end() && at->code.number == code ? &*at : nullptr;
}

Reply Server::Dispatch(Session& s, const std::string& c, const std::string& p) {
  const Command* command = FindCommand(std::atoi(c.c_str()));
  if (command && command->area == Area::Open) return command->run(*this, s, p);
  // Everything else needs a session that logged in (or a server without users).
  if (!s.loggedIn && !opt_.users.empty()) return Text(std::string());
  // Commands that pick or make their own work area leave the current one alone.
  if (!command || command->area == Area::Current) SelectCurrent(s);
  // An unknown command gets an empty answer.
  return command ? command->run(*this, s, p) : Text("");
}

}  // namespace xbsrv
