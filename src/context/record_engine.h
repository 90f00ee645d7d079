// Which record engine serves the data path: the built-in one, or the store's installed engine
// when one is there. KEZDataAggregator.ini says so in [Engine] Use=auto|built-in|installed (auto
// when missing) and may name the engine's library exactly in [Engine] Library=; a front end's
// option (kezagg --engine) overrides Use= for its run.
#ifndef KEZ_CONTEXT_RECORD_ENGINE_H_
#define KEZ_CONTEXT_RECORD_ENGINE_H_

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "btrieve/engine.h"
#include "platform/host.h"

namespace kez {

struct AppContext;

enum class EngineUse { kAuto, kBuiltIn, kInstalled };

struct EngineSetting {
  EngineUse use = EngineUse::kAuto;
  std::string library;  // the engine's library file exactly; empty: the usual names and folders
};

// Reads "auto", "built-in" or "installed" (letter case aside); nullopt for anything else.
std::optional<EngineUse> ParseEngineUse(std::string_view text);

// The setting in KEZDataAggregator.ini of `app_dir`, with `use_override` in place of Use= when
// given. False with `error` naming the file and the value when Use= holds something else; a
// missing file or key is auto.
bool ReadEngineSetting(Host& host, const std::filesystem::path& app_dir,
                       std::optional<EngineUse> use_override, EngineSetting* setting,
                       std::string* error);

// The engine the setting asks for, and the activity-log line that says which serves the data
// and why ("Record engine: installed (libpsqlmif.so)", "Record engine: built-in (no installed
// engine found)"). `installed` without an engine is an error naming every library looked for.
struct EngineChoice {
  std::shared_ptr<btrieve::Engine> engine;  // nullptr on error
  std::string log_line;
  std::string error;
};
EngineChoice ChooseEngine(const EngineSetting& setting);

// Start-up's part: reads the setting (the context's engine_use overriding Use=), puts the chosen
// engine in the POS data for every table handle made afterwards, and writes the log line (unless
// the context's announce_engine is off). False,
// with the reason written to the activity log and in `error`, when the asked-for engine cannot
// serve.
bool UseRecordEngine(AppContext& context, std::string* error);

}  // namespace kez

#endif  // KEZ_CONTEXT_RECORD_ENGINE_H_
