// Where the real Btrieve sample files live. Tests that need them fail loudly when they are absent.
#ifndef KEZ_TESTS_SUPPORT_SAMPLES_H_
#define KEZ_TESTS_SUPPORT_SAMPLES_H_

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace kez::testing {

// The folder of the sample files, as the build passed it in.
std::filesystem::path SamplesDir();
// A sample file by its path below that folder; fails the current test (fatally) when it is missing.
std::filesystem::path SamplePath(std::string_view relative);
// The whole content of a file.
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);
// The project's source folder.
std::filesystem::path SourceDir();

}  // namespace kez::testing

#endif  // KEZ_TESTS_SUPPORT_SAMPLES_H_
