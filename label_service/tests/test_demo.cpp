// End to end: the demo script (scripts/demo.sh), run twice on one directory.
#include "label_service/tests/E2EFixture.h"

namespace {

#ifndef TW_SOURCE_DIR
#error "TW_SOURCE_DIR must name the source tree"
#endif

class DemoScript : public ::testing::Test {
protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tw_demo_" + std::to_string(::getpid()) + "_" +
                                         std::to_string(NextBaseNumber()));
    fs::remove_all(root_);
    demo_ = root_ / "demo";
    // A second build: the same programs with an engine library of other bytes
    // (a trailing block the loader ignores), as after a rebuild.
    newBin_ = root_ / "newbin";
    fs::create_directories(newBin_);
    const fs::path bin = sys::BaseDir();
    for (const char* f : {"TarnwickService", "rmspool_sim", "libxbe61.so"}) fs::copy_file(bin / f, newBin_ / f);
    std::ofstream(newBin_ / "libxbe61.so", std::ios::binary | std::ios::app) << std::string(4096, '\x5a');
    oldLib_ = ReadFile(bin / "libxbe61.so");
    newLib_ = ReadFile(newBin_ / "libxbe61.so");
  }
  void TearDown() override {
    demos_.clear();
    if (!HasFailure()) fs::remove_all(root_);
  }

  // Starts scripts/demo.sh with the programs of bin on the demo directory.
  Process& StartDemo(const fs::path& bin) {
    ScopedEnv env("TW_DEMO_DIR", demo_.string());
    demos_.push_back(std::make_unique<Process>());
    Process& p = *demos_.back();
    p.Start({"/bin/bash", std::string(TW_SOURCE_DIR) + "/scripts/demo.sh", bin.string()},
            root_ / ("demo" + std::to_string(demos_.size()) + ".out"));
    return p;
  }
  bool ServiceRuns() {
    return ReadFile(demo_ / "Tarnwick.txt").find("! Backup Spool Directory is: ") != std::string::npos;
  }
  void DropSampleOrder(const std::string& name) {
    fs::path tmp = demo_ / ("." + name + ".part");
    fs::copy_file(demo_ / "sample-order.txt", tmp);
    fs::rename(tmp, demo_ / "PreLabel" / name);
  }

  fs::path root_, demo_, newBin_;
  std::string oldLib_, newLib_;
  std::vector<std::unique_ptr<Process>> demos_;
};

}  // namespace

TEST_F(DemoScript, ASecondRunLeavesTheRunningDemoAloneAndALaterRunInstallsByRename) {
  Process& first = StartDemo(sys::BaseDir());
  ASSERT_TRUE(WaitFor([&] { return ServiceRuns(); })) << first.Output();

  // Run again (with a rebuilt library) while the first demo runs: refused
  // before anything in the directory is touched.
  Process& second = StartDemo(newBin_);
  EXPECT_EQ(second.Wait(), 1) << second.Output();
  EXPECT_NE(second.Output().find("already running in " + demo_.string()), std::string::npos) << second.Output();
  // (Compared as a truth value: a failure must not print a library.)
  EXPECT_TRUE(ReadFile(demo_ / "libxbe61.so") == oldLib_) << "the running demo's library was overwritten";

  // The first demo goes on printing.
  DropSampleOrder("order1.spl");
  ASSERT_TRUE(WaitFor([&] { return fs::exists(demo_ / "Label1/printed/order1.spl"); }))
      << ReadFile(demo_ / "Tarnwick.txt") << first.Output();
  first.Signal(SIGTERM);
  EXPECT_EQ(first.Wait(), 0) << first.Output();
  EXPECT_FALSE(fs::exists(demo_ / "Tarnwick.txt"));

  // With nothing running the new programs are installed, by rename: a
  // program still running from the old file (here: a second name of it)
  // keeps its bytes.
  fs::create_hard_link(demo_ / "libxbe61.so", root_ / "old-libxbe61.so");
  Process& third = StartDemo(newBin_);
  ASSERT_TRUE(WaitFor([&] { return ServiceRuns(); })) << third.Output();
  EXPECT_TRUE(ReadFile(demo_ / "libxbe61.so") == newLib_) << "not installed";
  EXPECT_TRUE(ReadFile(root_ / "old-libxbe61.so") == oldLib_) << "copied over in place";
  EXPECT_EQ(fs::hard_link_count(demo_ / "libxbe61.so"), 1u);
  for (const auto& e : fs::directory_iterator(demo_)) {
    EXPECT_EQ(e.path().filename().string().find(".new"), std::string::npos) << e.path();
  }
  // A closed terminal stops the demo cleanly.
  third.Signal(SIGHUP);
  EXPECT_EQ(third.Wait(), 0) << third.Output();
  EXPECT_FALSE(fs::exists(demo_ / "Tarnwick.txt"));
}
