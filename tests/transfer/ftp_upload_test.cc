// Streamed and whole-file uploads against a real server: the bytes that arrive, the progress
// events and host yields per chunk, modes and transfer types.
#include <gtest/gtest.h>

#include "transfer/ftp_test.h"

namespace kez::testing {
namespace {

using FtpUploadTest = FtpTest;

TEST_F(FtpUploadTest, ChunkEventsFollowTheFileLength) {
  struct Case {
    std::size_t size;
    std::vector<ProgressEvent> events;
  };
  const Case cases[] = {
      {0, {{0, 0}}},
      {255, {{255, 255}, {255, 255}}},
      {300, {{255, 300}, {300, 300}}},
      {510, {{255, 510}, {510, 510}, {510, 510}}},
  };
  ASSERT_NO_FATAL_FAILURE(Connect());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const std::string name = "chunks" + std::to_string(c.size) + ".bin";
    const std::string bytes = PatternBytes(c.size);
    WriteFileBytes(Local(name), bytes);
    events_.clear();
    const int yields_before = host_.do_events_calls();
    ftp_.SetTransferBinary();
    ASSERT_TRUE(ftp_.FTPUploadFile(Local(name).string(), name)) << ftp_.GetLastErrorMessage();
    EXPECT_EQ(events_, c.events);
    EXPECT_EQ(host_.do_events_calls() - yields_before, static_cast<int>(c.size / 255));
    EXPECT_EQ(ReadFileBytes(Remote(name)), bytes);
  }
}

TEST_F(FtpUploadTest, FiveMegabytesArriveWholeWithAnEventPerChunk) {
  const std::size_t size = 5 * 1024 * 1024;
  const std::string bytes = PatternBytes(size);
  WriteFileBytes(Local("big.bin"), bytes);
  ASSERT_NO_FATAL_FAILURE(Connect());
  ftp_.SetTransferBinary();
  ASSERT_TRUE(ftp_.FTPUploadFile(Local("big.bin").string(), "big.bin"))
      << ftp_.GetLastErrorMessage();
  const auto total = static_cast<std::int64_t>(size);
  ASSERT_EQ(events_.size(), size / 255 + 1);
  EXPECT_EQ(events_.front(), ProgressEvent(255, total));
  EXPECT_EQ(events_[events_.size() - 2],
            ProgressEvent(static_cast<std::int64_t>(size / 255 * 255), total));
  EXPECT_EQ(events_.back(), ProgressEvent(total, total));
  EXPECT_EQ(host_.do_events_calls(), static_cast<int>(size / 255));
  EXPECT_TRUE(ReadFileBytes(Remote("big.bin")) == bytes);
}

// The extracts write CR LF line ends. An ASCII transfer puts every line end on the wire as
// CR LF whatever the local form, and this server stores LF; binary stores the bytes as they are.
TEST_F(FtpUploadTest, AsciiSendsCrLfLineEndsAndBinarySendsTheBytes) {
  const std::string text = "crlf\r\nlf only\nlone cr\rend\r\n";
  WriteFileBytes(Local("lines.csv"), text);
  ASSERT_NO_FATAL_FAILURE(Connect());
  ftp_.SetTransferASCII();
  ASSERT_TRUE(ftp_.FTPUploadFile(Local("lines.csv").string(), "ascii.csv"))
      << ftp_.GetLastErrorMessage();
  ASSERT_TRUE(ftp_.SimpleFTPPutFile(Local("lines.csv").string(), "simple-ascii.csv"))
      << ftp_.GetLastErrorMessage();
  ftp_.SetTransferBinary();
  ASSERT_TRUE(ftp_.FTPUploadFile(Local("lines.csv").string(), "binary.csv"))
      << ftp_.GetLastErrorMessage();

  EXPECT_EQ(ReadFileBytes(Remote("ascii.csv")), "crlf\nlf only\nlone cr\rend\n");
  EXPECT_EQ(ReadFileBytes(Remote("simple-ascii.csv")), "crlf\nlf only\nlone cr\rend\n");
  EXPECT_EQ(ReadFileBytes(Remote("binary.csv")), text);
  const std::string log = server_->Log();
  EXPECT_NE(log.find("<- TYPE A"), std::string::npos);
  EXPECT_NE(log.rfind("<- TYPE I"), std::string::npos);
  EXPECT_LT(log.find("<- TYPE A"), log.find("<- STOR /ascii.csv"));
}

// A CR at the end of one chunk and the LF at the start of the next are one line end.
TEST_F(FtpUploadTest, AsciiLineEndSplitAcrossChunksStaysOneLineEnd) {
  std::string text(254, 'x');
  text += "\r\nnext line\n";
  WriteFileBytes(Local("split.csv"), text);
  ASSERT_NO_FATAL_FAILURE(Connect());
  ftp_.SetTransferASCII();
  ASSERT_TRUE(ftp_.FTPUploadFile(Local("split.csv").string(), "split.csv"))
      << ftp_.GetLastErrorMessage();
  EXPECT_EQ(ReadFileBytes(Remote("split.csv")), std::string(254, 'x') + "\nnext line\n");
  EXPECT_EQ(events_, (std::vector<ProgressEvent>{{255, 266}, {266, 266}}));
}

TEST_F(FtpUploadTest, ActiveAndPassiveModesBothDeliver) {
  for (const bool passive : {false, true}) {
    SCOPED_TRACE(passive ? "passive" : "active");
    ASSERT_NO_FATAL_FAILURE(Connect(passive));
    WriteFileBytes(Local("mode.txt"), "mode\r\n");
    ftp_.SetTransferBinary();
    ASSERT_TRUE(
        ftp_.FTPUploadFile(Local("mode.txt").string(), passive ? "passive.txt" : "active.txt"))
        << ftp_.GetLastErrorMessage();
    ftp_.CloseConnection();
  }
  EXPECT_EQ(ReadFileBytes(Remote("active.txt")), "mode\r\n");
  EXPECT_EQ(ReadFileBytes(Remote("passive.txt")), "mode\r\n");
  const std::string log = server_->Log();
  EXPECT_NE(log.find("<- EPRT"), std::string::npos);
  EXPECT_NE(log.find("<- EPSV"), std::string::npos);
}

TEST_F(FtpUploadTest, OneLoginServesEveryOperation) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  WriteFileBytes(Local("a.txt"), "a");
  ASSERT_TRUE(ftp_.CreateFTPDirectory("out"));
  ASSERT_TRUE(ftp_.SetFTPDirectory("out"));
  for (const char* name : {"1.txt", "2.txt", "3.txt"}) {
    ASSERT_TRUE(ftp_.FTPUploadFile(Local("a.txt").string(), name)) << ftp_.GetLastErrorMessage();
  }
  EXPECT_EQ(ftp_.GetFTPFileSize("2.txt"), 1);
  EXPECT_EQ(server_->SessionCount(), 1);
  EXPECT_TRUE(std::filesystem::exists(Remote("out/3.txt")));
}

