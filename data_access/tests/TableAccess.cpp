#include "data_access/tests/TableAccess.h"

void TableAccessTest::SetUp() {
  RequireEngine();
  if (!OverServer()) return;
  server = std::make_unique<ServerProcess>(dir.Path(), std::vector<std::string>{"--user", "TESTER:secret"});
  conn = NewConnection();
  ASSERT_TRUE(conn->LoggedIn());
}

std::unique_ptr<TXbConnection> TableAccessTest::NewConnection() {
  auto c = std::make_unique<TXbConnection>(nullptr);
  c->OnError = [this](TObject*, const String& ctx, const String& msg) {
    connectionErrors.push_back(ctx + ": " + msg);
  };
  c->SetPort(server->Port());
  c->SetUser("tester");
  c->SetLoginPassword("secret");
  c->SetReadTimeout(10000);
  c->SetActive(true);
  return c;
}

void TableAccessTest::TearDown() {
  EXPECT_TRUE(connectionErrors.empty()) << connectionErrors.front();
}

void TableAccessTest::Place(TXbTable& Table, TXbConnection* Through) {
  if (!OverServer()) {
    Table.SetDatabaseName(dir.Path());
    return;
  }
  Table.SetAccessMethod(amServer);
  Table.SetXbConnection(Through ? Through : conn.get());
  Table.SetDatabaseName("DATA");
  Table.SetFetchCount(3);
}

std::unique_ptr<TXbTable> TableAccessTest::Make(const std::string& Name, TXbConnection* Through) {
  auto t = std::make_unique<TXbTable>(nullptr);
  Place(*t, Through);
  t->SetTableName(Name);
  return t;
}

std::unique_ptr<TXbTable> TableAccessTest::Open(const std::string& Name,
                                                const std::function<void(TXbTable&)>& Setup) {
  auto t = Make(Name);
  if (Setup) Setup(*t);
  t->Open();
  return t;
}

std::string AccessMethodName(const ::testing::TestParamInfo<TAccessMethod>& Info) {
  return Info.param == amServer ? "Server" : "Local";
}
