// Downloads, folder and file commands, sizes and listings against a real server.
#include <gtest/gtest.h>

#include <chrono>

#include "transfer/ftp_local_time.h"
#include "transfer/ftp_test.h"

namespace kez::testing {
namespace {

using FtpRemoteTest = FtpTest;

TEST_F(FtpRemoteTest, DownloadReportsChunksAndKeepsTheBytes) {
  const std::string bytes = PatternBytes(600);
  WriteFileBytes(Remote("report.bin"), bytes);
  ASSERT_NO_FATAL_FAILURE(Connect());
  ftp_.SetTransferBinary();
  ASSERT_TRUE(ftp_.FTPDownloadFile(Local("report.bin").string(), "report.bin"))
      << ftp_.GetLastErrorMessage();
  EXPECT_EQ(ReadFileBytes(Local("report.bin")), bytes);
  EXPECT_EQ(events_, (std::vector<ProgressEvent>{{255, 600}, {510, 600}, {600, 600}}));
  EXPECT_EQ(host_.do_events_calls(), 2);
}

TEST_F(FtpRemoteTest, EmptyOrMissingRemoteFileIsNotDownloaded) {
  WriteFileBytes(Remote("empty.csv"), "");
  WriteFileBytes(Local("empty.csv"), "keep me");
  ASSERT_NO_FATAL_FAILURE(Connect());
  EXPECT_FALSE(ftp_.FTPDownloadFile(Local("empty.csv").string(), "empty.csv"));
  EXPECT_FALSE(ftp_.FTPDownloadFile(Local("empty.csv").string(), "missing.csv"));
  EXPECT_EQ(ReadFileBytes(Local("empty.csv")), "keep me");
  EXPECT_TRUE(events_.empty());
  // The whole-file fetch does create the empty file.
  ASSERT_TRUE(ftp_.SimpleFTPGetFile(Local("empty.csv").string(), "empty.csv"))
      << ftp_.GetLastErrorMessage();
  EXPECT_EQ(ReadFileBytes(Local("empty.csv")), "");
}

TEST_F(FtpRemoteTest, WholeFileTransfersRoundTrip) {
  const std::string bytes = PatternBytes(100000);
  WriteFileBytes(Local("out.bin"), bytes);
  ASSERT_NO_FATAL_FAILURE(Connect());
  ftp_.SetTransferBinary();
  ASSERT_TRUE(ftp_.SimpleFTPPutFile(Local("out.bin").string(), "copy.bin"))
      << ftp_.GetLastErrorMessage();
  ASSERT_TRUE(ftp_.SimpleFTPGetFile(Local("back.bin").string(), "copy.bin"))
      << ftp_.GetLastErrorMessage();
  EXPECT_TRUE(ReadFileBytes(Local("back.bin")) == bytes);
  EXPECT_TRUE(events_.empty());
  EXPECT_FALSE(ftp_.SimpleFTPGetFile(Local("none.bin").string(), "none.bin"));
  EXPECT_EQ(ftp_.GetLastErrorMessage(), "550 /none.bin is not retrievable.");
  EXPECT_FALSE(std::filesystem::exists(Local("none.bin")));
}

// The server sends CR LF line ends in ASCII; they reach the local file unchanged.
TEST_F(FtpRemoteTest, AsciiDownloadKeepsCrLfLineEnds) {
  WriteFileBytes(Remote("lines.txt"), "one\ntwo\n");
  ASSERT_NO_FATAL_FAILURE(Connect());
  ftp_.SetTransferASCII();
  ASSERT_TRUE(ftp_.SimpleFTPGetFile(Local("lines.txt").string(), "lines.txt"))
      << ftp_.GetLastErrorMessage();
  EXPECT_EQ(ReadFileBytes(Local("lines.txt")), "one\r\ntwo\r\n");
}

TEST_F(FtpRemoteTest, CurrentDirectoryIsCheckedByTheServerEveryTime) {
  std::filesystem::create_directories(Remote("outbox/daily"));
  ASSERT_NO_FATAL_FAILURE(Connect());
  EXPECT_EQ(ftp_.GetFTPDirectory(), "/");
  ASSERT_TRUE(ftp_.SetFTPDirectory("outbox")) << ftp_.GetLastErrorMessage();
  ASSERT_TRUE(ftp_.SetFTPDirectory("daily")) << ftp_.GetLastErrorMessage();
  EXPECT_EQ(ftp_.GetFTPDirectory(), "/outbox/daily");

  // Removed behind the client's back while it is in there: going there again must fail.
  std::filesystem::remove_all(Remote("outbox/daily"));
  EXPECT_FALSE(ftp_.SetFTPDirectory("/outbox/daily"));
  EXPECT_EQ(ftp_.GetLastErrorMessage(), "550 No such file or directory.");
  EXPECT_EQ(ftp_.GetFTPDirectory(), "/outbox/daily");

  ASSERT_TRUE(ftp_.SetFTPDirectory("..")) << ftp_.GetLastErrorMessage();
  EXPECT_EQ(ftp_.GetFTPDirectory(), "/outbox");
}

TEST_F(FtpRemoteTest, FileAndFolderCommandsChangeTheServer) {
  WriteFileBytes(Remote("draft.csv"), "x");
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_TRUE(ftp_.CreateFTPDirectory("archive")) << ftp_.GetLastErrorMessage();
  ASSERT_TRUE(ftp_.RenameFTPFile("draft.csv", "archive/final.csv")) << ftp_.GetLastErrorMessage();
  EXPECT_TRUE(std::filesystem::exists(Remote("archive/final.csv")));
  EXPECT_FALSE(ftp_.RemoveFTPDirectory("archive"));  // not empty
  ASSERT_TRUE(ftp_.DeleteFTPFile("archive/final.csv")) << ftp_.GetLastErrorMessage();
  ASSERT_TRUE(ftp_.RemoveFTPDirectory("archive")) << ftp_.GetLastErrorMessage();
  EXPECT_FALSE(std::filesystem::exists(Remote("archive")));

  EXPECT_FALSE(ftp_.RenameFTPFile("gone.csv", "other.csv"));
  EXPECT_EQ(ftp_.GetLastErrorMessage(), "550 No such file or directory.");
  EXPECT_FALSE(ftp_.DeleteFTPFile("bad\r\nDELE x"));
  EXPECT_EQ(ftp_.GetLastErrorMessage(),
            "DeleteFTPFile error code: 3 Message: A remote name holds a line end");
}

TEST_F(FtpRemoteTest, FileSizeSearchesWithBlanksAsWildcards) {
  WriteFileBytes(Remote("sales extract.csv"), std::string(1234, 'x'));
  std::filesystem::create_directories(Remote("sub"));
  WriteFileBytes(Remote("sub/a.csv"), "12");
  ASSERT_NO_FATAL_FAILURE(Connect());
  EXPECT_EQ(ftp_.GetFTPFileSize("sales extract.csv"), 1234);
  EXPECT_EQ(ftp_.GetFTPFileSize("sub/a.csv"), 2);
  const std::string before = ftp_.GetLastErrorMessage();
  EXPECT_EQ(ftp_.GetFTPFileSize("missing.csv"), -1);
  EXPECT_EQ(ftp_.GetLastErrorMessage(), before);
  EXPECT_EQ(ftp_.GetFTPFileSize("nofolder/a.csv"), -2);
  EXPECT_EQ(ftp_.GetLastErrorMessage(), "501 No such directory.");
}

// The calendar fields of a moment, in UTC.
UtcDateTime ToUtc(std::chrono::sys_seconds moment) {
  using namespace std::chrono;
  const sys_days day = floor<days>(moment);
  const year_month_day date{day};
  const hh_mm_ss clock{moment - day};
  return {static_cast<int>(date.year()),
          static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day())),
          static_cast<int>(clock.hours().count()),
          static_cast<int>(clock.minutes().count()),
          static_cast<int>(clock.seconds().count())};
}

