#include "framework/runtime/JobQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/runtime/Thread.h"
#include "tests/support/Gate.h"
#include "tests/support/Waiting.h"

namespace {

using testsupport::Gate;
using testsupport::WaitUntil;

TEST(JobQueueTest, RunsJobsInTurnOnAThreadOfItsOwn) {
  fw::JobQueue q(3);
  std::vector<int> order;  // touched by the jobs only, until WaitAll
  std::vector<std::thread::id> where;
  for (int i = 0; i < 50; ++i) {
    q.Submit([&order, &where, i] {
      order.push_back(i);
      where.push_back(std::this_thread::get_id());
    });
  }
  q.WaitAll();
  ASSERT_EQ(order.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[size_t(i)], i);
  for (const auto& id : where) {
    EXPECT_EQ(id, where.front());
    EXPECT_NE(id, std::this_thread::get_id());
  }
}

// depth jobs wait at most; one more waits for room, and room comes when the
// running job is done.
TEST(JobQueueTest, HoldsAtMostDepthJobsThatHaveNotStarted) {
  Gate gate;
  std::atomic<int> done{0};
  fw::JobQueue q(2);
  q.Submit([&] {
    gate.Pass();
    ++done;
  });
  ASSERT_TRUE(WaitUntil([&] { return gate.Arrived() == 1; }));
  q.Submit([&] { ++done; });
  EXPECT_TRUE(q.HasRoom());
  q.Submit([&] { ++done; });
  EXPECT_FALSE(q.HasRoom());

  std::atomic<bool> fourthIn{false};
  std::thread submitter([&] {
    q.Submit([&] { ++done; });
    fourthIn = true;
  });
  testsupport::WaitUntil([] { return false; }, 20);
  EXPECT_FALSE(fourthIn) << "a job past the depth was taken";
  gate.Open();
  submitter.join();
  q.WaitAll();
  EXPECT_EQ(done, 4);
  EXPECT_TRUE(q.HasRoom());
}

// A failure is kept for the owner, the first one only, and taken once; the
// jobs after it still run.
TEST(JobQueueTest, KeepsTheFirstFailureForTheOwner) {
  fw::JobQueue q;
  std::atomic<int> ran{0};
  q.Submit([] { throw std::runtime_error("first"); });
  q.Submit([] { throw std::logic_error("second"); });
  q.Submit([&] { ++ran; });
  q.WaitAll();
  EXPECT_EQ(ran, 1);
  const std::exception_ptr failure = q.TakeFailure();
  ASSERT_TRUE(failure);
  try {
    std::rethrow_exception(failure);
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "first");
  } catch (...) {
    ADD_FAILURE() << "not the first failure";
  }
  EXPECT_FALSE(q.TakeFailure());
}

// Going away does not wait: the jobs handed over still run, and the helper
// thread ends after the last of them.
TEST(JobQueueTest, GoingAwayLetsTheJobsRunOutAndTheThreadEnd) {
  Gate gate;
  auto ran = std::make_shared<std::atomic<int>>(0);
  {
    fw::JobQueue q;
    q.Submit([&gate, ran] {
      gate.Pass();
      ++*ran;
    });
    q.Submit([ran] { ++*ran; });
  }
  EXPECT_EQ(*ran, 0);
  EXPECT_FALSE(fw::Thread::WaitForAllThreadsToEnd(20)) << "the thread ended before its jobs";
  gate.Open();
  EXPECT_TRUE(fw::Thread::WaitForAllThreadsToEnd(5000));
  EXPECT_EQ(*ran, 2);
}

}  // namespace
