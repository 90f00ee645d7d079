// kezagg's job commands as an operator runs them, against a real FTP server: run, tick, resend and
// the daemon with its minute ticks, its single instance and its stop on SIGTERM.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/date_text.h"
#include "settings/sm_settings.h"
#include "support/temp_dir.h"
#include "transfer/ftp_test.h"
#include "transfer/ftp_test_server.h"

extern char** environ;

namespace kez::testing {
namespace {

namespace fs = std::filesystem;
using std::chrono::steady_clock;

// A kezagg process and the files that receive its standard output and error.
struct Process {
  pid_t pid = -1;
  fs::path out;
  fs::path err;
};

class JobCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(app_dir_);
    std::ofstream(app_dir_ / "KEZDataAggregator.ini", std::ios::binary) << "[Log]\r\nSaveLog=Y\r\n";
    ASSERT_EQ(Run({"sample", "--scale", "tiny", "--until", "2026-01-12", "--out", data_.string()}),
              0)
        << err_;
  }

  void StartServer(const std::string& fault = "") {
    FtpServerOptions options;
    options.fault = fault;
    std::string error;
    server_ = FtpTestServer::Start(temp_ / "server", options, &error);
    ASSERT_NE(server_, nullptr) << error;
    fs::create_directories(server_->root() / "in");
    Change([this](clsSettings& report, int) {
      report.FTPAddress = server_->address();
      report.FTPLogin = FtpTestServer::kUser;
      report.FTPPassword = FtpTestServer::kPassword;
      report.FTPDirectory = "/in";
    });
  }

  // Changes both reports in the store's portal.xml (`change` gets each with its index).
  template <typename Edit>
  void Change(Edit change) {
    std::vector<clsSettings> records;
    LoadReportSettings(data_, kNoDate, records);
    change(records[0], 0);
    change(records[1], 1);
    std::string error;
    ASSERT_TRUE(SaveReportSettings(data_, records, &error)) << error;
  }

