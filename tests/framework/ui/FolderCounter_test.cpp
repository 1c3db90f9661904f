#include "framework/ui/FolderCounter.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace {

namespace stdfs = std::filesystem;

class FolderCounterTest : public ::testing::Test {
 protected:
  void SetUp() override { stdfs::create_directory(dir_); }

  void AddFiles(int from, int to) {
    for (int i = from; i < to; ++i) std::ofstream(dir_ / ("f" + std::to_string(i)));
  }
  // Runs the event loop until a count has landed after the one counted in
  // landed_ so far; false after 5 s.
  bool WaitForLanding(int timeoutMs = 5000) {
    const int before = landed_;
    QElapsedTimer t;
    t.start();
    while (landed_ == before && t.elapsed() < timeoutMs)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return landed_ != before;
  }
  // Calls Count, letting counts land in between, until it gives want; the
  // figures seen on the way.
  std::vector<int32_t> CountUntil(fw::FolderCounter& c, int32_t want) {
    std::vector<int32_t> seen;
    for (int i = 0; i < 50; ++i) {
      seen.push_back(c.Count(dir_.string()));
      if (seen.back() == want) break;
      WaitForLanding();
    }
    return seen;
  }
  // Calls Count until no count is sent off any more: the figure has settled.
  void Settle(fw::FolderCounter& c) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
      c.Count(dir_.string());
      if (!WaitForLanding(200)) return;
    }
    ADD_FAILURE() << "the figure never settled";
  }

  testsupport::TempFolder temp_{"foldercounter_test"};
  const stdfs::path root_ = temp_.Path();
  const stdfs::path dir_ = root_ / "out";
  int landed_ = 0;
};

TEST_F(FolderCounterTest, SmallFolderIsCountedAtOnceAndFollowsEveryChange) {
  fw::FolderCounter c([this] { ++landed_; });
  const std::string path = dir_.string();
  EXPECT_EQ(c.Count(path), 0);
  AddFiles(0, 3);
  stdfs::create_directory(dir_ / "sub");
  std::ofstream(dir_ / ".hidden");
  EXPECT_EQ(c.Count(path), 5);
  stdfs::remove(dir_ / "f0");
  EXPECT_EQ(c.Count(path), 4);
  // Renaming inside the folder keeps the number.
  stdfs::rename(dir_ / "f1", dir_ / "g1");
  EXPECT_EQ(c.Count(path), 4);
  EXPECT_EQ(landed_, 0);  // nothing went off the main thread
}

TEST_F(FolderCounterTest, MissingPathOrFileGivesZero) {
  fw::FolderCounter c;
  EXPECT_EQ(c.Count((root_ / "none").string()), 0);
  std::ofstream(root_ / "file") << "x";
  EXPECT_EQ(c.Count((root_ / "file").string()), 0);
  // A folder made later under a name counted before is counted.
  stdfs::create_directory(root_ / "none");
  std::ofstream(root_ / "none" / "a");
  EXPECT_EQ(c.Count((root_ / "none").string()), 1);
}

TEST_F(FolderCounterTest, BigFolderIsCountedOffTheMainThreadAndLandsThere) {
  fw::FolderCounter c([this] { ++landed_; });
  c.SetInlineLimitForTests(10);
  AddFiles(0, 50);
  const std::string path = dir_.string();
  // No figure until the count made elsewhere has landed.
  std::vector<int32_t> seen = CountUntil(c, 50);
  EXPECT_EQ(seen.front(), -1);
  EXPECT_EQ(seen.back(), 50);
  EXPECT_GE(landed_, 1);

  // A change shows once a count begun after it has landed; until then the
  // last figure stays.
  Settle(c);
  AddFiles(50, 60);
  seen = CountUntil(c, 60);
  EXPECT_EQ(seen.front(), 50);
  EXPECT_EQ(seen.back(), 60);
}

TEST_F(FolderCounterTest, UnchangedBigFolderIsNotReadAgain) {
  fw::FolderCounter c([this] { ++landed_; });
  c.SetInlineLimitForTests(10);
  AddFiles(0, 40);
  const std::string path = dir_.string();
  ASSERT_EQ(CountUntil(c, 40).back(), 40);
  // Once a count began clearly after the last change, the figure stands.
  Settle(c);
  const int settledAt = landed_;
  for (int i = 0; i < 20; ++i) EXPECT_EQ(c.Count(path), 40);
  QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_EQ(landed_, settledAt);
}

TEST_F(FolderCounterTest, FolderReplacedUnderItsNameIsCountedAgain) {
  fw::FolderCounter c;
  AddFiles(0, 2);
  const std::string path = dir_.string();
  EXPECT_EQ(c.Count(path), 2);
  stdfs::rename(dir_, root_ / "old");
  stdfs::create_directory(dir_);
  std::ofstream(dir_ / "only");
  EXPECT_EQ(c.Count(path), 1);
}

TEST_F(FolderCounterTest, NoLandingAfterTheCounterIsGone) {
  AddFiles(0, 200);
  {
    fw::FolderCounter c([this] { ++landed_; });
    c.SetInlineLimitForTests(1);
    EXPECT_EQ(c.Count(dir_.string()), -1);
  }  // waits for its thread
  QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_EQ(landed_, 0);
}

}  // namespace
