#include "support/samples.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace kez::testing {

std::filesystem::path SamplesDir() { return std::filesystem::path(KEZ_SAMPLES_DIR); }

std::filesystem::path SourceDir() { return std::filesystem::path(KEZ_SOURCE_DIR); }

std::filesystem::path SamplePath(std::string_view relative) {
  std::filesystem::path path = SamplesDir() / relative;
  if (!std::filesystem::exists(path)) {
    ADD_FAILURE() << "sample file missing: " << path
                  << " (configure with -DKEZ_SAMPLES_DIR=<folder of the Btrieve samples>)";
    throw std::runtime_error("sample file missing");
  }
  return path;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kez::testing
