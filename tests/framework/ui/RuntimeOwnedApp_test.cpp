#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>

extern char** environ;

namespace {

// The display's connection lost while the loop runs: the platform layer ends
// the process with exit() from inside an event, before the loop returns. The
// process ends with that status, and the application object is not torn down
// under the event being delivered (which crashed it).
TEST(RuntimeOwnedAppTest, ExitFromInsideTheLoopEndsTheProcessWithItsStatus) {
  const std::string probe = std::string(TEST_BINARY_DIR) + "/tests/exit_inside_loop_probe";
  char* argv[] = {const_cast<char*>(probe.c_str()), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, probe.c_str(), nullptr, nullptr, argv, environ), 0) << probe;
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
}

}  // namespace
