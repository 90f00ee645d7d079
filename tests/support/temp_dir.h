// A fresh folder for one test, removed with everything in it when the test ends.
#ifndef KEZ_TESTS_SUPPORT_TEMP_DIR_H_
#define KEZ_TESTS_SUPPORT_TEMP_DIR_H_

#include <filesystem>

namespace kez::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace kez::testing

#endif  // KEZ_TESTS_SUPPORT_TEMP_DIR_H_
