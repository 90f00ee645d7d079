// kezagg settings show|set|reset: the two reports' settings in portal.xml of a data folder.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/data_path_option.h"
#include "platform/file_io.h"
#include "platform/program_folder.h"
#include "platform/windows1252.h"
#include "settings/portal_xml.h"
#include "settings/setting_fields.h"
#include "settings/sm_settings.h"

namespace kez::cli {
namespace {

struct SettingsOptions {
  std::string data_path;
  std::size_t report = 0;
  std::string name;
  std::string value;
  LocalDateTime now;  // the StartDate of records made anew
};

// Terminal output is UTF-8; the records hold single-byte text.
void PrintRecords(const std::vector<clsSettings>& records) {
  for (std::size_t i = 0; i < records.size(); ++i) {
    std::printf("%s[Report %zu]\n", i == 0 ? "" : "\n", i);
    for (const SettingField& field : SettingFieldsInFileOrder()) {
      const std::string text = Utf8FromWindows1252(SettingText(records[i], field));
      std::printf("%.*s=%s\n", static_cast<int>(field.name.size()), field.name.data(),
                  text.c_str());
    }
  }
}

void PrintNotes(const std::vector<std::string>& notes) {
  for (const std::string& note : notes) {
    std::fprintf(stderr, "settings: %s\n", Utf8FromWindows1252(note).c_str());
  }
}

// Shows the file as it is, without creating or repairing it.
int Show(const SettingsOptions& options) {
  std::string bytes;
  std::string error;
  if (!ReadWholeFile(PortalFilePath(options.data_path), &bytes, &error)) {
    std::fprintf(stderr, "settings: %s\n", Utf8FromWindows1252(error).c_str());
    return 1;
  }
  std::vector<clsSettings> records;
  const PortalXmlRead read = ReadPortalXml(bytes, records, options.now);
  if (!read.damage.empty()) {
    std::fprintf(stderr, "settings: portal.xml is unusable: %s\n", read.damage.c_str());
    return 1;
  }
  PrintNotes(read.problems);
  PrintRecords(records);
  return 0;
}

// Loads (repairing as the program does at start-up), changes one value and saves.
int Set(const SettingsOptions& options) {
  const SettingField* field = FindSettingField(options.name);
  if (field == nullptr) {
    std::fprintf(stderr,
                 "settings: no setting is named \"%s\"; the names are:", options.name.c_str());
    for (const SettingField& known : SettingFieldsInFileOrder()) {
      std::fprintf(stderr, " %.*s", static_cast<int>(known.name.size()), known.name.data());
    }
    std::fprintf(stderr, "\n");
    return 2;
  }
  const Windows1252Text value = Windows1252FromUtf8(options.value);
  if (!value.lossless) {
    std::fprintf(stderr, "settings: \"%s\" has characters that portal.xml's code page lacks\n",
                 options.value.c_str());
    return 2;
  }
  std::vector<clsSettings> records;
  const ReportSettingsLoad load = LoadReportSettings(options.data_path, options.now, records);
  PrintNotes(load.notes);
  if (!SetSettingFromText(records[options.report], *field, value.text)) {
    std::fprintf(stderr, "settings: \"%s\" is not a %.*s value for %s\n", options.value.c_str(),
                 static_cast<int>(SettingKindName(*field).size()), SettingKindName(*field).data(),
                 options.name.c_str());
    return 2;
  }
  std::string error;
  if (!SaveReportSettings(options.data_path, records, &error)) {
    std::fprintf(stderr, "settings: %s\n", Utf8FromWindows1252(error).c_str());
    return 1;
  }
  return 0;
}

// Writes a fresh file with the initial values of both reports.
int Reset(const SettingsOptions& options) {
  std::vector<clsSettings> records;
  std::string error;
  if (!CreateDefaultReportSettings(options.data_path, options.now, records, &error)) {
    std::fprintf(stderr, "settings: %s\n", Utf8FromWindows1252(error).c_str());
    return 1;
  }
  return 0;
}

CLI::App* AddDataPathOption(CLI::App* command, SettingsOptions& options) {
  command->add_option("--data-path", options.data_path,
                      "Folder of the KEZ data and portal.xml (default: the stored data location)");
  return command;
}

// Takes the stored data location when --data-path was not given; false after saying why there is
// none.
bool ResolveOptionsDataPath(SettingsOptions& options) {
  std::string error;
  const std::optional<std::string> data_path = ResolveDataPath(options.data_path, &error);
  if (!data_path) {
    std::fprintf(stderr, "settings: %s\n", ConsoleText(error).c_str());
    return false;
  }
  options.data_path = *data_path;
  return true;
}

}  // namespace

void AddSettingsCommand(CLI::App& app, const GlobalOptions& global, int& exit_code) {
  auto* settings =
      app.add_subcommand("settings", "Show or change the reports' settings (portal.xml)");
  settings->require_subcommand(1);
  auto options = std::make_shared<SettingsOptions>();

  auto* show = AddDataPathOption(
      settings->add_subcommand("show", "Print both reports, every value as portal.xml holds it"),
      *options);
  show->callback([options, &global, &exit_code] {
    options->now = ProgramNow(global);
    exit_code = ResolveOptionsDataPath(*options) ? Show(*options) : 2;
  });

  auto* set = AddDataPathOption(
      settings->add_subcommand("set", "Change one value of one report and save"), *options);
  set->add_option("--report", options->report, "0: Marketing Portal, 1: SymphonyIRI")
      ->required()
      ->check(CLI::Range(0, 1));
  set->add_option("name", options->name, "Setting name, as in portal.xml")->required();
  set->add_option("value", options->value, "New value: text, True/False, a number or a date")
      ->required();
  set->callback([options, &global, &exit_code] {
    options->now = ProgramNow(global);
    exit_code = ResolveOptionsDataPath(*options) ? Set(*options) : 2;
  });

  auto* reset = AddDataPathOption(
      settings->add_subcommand("reset", "Replace portal.xml by the initial settings"), *options);
  reset->callback([options, &global, &exit_code] {
    options->now = ProgramNow(global);
    exit_code = ResolveOptionsDataPath(*options) ? Reset(*options) : 2;
  });
}

}  // namespace kez::cli
