// The single-instance lock: one holder at a time, free again when the holder goes, and also when
// the holder is a process that dies without letting go.
#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include <csignal>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "support/temp_dir.h"

namespace kez {
namespace {

using Outcome = InstanceLock::Outcome;

TEST(InstanceLock, OneHolderAtATimeAndFreeAgainWhenItGoes) {
  testing::TempDir folder;
  const std::filesystem::path file = folder / "run" / "kez.lock";
  std::unique_ptr<InstanceLock> first;
  std::unique_ptr<InstanceLock> second;
  std::string error;
  ASSERT_EQ(InstanceLock::TryAcquire(file, &first, &error), Outcome::kAcquired) << error;
  EXPECT_EQ(InstanceLock::TryAcquire(file, &second, &error), Outcome::kHeldElsewhere);
  EXPECT_EQ(second, nullptr);
  first.reset();
  EXPECT_EQ(InstanceLock::TryAcquire(file, &second, &error), Outcome::kAcquired) << error;
}

#ifndef _WIN32
TEST(InstanceLock, AKilledHolderLeavesNothingStale) {
  testing::TempDir folder;
  const std::filesystem::path file = folder / "kez.lock";
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::unique_ptr<InstanceLock> held;
    std::string ignored;
    const bool taken = InstanceLock::TryAcquire(file, &held, &ignored) == Outcome::kAcquired;
    const char answer = taken ? 'y' : 'n';
    (void)!write(ready[1], &answer, 1);
    pause();
    _exit(0);
  }
  char answer = 0;
  ASSERT_EQ(read(ready[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'y');
  std::unique_ptr<InstanceLock> lock;
  std::string error;
  EXPECT_EQ(InstanceLock::TryAcquire(file, &lock, &error), Outcome::kHeldElsewhere);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(InstanceLock::TryAcquire(file, &lock, &error), Outcome::kAcquired) << error;
  close(ready[0]);
  close(ready[1]);
}
#endif

}  // namespace
}  // namespace kez
