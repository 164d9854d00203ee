// TXbConnection: construction, the session (active, login, logout), error
// reports, the poll timer and the tables that use the connection.
#include "data_access/XbConn.h"
#include "data_access/XbProtocol.h"

#include <algorithm>

#include "class_library/loop/Application.h"
#include "class_library/loop/Dialogs.h"
#include "class_library/core/SysUtils.h"
#include "data_access/XbDSet.h"
#include "data_access/XbEnv.h"
#include "data_access/XbSearch.h"
#include "data_access/XbServerCursor.h"

namespace {

// A login field: padded to 255 characters. A longer one would shift every
// field after it on the server's side, so it is refused instead.
bool PadLoginField(const String& Text, String& Out) {
  if (Text.size() > 255) return false;
  Out += Text;
  Out.append(255 - Text.size(), ' ');
  return true;
}

}  // namespace

TXbConnection::TXbConnection(TComponent* AOwner) : TXbSrvClient(AOwner), pollTimer_(std::make_unique<TTimer>(nullptr)) {
  SetHost("127.0.0.1");
  SetPort(8121);
  pollTimer_->SetEnabled(false);
  pollTimer_->SetInterval(static_cast<Cardinal>(pollInterval_));
  pollTimer_->SetOnTimer([this](TObject*) { PollTimer(); });
}

TXbConnection::~TXbConnection() {
  try {
    CloseTables();
  } catch (...) {
  }
  closing_ = true;
  // Notices that come with the closing logout have nobody left to tell: the
  // objects their handlers write to may be gone already.
  OnServerMessage = nullptr;
  OnServerStream = nullptr;
  OnServerProgress = nullptr;
  try {
    SetActive(false);
  } catch (...) {
  }
  pollTimer_->SetEnabled(false);
  pollTimer_.reset();
}

void TXbConnection::SetPollInterval(int Value) {
  pollInterval_ = Value;
  pollTimer_->SetInterval(static_cast<Cardinal>(Value > 0 ? Value : 0));
}

void TXbConnection::DoError(const String& Context, const String& Msg) {
  if (OnError)
    OnError(this, Context, Msg);
  else
    ShowMessage("[" + Context + "] " + Msg);
}

void TXbConnection::Connect() {
  TXbSrvClient::Connect();
  ++sessionNumber_;
}

void TXbConnection::SetActive(bool Value) {
  if (Value == Active()) return;
  if (!Value) {
    pollTimer_->SetEnabled(false);
    // The flag goes first: a logout whose send fails ends up here again, and
    // must then only disconnect.
    if (loggedIn_) Logout();
    loggedIn_ = false;
    sealed_ = false;
    currentWorkArea_ = 0;
    if (Active()) Disconnect();
    return;
  }
  try {
    Connect();
    currentWorkArea_ = 0;
    sealed_ = false;
    if (!User().empty() && !Login()) {
      Disconnect();
      const bool designing = ComponentState().Contains(csLoading) || ComponentState().Contains(csDesigning);
      DoError("XbConnection.SetActive", designing ? "Login not accepted"
                                                  : "Login not accepted. Maximum user count may have been exceeded");
    }
    // The new session knows none of the settings given before it: the
    // settings components hand theirs over (a handler may drop one, so the
    // list is copied).
    const std::vector<TXbEnv*> envs = envs_;
    for (TXbEnv* env : envs) {
      if (!Active()) break;
      if (std::find(envs_.begin(), envs_.end(), env) != envs_.end()) env->PushToServer(*this);
    }
    if (!ComponentState().Contains(csDesigning)) pollTimer_->SetEnabled(Active());
  } catch (...) {
    if (Active()) Disconnect();
    DoError("XbConnection.SetActive", "No xBase Database Server found at " + Host());
  }
}

