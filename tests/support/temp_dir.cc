#include "support/temp_dir.h"

#include <random>
#include <string>
#include <system_error>

namespace kez::testing {

TempDir::TempDir() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("kez-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(path_)) return;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace kez::testing
