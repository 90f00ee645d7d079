// The store's installed engine, reached through its one documented entry point, BTRCALL: operation,
// 128-byte position block, data buffer with its length (in: room, out: bytes returned), key buffer
// with its length (at most 255), key number. The library is loaded when the program runs, never
// linked: a machine without an engine still runs the program on the built-in one.
#ifndef KEZ_BTRIEVE_INSTALLED_ENGINE_H_
#define KEZ_BTRIEVE_INSTALLED_ENGINE_H_

#include <memory>
#include <string>
#include <vector>

#include "btrieve/engine.h"
#include "btrieve/status.h"

namespace btrieve {

// The libraries tried, in order: `exact` alone when given (a path or a file name for the system's
// loader); otherwise the interface libraries by name on the loader's path, then in the folders
// where the engine installs itself.
std::vector<std::string> InstalledEngineCandidates(const std::string& exact);

// Loads the first candidate that has the BTRCALL entry point. Status 20 (the record manager is
// not there) when none does, its detail naming each library tried and why it failed.
Status LoadInstalledEngine(const std::string& exact, std::shared_ptr<Engine>* out);

}  // namespace btrieve

#endif  // KEZ_BTRIEVE_INSTALLED_ENGINE_H_
