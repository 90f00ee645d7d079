// kezagg datapath show|set: the data location that the suite keeps for the user (the per-user
// settings store, section DATABASE), read and written as the program and the path dialog do, so
// that a machine without a screen can be set up.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "platform/windows1252.h"
#include "posdata/cls_data_path.h"
#include "posdata/data_path_ops.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/user_settings_store.h"

namespace kez::cli {
namespace {

struct DataPathOptions {
  std::string folder;
  std::optional<std::string> station;
  std::optional<bool> network;
};

// The start-up's highest station number.
constexpr std::int16_t kMaxStations = 50;

int Show() {
  const std::unique_ptr<UserSettingsStore> store = OpenUserSettingsStore();
  std::printf("# %s\n", ConsoleText(store->Location(kSuiteSettingsLabel)).c_str());
  for (const char* key : {"DATAPATH", "STATION", "STATIONPATH", "NETWORK", "TESTDATA"}) {
    const std::optional<std::string> value = store->Get(kSuiteSettingsLabel, kDataPathSection, key);
    if (value) {
      std::printf("%s=%s\n", key, ConsoleText(*value).c_str());
    } else {
      std::printf("%s is not set\n", key);
    }
  }
  return 0;
}

int Set(const DataPathOptions& options) {
  const std::unique_ptr<UserSettingsStore> store = OpenUserSettingsStore();
  ConsoleHost host;
  clsDataPath path;
  path.Read(*store, true, kSuiteSettingsLabel);
  std::error_code code;
  const std::filesystem::path absolute = std::filesystem::absolute(options.folder, code);
  path.DataPath = WithoutFinalSeparator(TrimBlanks(
      Windows1252FromUtf8((code ? std::filesystem::path(options.folder) : absolute).string())
          .text));
  if (options.station) path.Station = *options.station;
  if (options.network) path.Network = *options.network;
  path.MaxStations = kMaxStations;
  const std::string asked_station = path.Station;
  if (!path.Validate(false, &host)) return 1;
  if (path.Station != asked_station) {
    std::fprintf(stderr, "kezagg datapath: station %s is above %d; station 1 is stored\n",
                 ConsoleText(asked_station).c_str(), kMaxStations);
  }
  if (!DictionaryPresent(path.DataPath)) {
    std::fprintf(stderr, "kezagg datapath: note: %s holds no data dictionary (*.DDF)\n",
                 ConsoleText(path.DataPath).c_str());
  }
  if (!path.Save(*store)) {
    std::fprintf(stderr, "kezagg datapath: %s could not be written\n",
                 ConsoleText(store->Location(kSuiteSettingsLabel)).c_str());
    return 1;
  }
  return 0;
}

}  // namespace

void AddDataPathCommand(CLI::App& app, const GlobalOptions& /*global*/, int& exit_code) {
  auto* command =
      app.add_subcommand("datapath", "Show or set the KEZ data location stored for this user");
  command->require_subcommand(1);
  auto options = std::make_shared<DataPathOptions>();

  auto* show = command->add_subcommand("show", "Print the stored data location");
  show->callback([&exit_code] { exit_code = Show(); });

  auto* set = command->add_subcommand(
      "set", "Check a data folder as the path dialog does and store it for this user");
  set->add_option("folder", options->folder, "Folder of the KEZ dictionary and data files")
      ->required();
  set->add_option("--station", options->station, "Station number (1 to 50)");
  set->add_flag("--network,!--no-network", options->network,
                "The data folder is on a network (default: as stored)");
  set->callback([options, &exit_code] { exit_code = Set(*options); });
}

}  // namespace kez::cli