class FtpListingTest : public FtpTest {
 protected:
  // Two files and a folder. LIST shows minutes only, and a year only for old files: the sales
  // file was written two days ago, on a whole minute. LIST leaves out the year of recent files,
  // which the client takes from the host's clock.
  void MakeFolder() {
    using namespace std::chrono;
    WriteFileBytes(Remote("KEZSales0001.csv"), std::string(300, 's'));
    WriteFileBytes(Remote("KEZCustomers0001.csv"), "c");
    std::filesystem::create_directories(Remote("archive"));
    const sys_seconds now = floor<seconds>(system_clock::now());
    const sys_seconds written = floor<minutes>(now) - hours(48);
    std::filesystem::last_write_time(Remote("KEZSales0001.csv"), file_clock::from_sys(written));
    sales_written_ = ToUtc(written);
    LocalDateTime today;
    ASSERT_EQ(UtcToLocal(ToUtc(now), &today), 0);
    host_.SetNow(today);
  }

  void ExpectListing() {
    const cDirList* list = ftp_.GetDirectoryListing("*.*");
    ASSERT_NE(list, nullptr) << ftp_.GetLastErrorMessage();
    ASSERT_EQ(list->count(), 3);
    ASSERT_EQ(&ftp_.Directory(), list);
    const cDirItem* sales = list->Item("KEZSales0001.csv");
    ASSERT_NE(sales, nullptr);
    EXPECT_EQ(sales->FileSize(), 300);
    EXPECT_TRUE(sales->Normal());
    EXPECT_FALSE(sales->Directory());
    LocalDateTime expected;
    ASSERT_EQ(UtcToLocal(sales_written_, &expected), 0);
    EXPECT_EQ(sales->LastWriteTime(), expected);
    const cDirItem* archive = list->Item("archive");
    ASSERT_NE(archive, nullptr);
    EXPECT_TRUE(archive->Directory());
    EXPECT_FALSE(archive->Normal());
    int positions = 0;
    for (int i = 1; i <= list->count(); ++i) positions += list->Item(i) != nullptr;
    EXPECT_EQ(positions, 3);
    EXPECT_EQ(list->Item(0), nullptr);
    EXPECT_EQ(list->Item(4), nullptr);

    const cDirList* csv = ftp_.GetDirectoryListing("KEZ*.csv");
    ASSERT_NE(csv, nullptr);
    EXPECT_EQ(csv->count(), 2);
    EXPECT_EQ(csv->Item("archive"), nullptr);

    const std::string before = ftp_.GetLastErrorMessage();
    EXPECT_EQ(ftp_.GetDirectoryListing("*.txt"), nullptr);
    EXPECT_EQ(ftp_.Directory().count(), 0);
    EXPECT_EQ(ftp_.GetLastErrorMessage(), before);
  }

  UtcDateTime sales_written_;
};

TEST_F(FtpListingTest, MlsdListingGivesEntriesByPositionAndName) {
  ASSERT_NO_FATAL_FAILURE(MakeFolder());
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_NO_FATAL_FAILURE(ExpectListing());
  EXPECT_NE(server_->Log().find("<- MLSD"), std::string::npos);
}

class FtpListWithoutMlsdTest : public FtpListingTest {
 protected:
  FtpListWithoutMlsdTest() { server_options_.fault = "no-mlsd"; }
};

TEST_F(FtpListWithoutMlsdTest, ListIsReadWhenTheServerHasNoMlsd) {
  ASSERT_NO_FATAL_FAILURE(MakeFolder());
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_NO_FATAL_FAILURE(ExpectListing());
  EXPECT_NE(server_->Log().find("<- LIST /"), std::string::npos);
}

}  // namespace
}  // namespace kez::testing
