// The two record engines the tests run on: the built-in one, and the installed-engine route
// loaded from the test library that answers the engine's entry point with the built-in engine.
// Suites that must behave the same on both take a Backend as their test parameter.
#ifndef KEZ_TESTS_SUPPORT_ENGINES_H_
#define KEZ_TESTS_SUPPORT_ENGINES_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "btrieve/engine.h"

namespace kez::testing {

enum class Backend { kBuiltIn, kInstalled };

// The test library's file, by its exact path.
std::string ShimLibraryPath();

// The engine of `backend`; the installed one is loaded from ShimLibraryPath() (a failure to load
// fails the current test and gives the built-in one).
std::shared_ptr<btrieve::Engine> EngineFor(Backend backend);

// Files open in the test library, and the resets it has answered (both 0 when it is not loaded).
int ShimOpenFiles();
int ShimResets();

// "BuiltIn" / "Installed": parameterised test names.
std::string BackendName(const ::testing::TestParamInfo<Backend>& info);

}  // namespace kez::testing

// Runs a parameterised suite once per engine.
#define KEZ_ON_BOTH_ENGINES(suite)                                                               \
  INSTANTIATE_TEST_SUITE_P(                                                                      \
      Engines, suite,                                                                            \
      ::testing::Values(::kez::testing::Backend::kBuiltIn, ::kez::testing::Backend::kInstalled), \
      ::kez::testing::BackendName)

#endif  // KEZ_TESTS_SUPPORT_ENGINES_H_
