#include "cli/engine_option.h"

#include <cstdio>

#include "app/app_dir.h"
#include "cli/console_host.h"
#include "context/record_engine.h"

namespace kez::cli {

std::shared_ptr<btrieve::Engine> CommandEngine(const GlobalOptions& options) {
  ConsoleHost host;
  EngineSetting setting;
  std::string error;
  if (!ReadEngineSetting(host, ResolveAppDir(""), EngineOption(options), &setting, &error)) {
    std::fprintf(stderr, "kezagg: %s\n", ConsoleText(error).c_str());
    return nullptr;
  }
  EngineChoice choice = ChooseEngine(setting);
  if (choice.engine == nullptr) {
    std::fprintf(stderr, "kezagg: %s\n", ConsoleText(choice.error).c_str());
    return nullptr;
  }
  return choice.engine;
}

}  // namespace kez::cli
