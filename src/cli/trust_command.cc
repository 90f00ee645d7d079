// kezagg trust: trust an ftps:// server that no certificate authority of this machine vouches
// for, by the public key of its certificate. Without --pin it shows the certificate's fingerprint
// and the pin to store; with --pin it stores the pin for the report's address.
#include <cstdio>
#include <memory>
#include <string>

#include "app/ftps_trust.h"
#include "app/report_ftp.h"
#include "cli/commands.h"
#include "cli/job_host.h"
#include "cli/job_program.h"
#include "context/report_record.h"
#include "platform/exit_codes.h"

namespace kez::cli {
namespace {

struct TrustOptions {
  JobProgramOptions program;
  int report = 0;
  std::string pin;
};

int Trust(const GlobalOptions& global, const TrustOptions& options) {
  JobHost host(/*show_progress=*/false);
  ApplyGlobalOptions(global, host);
  AppContext context(host);
  if (!StartUploadProgram(options.program, context)) return 2;
  const clsSettings& report = ReportRecord(context, static_cast<std::size_t>(options.report));
  if (!options.pin.empty()) {
    if (options.pin.rfind("sha256//", 0) != 0) {
      std::fprintf(stderr, "kezagg trust: a pin starts with sha256//\n");
      return 2;
    }
    if (!StorePin(context, report.FTPAddress, options.pin)) {
      std::fprintf(stderr, "kezagg trust: KEZDataAggregator.ini in %s cannot be written\n",
                   context.AppDir.string().c_str());
      return 1;
    }
    std::printf("%s: trusted by its public key %s\n", report.FTPAddress.c_str(),
                options.pin.c_str());
    return kExitNormal;
  }
  // The login fails at the handshake when nobody vouches for the server: no password is sent.
  const std::unique_ptr<cFTP> ftp = NewReportFtpClient(context, report);
  ftp->SetModePassive();
  if (ftp->OpenConnection(report.FTPAddress, report.FTPLogin, report.FTPPassword, 0)) {
    std::printf("%s: the connection is trusted already\n", report.FTPAddress.c_str());
    return kExitNormal;
  }
  const auto identity = IdentifyCertificate(ftp->UntrustedCertificate());
  if (!identity) {
    std::fprintf(stderr, "kezagg trust: %s\n", ftp->GetLastErrorMessage().c_str());
    return 1;
  }
  std::printf(
      "%s shows a certificate nobody on this machine vouches for.\n"
      "SHA-256 fingerprint: %s\n"
      "Check it with the server's owner; to trust it:\n"
      "  kezagg trust --report %d --pin %s\n",
      report.FTPAddress.c_str(), identity->fingerprint.c_str(), options.report,
      identity->pin.c_str());
  return 1;
}

}  // namespace

void AddTrustCommand(CLI::App& app, const GlobalOptions& global, int& exit_code) {
  auto* command = app.add_subcommand(
      "trust",
      "Show the certificate of a report's ftps:// server and trust it by its public key (--pin); "
      "the pin is kept in KEZDataAggregator.ini, never in portal.xml");
  auto options = std::make_shared<TrustOptions>();
  command->add_option("--report", options->report, "0: Marketing Portal, 1: SymphonyIRI")
      ->required()
      ->check(CLI::Range(0, 1));
  command->add_option("--pin", options->pin, "sha256//... as shown without --pin");
  AddJobProgramOptions(command, options->program);
  command->callback([options, &global, &exit_code] { exit_code = Trust(global, *options); });
}

}  // namespace kez::cli
