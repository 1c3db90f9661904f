#include "framework/files/FileWriteQueue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "framework/files/FolderItem.h"
#include "tests/support/TempFolder.h"

namespace {

namespace stdfs = std::filesystem;

class FileWriteQueueTest : public ::testing::Test {
 protected:
  fw::Ref<fw::FolderItem> Item(const std::string& name) {
    return std::make_shared<fw::FolderItem>((dir_ / name).string());
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  testsupport::TempFolder temp_{"filewritequeue_test"};
  const stdfs::path dir_ = temp_.Path();
};

TEST_F(FileWriteQueueTest, WritesEveryFileWholeInTurn) {
  fw::FileWriteQueue q(2);
  for (int i = 0; i < 20; ++i)
    q.Submit(Item("f" + std::to_string(i)), std::string(10000 + i, char('a' + i)));
  q.WaitAll();
  EXPECT_TRUE(q.HasRoom());
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ(Read("f" + std::to_string(i)), std::string(10000 + i, char('a' + i)));
  EXPECT_EQ(std::distance(stdfs::directory_iterator(dir_), {}), 20);  // no temporary file left
}

TEST_F(FileWriteQueueTest, GoingAwayWaitsForWhatWasHandedOver) {
  {
    fw::FileWriteQueue q;
    q.Submit(Item("a"), std::string(1 << 20, 'x'));
    q.Submit(Item("b"), "second");
  }
  EXPECT_EQ(Read("a").size(), size_t{1} << 20);
  EXPECT_EQ(Read("b"), "second");
}

TEST_F(FileWriteQueueTest, ExistingFileIsKeptAndNilTargetWritesNothing) {
  std::ofstream(dir_ / "keep") << "old";
  fw::FileWriteQueue q;
  q.Submit(Item("keep"), "new");
  q.Submit(nullptr, "nowhere");
  q.Submit(Item("after"), "ok");
  q.WaitAll();
  EXPECT_EQ(Read("keep"), "old");
  EXPECT_EQ(Read("after"), "ok");
  EXPECT_EQ(std::distance(stdfs::directory_iterator(dir_), {}), 2);
}

}  // namespace