TEST_F(FtpUploadTest, BlankNamesAreRefusedAndBlanksAroundNamesIgnored) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  ASSERT_FALSE(ftp_.DeleteFTPFile("missing.txt"));
  const std::string before = ftp_.GetLastErrorMessage();
  ASSERT_FALSE(before.empty());
  WriteFileBytes(Local("a.txt"), "a");
  EXPECT_FALSE(ftp_.FTPUploadFile("   ", "a.txt"));
  EXPECT_FALSE(ftp_.FTPUploadFile(Local("a.txt").string(), "  "));
  EXPECT_FALSE(ftp_.FTPDownloadFile("", "a.txt"));
  EXPECT_EQ(ftp_.GetLastErrorMessage(), before);
  EXPECT_TRUE(events_.empty());
  // Blanks around a name are not part of it.
  ASSERT_TRUE(ftp_.FTPUploadFile("  " + Local("a.txt").string() + " ", " trimmed.txt  "))
      << ftp_.GetLastErrorMessage();
  EXPECT_TRUE(std::filesystem::exists(Remote("trimmed.txt")));
}

TEST_F(FtpUploadTest, MissingLocalFileLeavesNoRemoteFile) {
  ASSERT_NO_FATAL_FAILURE(Connect());
  EXPECT_FALSE(ftp_.FTPUploadFile(Local("absent.csv").string(), "absent.csv"));
  EXPECT_NE(ftp_.GetLastErrorMessage().find("absent.csv"), std::string::npos);
  EXPECT_FALSE(ftp_.SimpleFTPPutFile(Local("absent.csv").string(), "absent.csv"));
  EXPECT_EQ(ftp_.GetLastErrorMessage().rfind("SimpleFtpPutFile error code: 26 Message: ", 0), 0u)
      << ftp_.GetLastErrorMessage();
  EXPECT_FALSE(std::filesystem::exists(Remote("absent.csv")));
}

TEST_F(FtpUploadTest, OperationsWithoutAConnectionFail) {
  WriteFileBytes(Local("a.txt"), "a");
  EXPECT_FALSE(ftp_.FTPUploadFile(Local("a.txt").string(), "a.txt"));
  EXPECT_EQ(ftp_.GetLastErrorMessage(),
            "FtpOpenFile:PutFile error code: 2 Message: No connection is open");
  EXPECT_EQ(ftp_.GetFTPDirectory(), "");
  EXPECT_EQ(ftp_.GetFTPFileSize("a.txt"), -2);
  EXPECT_EQ(ftp_.GetDirectoryListing("*"), nullptr);
  ASSERT_NO_FATAL_FAILURE(Connect());
  ftp_.CloseConnection();
  EXPECT_FALSE(ftp_.DeleteFTPFile("a.txt"));
}

}  // namespace
}  // namespace kez::testing
