// kezagg extract: writes one report's export files without uploading them, so that support staff
// can make a file again. The export state starts from the report's settings (portal.xml), and the
// options override it; the extracts advance it as a run does, and the command prints it.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/app_dir.h"
#include "app/scheduler.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/data_path_option.h"
#include "context/activity_log.h"
#include "context/record_engine.h"
#include "context/report_settings_io.h"
#include "extracts/customers_extract.h"
#include "extracts/extract_files.h"
#include "extracts/movement_collection.h"
#include "extracts/movement_file.h"
#include "extracts/sales_extract.h"
#include "platform/date_text.h"
#include "platform/windows1252.h"
#include "posdata/dbsm_btrieve.h"
#include "posdata/dbsm_catalogue.h"

namespace kez::cli {
namespace {

struct ExtractOptions {
  std::string which;  // sales, customers or movement
  std::string data_path;
  std::string app_dir;
  std::string store;
  std::string invoice;
  std::string export_date;
  std::string start_date;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "extract: %s\n", ConsoleText(message).c_str());
  return 2;
}

std::string Shown(const std::filesystem::path& file) { return Utf8FromWindows1252(PathText(file)); }

void PrintExportState(const AppContext& context) {
  std::printf("Store Number=%s\nLast Invoice=%s\nExport Date=%s\n",
              context.export_state.StoreNumber.c_str(), context.export_state.LastInvoice.c_str(),
              context.export_state.ExportDate.c_str());
}

// The extract's file when it was written today, otherwise nothing.
int ReportFile(const std::filesystem::path& file, bool written) {
  if (!written) {
    std::fprintf(stderr, "extract: no file written\n");
    return 1;
  }
  std::printf("%s\n", Shown(file).c_str());
  return 0;
}

int Run(const ExtractOptions& options, const GlobalOptions& global) {
  std::string error;
  const std::optional<std::string> data_path = ResolveDataPath(options.data_path, &error);
  if (!data_path) return Fail(error);
  std::optional<LocalDateTime> export_date;
  if (!options.export_date.empty()) {
    export_date = ParseDateValue(options.export_date);
    if (!export_date)
      return Fail("--export-date \"" + options.export_date + "\" is no M/D/YYYY date");
  }
  std::optional<LocalDateTime> start_date;
  if (!options.start_date.empty()) {
    start_date = ParseDateValue(options.start_date);
    if (!start_date) return Fail("--start-date \"" + options.start_date + "\" is no M/D/YYYY date");
  }

  ConsoleHost host;
  ApplyGlobalOptions(global, host);
  AppContext context(host);
  context.AppDir = ResolveAppDir(options.app_dir);
  context.pos.app_dir = context.AppDir;
  context.save_log = true;
  // A damaged table ends the extract, not the process: the command says so and exits 1.
  context.pos.end_on_fatal = false;
  context.pos.log_error = ActivityLogWriter(context);
  UseDataPath(context.pos, *data_path);
  LoadReportSettings(context, *data_path);
  context.engine_use = EngineOption(global);
  // Not a usage error: the settings ask for an engine this machine does not have.
  if (std::string engine_error; !UseRecordEngine(context, &engine_error)) {
    Fail(engine_error);
    return 1;
  }

  const int report = options.which == "movement" ? kSymphonyIriReport : kMarketingPortalReport;
  clsSettings& settings = context.ReportSettings[static_cast<std::size_t>(report)];
  if (!options.store.empty()) settings.StoreNumber = options.store;
  if (!options.invoice.empty()) settings.Invoice = options.invoice;
  if (start_date) settings.StartDate = *start_date;
  LoadReportExportState(context, report);
  if (export_date) context.export_state.ExportDate = FormatShortDate(*export_date);

  if (!DBSM_OpenDatabase(context.pos) || !DBSM_OpenAll(context.pos)) {
    DBSM_CloseAll(context.pos);
    return Fail("the tables in " + *data_path + " cannot be opened");
  }
  int result = 0;
  const std::filesystem::path folder = MarketingPortalFolder(context.pos.DataPath);
  const LocalDateTime today = host.Now();
  const LogWriter log = ActivityLogWriter(context);
  if (options.which == "sales") {
    const bool written =
        CreateSalesExtract(context.pos, context.export_state, log) == ExtractResult::kWritten;
    result = ReportFile(
        folder / ExtractFileName(kSalesExtractPrefix, context.export_state.StoreNumber, today),
        written);
  } else if (options.which == "customers") {
    const bool written =
        CreateCustomersExtract(context.pos, context.export_state, log) == ExtractResult::kWritten;
    result = ReportFile(
        folder / ExtractFileName(kCustomersExtractPrefix, context.export_state.StoreNumber, today),
        written);
  } else {
    const std::optional<std::int64_t> rows =
        CollectMovementData(context.pos, settings, context.movement);
    const bool written = rows && WriteMovementFile(context.pos.DataPath, context.movement, log);
    if (rows) std::printf("%lld movement rows\n", static_cast<long long>(*rows));
    result = ReportFile(context.movement.MovementFilePath, written);
  }
  DBSM_CloseAll(context.pos);
  DBSM_UnloadHolder(context.pos);
  PrintExportState(context);
  return result;
}

}  // namespace

void AddExtractCommand(CLI::App& app, const GlobalOptions& global, int& exit_code) {
  auto* command = app.add_subcommand(
      "extract", "Write the sales, customer or movement export file without uploading it");
  auto options = std::make_shared<ExtractOptions>();
  command->add_option("which", options->which, "sales, customers or movement")
      ->required()
      ->check(CLI::IsMember({"sales", "customers", "movement"}));
  command->add_option("--data-path", options->data_path,
                      "The KEZ data folder (default: the stored data location)");
  command->add_option("--app-dir", options->app_dir,
                      "Folder of the program's own files (default: KEZ_APP_DIR, else the "
                      "program's folder, or the per-user one where that is not writable)");
  command->add_option("--store", options->store, "Store number (default: the report's)");
  command->add_option("--invoice", options->invoice,
                      "Resume at this invoice (default: the report's; 0 starts by date)");
  command->add_option("--export-date", options->export_date,
                      "Start date of the sales and customers, M/D/YYYY (default: the day before "
                      "the report's start date)");
  command->add_option("--start-date", options->start_date,
                      "The movement file's start date, M/D/YYYY: the week before it is reported "
                      "(default: the report's)");
  command->callback([options, &global, &exit_code] { exit_code = Run(*options, global); });
}

}  // namespace kez::cli