String TXbConnection::Substitute(const String& Text) {
  String out = Text;
  for (char& ch : out) {
    const int b = static_cast<unsigned char>(ch);
    int v = b;
    if (b >= 30 && b <= 39) v = b - 25;
    else if (b >= 40 && b <= 49) v = b - 15;
    else if (b >= 50 && b <= 59) v = b - 35;
    else if (b >= 60 && b <= 69) v = b + 5;
    else if (b >= 70 && b <= 79) v = b + 25;
    else if (b >= 80 && b <= 89) v = b + 45;
    else if (b >= 90 && b <= 99) v = b + 65;
    else if (b >= 100 && b <= 109) v = b + 85;
    else if (b >= 110 && b <= 119) v = b + 105;
    else if (b >= 120 && b <= 129) v = b + 125;
    ch = static_cast<char>(v);
  }
  return out;
}

bool TXbConnection::Login() {
  loggedIn_ = false;
  if (!Active()) return false;
  String payload;
  bool fits = PadLoginField(Password(), payload) && PadLoginField(User(), payload) &&
              PadLoginField(String(), payload) && PadLoginField(loginText_, payload) &&
              PadLoginField(compressionPassword_, payload);
  payload += IntToStr(compressionLevel_) + (compression_ ? "Y" : "N") + IntToStr(loginNumber_);
  fits = fits && PadLoginField(serverName_, payload) && PadLoginField(groupName_, payload);
  if (!fits) {
    if (OnLogin) OnLogin(this, false, "Login field longer than 255 characters");
    return false;
  }
  const String reply = ClientXmit(xbproto::Login.text, Substitute(payload), true);
  // An empty reply (nothing came, or the connection broke) is no acceptance.
  if (!lastFailed_ && !reply.empty() && reply[0] == 'Y') {
    loggedIn_ = true;
    sealed_ = compression_;
    if (OnLogin) OnLogin(this, true, String());
  } else {
    Logout();
    if (OnLogin) OnLogin(this, false, Trim(reply.size() > 1 ? reply.substr(1) : String()));
  }
  return loggedIn_;
}

void TXbConnection::Logout() {
  // Cleared before the send: a send that fails makes the connection
  // inactive, which must not log out a second time.
  loggedIn_ = false;
  if (Active()) {
    String user = User();
    if (user.size() < 10) user.append(10 - user.size(), ' ');
    ClientXmit(xbproto::Logout.text, user, true);
  }
  if (OnLogout) OnLogout(this);
  loggedIn_ = false;
}

void TXbConnection::PollTimer() { FillReadStream(true); }

void TXbConnection::CloseTables() {
  TXbSearchObject search;
  std::vector<TXbTable*> tables;
  for (TComponent* c = search.FindFirst("TXbTable"); c; c = search.FindNext("TXbTable")) {
    auto* table = dynamic_cast<TXbTable*>(c);
    if (table && table->XbConnection() == this) tables.push_back(table);
  }
  for (TXbTable* t : tables) t->Close();
}

void TXbConnection::AttachEnv(TXbEnv* Env) {
  if (Env && std::find(envs_.begin(), envs_.end(), Env) == envs_.end()) envs_.push_back(Env);
}

void TXbConnection::DetachEnv(TXbEnv* Env) { envs_.erase(std::remove(envs_.begin(), envs_.end(), Env), envs_.end()); }

void TXbConnection::ComponentNotification(TComponent* AComponent, TOperation Operation) {
  TXbSrvClient::ComponentNotification(AComponent, Operation);
  if (Operation != opRemove || AComponent == nullptr) return;
  // By address: a component that is being destroyed is no TXbEnv any more.
  envs_.erase(std::remove_if(envs_.begin(), envs_.end(),
                             [&](TXbEnv* e) { return static_cast<TComponent*>(e) == AComponent; }),
              envs_.end());
  if (auto* table = dynamic_cast<TXbTable*>(AComponent); table && table->XbConnection() == this)
    table->SetXbConnection(nullptr);
}

std::unique_ptr<TXbCursor> TXbConnection::NewCursor(int FetchCount) {
  return std::make_unique<TXbServerCursor>(*this, FetchCount);
}
