#pragma once
// The table suite runs twice: with the engine on this machine (amLocal) and
// through the test server over loopback (amServer). A test written once
// places its tables with Place/Make/Open and gets the same results both ways.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data_access/XbDSet.h"
#include "data_access/tests/ServerProcess.h"
#include "data_access/tests/TestTables.h"

class TableAccessTest : public ::testing::TestWithParam<TAccessMethod> {
protected:
  void SetUp() override;
  void TearDown() override;
  bool OverServer() const { return GetParam() == amServer; }
  // Points a table at the test's directory in the way of the access method;
  // over the server the record fetch comes in batches of a few rows.
  // Through: another connection than conn.
  void Place(TXbTable& Table, TXbConnection* Through = nullptr);
  std::unique_ptr<TXbTable> Make(const std::string& Name, TXbConnection* Through = nullptr);
  std::unique_ptr<TXbTable> Open(const std::string& Name, const std::function<void(TXbTable&)>& Setup = {});
  // A client of the test server, logged in as TESTER; its reports go to
  // connectionErrors. SetUp makes conn so; a test may make more.
  std::unique_ptr<TXbConnection> NewConnection();

  ScratchDir dir;
  std::unique_ptr<ServerProcess> server;
  std::unique_ptr<TXbConnection> conn;
  // What the connection reported; a test that expects reports clears it.
  std::vector<String> connectionErrors;
};

std::string AccessMethodName(const ::testing::TestParamInfo<TAccessMethod>& Info);

#define TW_TABLE_TESTS_BOTH_WAYS(Suite) \
  INSTANTIATE_TEST_SUITE_P(, Suite, ::testing::Values(amLocal, amServer), AccessMethodName)
