#include "support/engines.h"

#include "btrieve/dynamic_library.h"
#include "context/record_engine.h"

namespace kez::testing {
namespace {

int ShimCounter(const char* symbol) {
  std::string error;
  // Loading again only finds the library already loaded (or loads it, when no test has yet).
  const std::unique_ptr<btrieve::DynamicLibrary> library =
      btrieve::DynamicLibrary::Load(ShimLibraryPath(), &error);
  if (library == nullptr) return 0;
  auto counter = reinterpret_cast<int (*)()>(library->Find(symbol));
  return counter != nullptr ? counter() : 0;
}

}  // namespace

std::string ShimLibraryPath() { return KEZ_BTRCALL_SHIM; }

std::shared_ptr<btrieve::Engine> EngineFor(Backend backend) {
  if (backend == Backend::kBuiltIn) return btrieve::NewBuiltInEngine();
  // The route a store's settings take: [Engine] Use=installed with the library named exactly.
  EngineSetting setting;
  setting.use = EngineUse::kInstalled;
  setting.library = ShimLibraryPath();
  EngineChoice choice = ChooseEngine(setting);
  if (choice.engine == nullptr) {
    ADD_FAILURE() << choice.error;
    return btrieve::NewBuiltInEngine();
  }
  return choice.engine;
}

int ShimOpenFiles() { return ShimCounter("KezShimOpenFiles"); }
int ShimResets() { return ShimCounter("KezShimResets"); }

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kBuiltIn ? "BuiltIn" : "Installed";
}

}  // namespace kez::testing
