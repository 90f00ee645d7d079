#include "support/samples.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kez::testing {

const SampleFolder& Samples() {
  static const SampleFolder folder =
      FindSampleFolder(SampleSettingsFromEnvironment(KEZ_SAMPLES_DIR, KEZ_SOURCE_DIR));
  return folder;
}

std::filesystem::path SourceDir() { return std::filesystem::path(KEZ_SOURCE_DIR); }

std::filesystem::path SamplePath(std::string_view relative) {
  // Reached without KEZ_NEEDS_SAMPLES for this file: a test that forgot to say what it reads.
  if (const std::string missing = MissingSamples(Samples(), {relative}); !missing.empty()) {
    ADD_FAILURE() << missing << " (the test does not name it in KEZ_NEEDS_SAMPLES)";
    throw std::runtime_error("sample file missing");
  }
  return Samples().path / relative;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kez::testing