  // Starts kezagg with `arguments`, this test's settings folder and instance lock; standard output
  // and error go to files of their own.
  Process Start(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), KEZ_KEZAGG);
    std::vector<std::string> variables = {"XDG_CONFIG_HOME=" + (temp_ / "config").string(),
                                          "KEZ_INSTANCE_LOCK=" + (temp_ / "lock").string()};
    for (char** variable = environ; *variable != nullptr; ++variable) {
      const std::string text = *variable;
      if (text.rfind("XDG_CONFIG_HOME=", 0) != 0 && text.rfind("KEZ_INSTANCE_LOCK=", 0) != 0) {
        variables.push_back(text);
      }
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    Process process;
    process.out = temp_ / ("out" + std::to_string(runs_));
    process.err = temp_ / ("err" + std::to_string(runs_++));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, process.out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, process.err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(posix_spawn(&process.pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    return process;
  }

  // The exit status of `process` (its output in out_ and err_), or -1 (after killing it) when it
  // has not ended within `limit`.
  int Wait(const Process& process, std::chrono::seconds limit = std::chrono::seconds(60)) {
    const auto deadline = steady_clock::now() + limit;
    int status = 0;
    while (waitpid(process.pid, &status, WNOHANG) == 0) {
      if (steady_clock::now() > deadline) {
        kill(process.pid, SIGKILL);
        waitpid(process.pid, &status, 0);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    out_ = ReadFileBytes(process.out);
    err_ = ReadFileBytes(process.err);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  int Run(const std::vector<std::string>& arguments) { return Wait(Start(arguments)); }

  // Waits until `condition` holds, at most `limit`.
  template <typename Condition>
  static bool Eventually(Condition condition, std::chrono::seconds limit) {
    const auto deadline = steady_clock::now() + limit;
    while (!condition()) {
      if (steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }

  std::vector<std::string> JobOptions() const {
    return {"--data-path", data_.string(), "--app-dir", app_dir_.string(), "--ftp-timeout", "2"};
  }
  std::string Received(const std::string& name) const {
    return ReadFileBytes(server_->root() / "in" / name);
  }
  std::string Log() const { return ReadFileBytes(app_dir_ / "KEZDataAggregator.log"); }

  TempDir temp_;
  fs::path data_ = temp_ / "data";
  fs::path app_dir_ = temp_ / "app";
  std::unique_ptr<FtpTestServer> server_;
  std::string out_;
  std::string err_;
  int runs_ = 0;
};

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(JobCommandsTest, RunSendsTheNamedReportsAndSaysWhenAnUploadFailed) {
  StartServer();
  ASSERT_EQ(Run(Concat({"--now", "2026-01-12 09:15", "run", "SymphonyIRI"}, JobOptions())), 0)
      << err_;
  // The activity-log lines on standard output, the progress on standard error.
  EXPECT_NE(out_.find("09:15 SymphonyIRI - Uploaded file: movement.CCC.cc"), std::string::npos)
      << out_;
  EXPECT_NE(err_.find("[100%] SymphonyIRI suceeded\n"), std::string::npos) << err_;
  EXPECT_NE(Log().find("20260112^09:15^SymphonyIRI - Closed connection to:  "), std::string::npos);
  EXPECT_EQ(out_.find("Marketing Portal"), std::string::npos);

  // With no report named, the reports whose Run setting is on; with none, nothing.
  ASSERT_EQ(Run(Concat({"run"}, JobOptions())), 2);
  EXPECT_NE(err_.find("no report has its Run setting on"), std::string::npos) << err_;
  Change([](clsSettings& report, int index) { report.Run = index == 0; });
  ASSERT_EQ(Run(Concat({"--now", "2026-01-12 09:20", "run"}, JobOptions())), 0) << err_;
  EXPECT_NE(out_.find("Marketing Portal - Upload file: KEZSalesExtract0000120260112.csv"),
            std::string::npos)
      << out_;
  EXPECT_FALSE(Received("KEZSalesExtract0000120260112.csv").empty());

  // A refused upload: exit status 1. A missing file alone is no failure.
  server_.reset();
  StartServer("stor-550");
  EXPECT_EQ(Run(Concat({"--now", "2026-01-12 09:25", "run", "marketing-portal"}, JobOptions())), 1);
  EXPECT_NE(out_.find("Error: Unable to upload: KEZSalesExtract"), std::string::npos) << out_;

  // --data-path served these runs only: nothing was stored for the suite.
  ASSERT_EQ(Run({"datapath", "show"}), 0);
  EXPECT_NE(out_.find("DATAPATH is not set"), std::string::npos) << out_;
}

TEST_F(JobCommandsTest, ARunThatCouldNotDeliverExitsOneAndItsFilesWaitInTheOutbox) {
  StartServer();
  server_.reset();  // the server is down for the first run
  ASSERT_EQ(Run(Concat({"--now", "2026-01-12 09:15", "run", "marketing-portal"}, JobOptions())), 1);
  EXPECT_NE(out_.find("Marketing Portal - Reason: InternetConnect error code: 7"),
            std::string::npos)
      << out_;
  ASSERT_EQ(Run(Concat({"--now", "2026-01-12 09:20", "outbox", "--report", "0"}, JobOptions())), 0)
      << err_;
  EXPECT_NE(out_.find("Marketing Portal: 2 files waiting (last 14 days)"), std::string::npos)
      << out_;
  EXPECT_NE(out_.find("KEZSalesExtract0000120260112.csv\t20260112 09:15\tInternetConnect"),
            std::string::npos)
      << out_;

  // The next run, with the server back, delivers them and ends with 0.
  StartServer();
  ASSERT_EQ(Run(Concat({"--now", "2026-01-12 09:30", "run", "marketing-portal"}, JobOptions())), 0)
      << out_;
  EXPECT_FALSE(Received("KEZSalesExtract0000120260112.csv").empty());
  ASSERT_EQ(Run(Concat({"--now", "2026-01-12 09:31", "outbox"}, JobOptions())), 0) << err_;
  EXPECT_NE(out_.find("Marketing Portal: 0 files waiting"), std::string::npos) << out_;
  EXPECT_NE(out_.find("SymphonyIRI: 0 files waiting"), std::string::npos) << out_;
}

TEST_F(JobCommandsTest, ACutOffSaleLinesFileStopsTheRunWithNothingSent) {
  StartServer();
  fs::path lines;
  for (const auto& entry : fs::directory_iterator(data_)) {
    if (entry.path().filename().string().rfind("SaleItem", 0) == 0) lines = entry.path();
  }
  ASSERT_FALSE(lines.empty());
  const std::string whole = ReadFileBytes(lines);
  ASSERT_GT(whole.size(), 8192u);
  for (const std::size_t kept : {whole.size() / 2, whole.size() - 1024}) {
    SCOPED_TRACE(kept);
    std::ofstream(lines, std::ios::binary | std::ios::trunc) << whole.substr(0, kept);
    EXPECT_EQ(Run(Concat({"--now", "2026-01-12 09:15", "run", "marketing-portal", "symphonyiri"},
                         JobOptions())),
              1);
    EXPECT_NE(err_.find("DATABASE ERROR: "), std::string::npos) << err_;
    EXPECT_NE(Log().find("^DATABASE ERROR: "), std::string::npos) << Log();
    EXPECT_NE(Log().find("cut off"), std::string::npos) << Log();
    EXPECT_TRUE(fs::is_empty(server_->root() / "in"));
  }
  // Repaired, the same run sends the day's files.
  std::ofstream(lines, std::ios::binary | std::ios::trunc) << whole;
  EXPECT_EQ(Run(Concat({"--now", "2026-01-12 09:20", "run", "marketing-portal", "symphonyiri"},
                       JobOptions())),
            0)
      << err_;
  EXPECT_FALSE(Received("KEZSalesExtract0000120260112.csv").empty());
  EXPECT_NE(out_.find("SymphonyIRI - Uploaded file: movement.CCC.cc"), std::string::npos) << out_;
}

TEST_F(JobCommandsTest, TickRunsWhatIsDueInItsMinuteAndResendSendsADayAgain) {
  StartServer();
  Change([](clsSettings& report, int index) {
    if (index != 1) return;
    report.StartTimeTime = {1899, 12, 30, 6, 30, 0, 0};
    report.StartTimeOnceDailyOrEvery = false;
    report.StartTimeOnceDailyTime = 4;
  });
  ASSERT_EQ(Run(Concat({"--now", "2026-01-12 10:31", "tick"}, JobOptions())), 0) << err_;
  EXPECT_EQ(out_, "");
  ASSERT_EQ(Run(Concat({"--now", "2026-01-12 10:30", "tick"}, JobOptions())), 0) << err_;
  const std::string sent = Received("movement.CCC.cc260112");
  EXPECT_FALSE(sent.empty()) << out_;

  fs::remove(server_->root() / "in" / "movement.CCC.cc260112");
  ASSERT_EQ(Run(Concat({"resend", "--report", "1", "--date", "2026-01-12"}, JobOptions())), 0)
      << err_;
  EXPECT_EQ(Received("movement.CCC.cc260112"), sent);
  EXPECT_NE(err_.find("1 sent, 0 refused, 0 not found"), std::string::npos) << err_;
  EXPECT_EQ(Run(Concat({"resend", "--report", "1", "--date", "2026-01-11"}, JobOptions())), 1);
  EXPECT_NE(out_.find("SymphonyIRI - Error: File not found"), std::string::npos) << out_;
  EXPECT_EQ(Run(Concat({"resend", "--report", "0", "--date", "2026-02-30"}, JobOptions())), 2);
}

TEST_F(JobCommandsTest, TheDaemonTicksOnTheMinuteRunsAloneAndStopsOnSigterm) {
  StartServer();
  Change([](clsSettings& report, int index) {
    if (index == 0) report.StartTimeTime = {1899, 12, 30, 1, 0, 0, 0};
  });
  const Process daemon = Start(Concat({"--now", "2026-01-12 00:59:58", "daemon"}, JobOptions()));
  ASSERT_TRUE(Eventually(
      [&] {
        return ReadFileBytes(daemon.out).find("01:00 Marketing Portal - Closing connection") !=
               std::string::npos;
      },
      std::chrono::seconds(30)))
      << ReadFileBytes(daemon.out) << ReadFileBytes(daemon.err);
  EXPECT_FALSE(Received("KEZSalesExtract0000120260112.csv").empty());

  // One copy per machine: the lock is the tray program's.
  EXPECT_EQ(Run(Concat({"run", "symphonyiri"}, JobOptions())), 3);
  EXPECT_NE(err_.find("KEZ Marketing Portal is already running."), std::string::npos) << err_;

  ASSERT_EQ(kill(daemon.pid, SIGTERM), 0);
  EXPECT_EQ(Wait(daemon, std::chrono::seconds(10)), 0);
  EXPECT_NE(err_.find("kezagg daemon: stopped (SIGTERM)"), std::string::npos) << err_;
  // The lock went with it.
  EXPECT_EQ(Run(Concat({"--now", "2026-01-12 09:00", "run", "symphonyiri"}, JobOptions())), 0)
      << err_;
}

// A damaged store file does not end the daemon: the due job logs the error and sends nothing, the
// daemon waits for the next due minute, and a job due then reads the repaired file.
TEST_F(JobCommandsTest, TheDaemonOutlivesADamagedFileAndTheNextDueJobReadsItRepaired) {
  StartServer();
  Change([](clsSettings& report, int index) {
    if (index == 0) {
      report.StartTimeTime = {1899, 12, 30, 1, 0, 0, 0};
    } else {
      report.StartTimeTime = {1899, 12, 30, 1, 1, 0, 0};
      report.StartTimeOnceDailyOrEvery = false;
      report.StartTimeOnceDailyTime = 4;
    }
  });
  fs::path lines;
  for (const auto& entry : fs::directory_iterator(data_)) {
    if (entry.path().filename().string().rfind("SaleItem", 0) == 0) lines = entry.path();
  }
  ASSERT_FALSE(lines.empty());
  const std::string whole = ReadFileBytes(lines);
  std::ofstream(lines, std::ios::binary | std::ios::trunc) << whole.substr(0, whole.size() / 2);

  const Process daemon = Start(Concat({"--now", "2026-01-12 00:59:59", "daemon"}, JobOptions()));
  ASSERT_TRUE(Eventually(
      [&] {
        return ReadFileBytes(daemon.out)
                   .find("01:00 Marketing Portal - Error: the store's tables could not be read") !=
               std::string::npos;
      },
      std::chrono::seconds(30)))
      << ReadFileBytes(daemon.out) << ReadFileBytes(daemon.err);
  EXPECT_NE(Log().find("^DATABASE ERROR: "), std::string::npos) << Log();
  EXPECT_TRUE(fs::is_empty(server_->root() / "in"));
  int status = 0;
  ASSERT_EQ(waitpid(daemon.pid, &status, WNOHANG), 0) << "the daemon ended on the damaged file";

  std::ofstream(lines, std::ios::binary | std::ios::trunc) << whole;
  ASSERT_TRUE(Eventually(
      [&] {
        return ReadFileBytes(daemon.out).find("SymphonyIRI - Uploaded file: movement") !=
               std::string::npos;
      },
      std::chrono::seconds(90)))
      << ReadFileBytes(daemon.out) << ReadFileBytes(daemon.err);
  ASSERT_EQ(kill(daemon.pid, SIGTERM), 0);
  EXPECT_EQ(Wait(daemon, std::chrono::seconds(10)), 0) << err_;
}

TEST_F(JobCommandsTest, ASignalDuringAnUploadLetsTheJobEndUnlessItComesTwice) {
  StartServer("stall-mid-transfer");
  Change([](clsSettings& report, int index) {
    if (index == 0) report.StartTimeTime = {1899, 12, 30, 1, 0, 0, 0};
  });
  // The custom list is made elsewhere; one big enough to stall the server's reading.
  fs::create_directories(data_ / "MarketingPortal");
  std::ofstream(data_ / "MarketingPortal" / "KEZCustomList0000120260112.csv", std::ios::binary)
      << std::string(512 * 1024, 'x');
  const auto stalled = [&] {
    return server_->Log().find("STOR /in/KEZCustomList") != std::string::npos;
  };

  // Once: the upload runs into its timeout, the job ends with its closing line, the daemon ends.
  Process daemon = Start(Concat({"--now", "2026-01-12 00:59:59", "daemon"}, JobOptions()));
  ASSERT_TRUE(Eventually(stalled, std::chrono::seconds(30)));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(daemon.pid, SIGTERM);
  EXPECT_EQ(Wait(daemon), 0) << err_;
  EXPECT_NE(err_.find("SIGTERM: stopping once the running job"), std::string::npos) << err_;
  EXPECT_NE(out_.find("Error: Unable to upload: KEZCustomList"), std::string::npos) << out_;
  EXPECT_NE(out_.find("Marketing Portal - Closing connection"), std::string::npos) << out_;

  // Twice: the process ends at once, long before the FTP timeouts (30 s here) would have ended
  // the job.
  server_.reset();
  StartServer("stall-mid-transfer");
  std::vector<std::string> patient = JobOptions();
  patient.back() = "30";
  daemon = Start(Concat({"--now", "2026-01-12 00:59:59", "daemon"}, patient));
  ASSERT_TRUE(Eventually(stalled, std::chrono::seconds(30)));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto signalled = steady_clock::now();
  kill(daemon.pid, SIGINT);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(daemon.pid, SIGINT);
  EXPECT_EQ(Wait(daemon), 1) << err_;
  EXPECT_LT(steady_clock::now() - signalled, std::chrono::seconds(15));
  EXPECT_NE(err_.find("SIGINT again: ending now"), std::string::npos) << err_;
  EXPECT_EQ(out_.find("Closing connection"), std::string::npos) << out_;
}

}  // namespace
}  // namespace kez::testing
