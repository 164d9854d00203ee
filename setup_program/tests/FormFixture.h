#pragma once
// The desktop program's form tests: the main form on the off-screen
// platform over a scratch base directory, with the message boxes answered
// and recorded.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "class_library/visual/tests/VisualTest.h"
#include "data_access/tests/TestTables.h"
#include "platform/system/MessageBox.h"
#include "setup_program/AboutBox.h"
#include "setup_program/frmMain.h"

namespace fs = std::filesystem;

inline std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteAll(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::vector<String> LinesOf(TStrings* Lines) { return Lines->ToVector(); }

class FormFixture : public ::testing::Test {
protected:
  // The configuration the form starts with; empty: no file.
  virtual std::string InitialConfig() {
    return "SPLDirSource=PreLabel\r\nSPLDirDest=Label1\r\nSPLDirBackup=Label2\r\nLabelsText=Labels\r\n"
           "TimeText=Time:\r\nMapText=Map:\r\nTotalText=Total:\r\n";
  }

  void SetUp() override {
    base = dir.Path();
    if (!InitialConfig().empty()) WriteAll(base + "Tarnwick.cfg", InitialConfig());
    sys::SetMessageBoxSink([this](const std::string& caption, const std::string& text, int kind, int buttons, int) {
      boxes.push_back(caption + ": " + text);
      kinds.push_back({kind, buttons});
      return answer;
    });
    TfrmMain::BaseDirOverride = base;
    form = new TfrmMain(nullptr);
    form->Timer->SetEnabled(false);  // the tests refresh when they want to
  }

  void TearDown() override {
    delete form;
    vistest::Pump();
    TfrmMain::BaseDirOverride.clear();
    sys::SetMessageBoxSink(nullptr);
  }

  ScratchDir dir;
  std::string base;
  TfrmMain* form = nullptr;
  std::vector<std::string> boxes;
  struct BoxKind {
    int kind, buttons;
  };
  std::vector<BoxKind> kinds;  // of each box in boxes
  int answer = sys::mbYes;
};
