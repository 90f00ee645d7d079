#include "context/record_engine.h"

#include "btrieve/installed_engine.h"
#include "context/activity_log.h"
#include "context/app_context.h"
#include "context/config_files.h"
#include "platform/file_names.h"
#include "platform/windows1252.h"
#include "settings/ini_services.h"

namespace kez {

std::optional<EngineUse> ParseEngineUse(std::string_view text) {
  std::string upper;
  for (char c : text) upper += ToUpper1252(c);
  if (upper == "AUTO") return EngineUse::kAuto;
  if (upper == "BUILT-IN") return EngineUse::kBuiltIn;
  if (upper == "INSTALLED") return EngineUse::kInstalled;
  return std::nullopt;
}

bool ReadEngineSetting(Host& host, const std::filesystem::path& app_dir,
                       std::optional<EngineUse> use_override, EngineSetting* setting,
                       std::string* error) {
  clsINI_Services ini(host);
  ini.File_Name(app_dir / kAggregatorIniName);
  const std::string use = ini.FileOpen() ? ini.GetValue("Engine", "Use", "") : std::string();
  setting->library = ini.FileOpen() ? ini.GetValue("Engine", "Library", "") : std::string();
  if (use_override) {
    setting->use = *use_override;
    return true;
  }
  if (use.empty()) {
    setting->use = EngineUse::kAuto;
    return true;
  }
  const std::optional<EngineUse> parsed = ParseEngineUse(use);
  if (!parsed) {
    *error = PathText(app_dir / kAggregatorIniName) + ": [Engine] Use=" + use +
             " is none of auto, built-in, installed";
    return false;
  }
  setting->use = *parsed;
  return true;
}

EngineChoice ChooseEngine(const EngineSetting& setting) {
  EngineChoice choice;
  if (setting.use == EngineUse::kBuiltIn) {
    choice.engine = btrieve::NewBuiltInEngine();
    choice.log_line = "Record engine: built-in (chosen in the settings)";
    return choice;
  }
  std::shared_ptr<btrieve::Engine> installed;
  const btrieve::Status loaded = btrieve::LoadInstalledEngine(setting.library, &installed);
  if (loaded.ok()) {
    choice.engine = installed;
    choice.log_line = "Record engine: " + installed->Name();
    return choice;
  }
  if (setting.use == EngineUse::kInstalled) {
    choice.error = "The installed record engine was asked for, but " + loaded.detail();
    return choice;
  }
  choice.engine = btrieve::NewBuiltInEngine();
  choice.log_line = "Record engine: built-in (no installed engine found)";
  return choice;
}

bool UseRecordEngine(AppContext& context, std::string* error) {
  EngineSetting setting;
  const LogWriter log = ActivityLogWriter(context);
  if (!ReadEngineSetting(context.host, context.AppDir, context.engine_use, &setting, error)) {
    log(*error);
    return false;
  }
  if (!context.engine_library.empty()) setting.library = context.engine_library;
  const EngineChoice choice = ChooseEngine(setting);
  if (choice.engine == nullptr) {
    *error = choice.error;
    log(*error);
    return false;
  }
  context.pos.engine = choice.engine;
  if (context.announce_engine) log(choice.log_line);
  return true;
}

}  // namespace kez
