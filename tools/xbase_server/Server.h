#pragma once
// The database-server test peer: one process, one thread, any number of
// sessions. Each session has its own map of work areas (the numbers its
// client sees) onto the engine's, and every table it names lives inside the
// server's data directory.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "data_access/XbProtocol.h"

namespace xbsrv {

// Faults the peer can be told to commit, for the client's tests.
struct Faults {
  int noticeEvery = 0;        // before every Nth reply: a message, a progress and a stream notice
  bool shortProgress = false; // progress notices carry one number only
  int shutdownAfter = 0;      // after the Nth command: a shutdown notice, then close
  int slowMs = 0;             // every reply waits this long
  int dropAfter = 0;          // the Nth command is read and the connection closed without a reply
  std::string dropOn;         // the first command with this code is read and the connection closed
  int malformedAfter = 0;     // the Nth reply has a length that is no number
  int partialAfter = 0;       // half of the Nth reply, then close
  int hugeAfter = 0;          // the Nth reply claims a payload of 2 GB
  bool oversizeRows = false;  // record fetches answer one row more than asked for
  bool shortRecord = false;   // record images come one byte short
  bool emptyRecord = false;   // record images come empty
  int idleNoticeMs = 0;       // idle sessions get a message notice this often
};

struct Options {
  std::uint16_t port = 0;
  std::string dataDir;  // ends with '/'
  std::map<std::string, std::string> users;  // upper-cased name -> password; empty: anyone
  int maxUsers = 0;
  Faults faults;
};

// A reply: its kind and payload; send: false for a command the client awaits
// no reply to (nothing goes back).
struct Reply {
  std::string kind{xbproto::Answer.Text()};
  std::string payload;
  bool send = true;
};

// The engine settings one session has made. The engine keeps them for the
// whole process; the server puts a session's own back before each of its
// commands, so that one client's settings never reach another's tables.
struct Settings {
  int epoch = 1980;
  int century = -1;
  int softSeek = 0;
  int exact = 0;
  int deleted = -1;
  int lockTimeout = 1;
  int dateFormat = 0;
  int optimistic = 0;
  // The engine answers no getter for it: kept from the commands that set it.
  int memoBlockSize = 64;
};

struct Session {
  int fd = -1;
  std::string in;
  int commands = 0;
  bool loggedIn = false;
  bool compression = false;
  // The compression password a login asked for, taken once its reply is out.
  std::string pendingPassword;
  bool passwordPending = false;
  std::string user;
  // Client work area -> engine work area.
  std::map<int, int> areas;
  int current = 0;
  int nextArea = 1;
  // A table being created: its client area and whether it is written.
  int creating = 0;
  // Blob staged by BlobData for PutBlob.
  std::string blobField;
  std::string blobData;
  std::int64_t lastActivityMs = 0;
  Settings settings;
};

class Server {
public:
  explicit Server(Options o) : opt_(std::move(o)) {}
  // Runs until SIGTERM or SIGINT; answers the exit code.
  int Run();
  // One command of a session (payload expanded already), carried out with
  // the session's own settings.
  Reply Handle(Session& s, const std::string& command, const std::string& payload);

private:
  // Whether a command may come before the login, and whether it works on the
  // session's current area (selected first) or picks or makes its own.
  enum class Area { Open, Current, Own };
  struct Command {
    xbproto::Code code;
    Area area;
    Reply (*run)(Server&, Session&, const std::string& payload);
  };
  // The handler of a command code, nullptr for a code nobody knows.
  static const Command* FindCommand(int code);
  // The command table, grouped by code.
  static void TableCommands(std::vector<Command>& into);
  static void RecordCommands(std::vector<Command>& into);
  static void RecordReadCommands(std::vector<Command>& into);
  static void QueryCommands(std::vector<Command>& into);
  static void SettingCommands(std::vector<Command>& into);
  static void FieldCommands(std::vector<Command>& into);
  Reply Dispatch(Session& s, const std::string& command, const std::string& payload);
  bool ServeRequest(Session& s, bool& answered);
  // The engine's settings now, and the session's put back into the engine.
  Settings CaptureSettings(const Session& s) const;
  void ApplySettings(const Session& s);
  // The path of a table or index file of the data directory, or "" when the
  // name could reach outside it.
  std::string Confine(const std::string& databaseName, const std::string& fileName) const;
  int EngineArea(Session& s, int clientArea) const;
  int ClientArea(Session& s, int engineArea) const;
  int AddArea(Session& s, int engineArea);
  void SelectCurrent(Session& s);
  Reply Login(Session& s, const std::string& payload);
  Reply Open(Session& s, const std::string& payload);
  Reply Traverse(Session& s, const std::string& payload);
  Reply Structure(Session& s);
  // A session that ends: its tables are closed and its settings forgotten.
  void CloseSession(Session& s);
  int LoggedInCount() const;

  Options opt_;
  std::vector<Session*> sessions_;
  // The session whose settings the engine holds (nullptr: none yet).
  const Session* applied_ = nullptr;
  // The engine's settings at the start: every new session begins with them.
  Settings defaults_;
};

// Helpers shared by the files of the peer.
std::string Hex(std::uint32_t v, int digits);
// Hex(v, digits) added to the end of out.
void AppendHex(std::string& out, std::uint32_t v, int digits);
std::string Trimmed(const std::string& s);
bool ParseHex(const std::string& s, std::int64_t& v);
std::string Unsubstitute(const std::string& s);

}  // namespace xbsrv
