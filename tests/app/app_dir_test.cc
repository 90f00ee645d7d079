#include "app/app_dir.h"

#include <gtest/gtest.h>

namespace kez {
namespace {

TEST(AppDir, TheOptionComesBeforeTheEnvironmentAndTheProgramFolderLast) {
  const std::filesystem::path program = "/opt/kez";
  EXPECT_EQ(ResolveAppDir("/etc/kez", "/var/kez", program), "/etc/kez");
  EXPECT_EQ(ResolveAppDir("", "/var/kez", program), "/var/kez");
  EXPECT_EQ(ResolveAppDir("", "", program), program);
  EXPECT_EQ(ResolveAppDir("", nullptr, program), program);
}

}  // namespace
}  // namespace kez
