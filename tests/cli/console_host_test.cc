// kezagg's answers to the program's questions: nothing waits for a person, retries are bounded.
#include "cli/console_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kez::cli {
namespace {

class ConsoleHostTest : public ::testing::Test {
 protected:
  ConsoleHostTest() : out_(std::tmpfile()), host_(ConsoleHost::Policy{2, {}}, out_) {}
  ~ConsoleHostTest() override { std::fclose(out_); }

  std::string Output() {
    std::fflush(out_);
    std::rewind(out_);
    std::string text;
    for (int c = std::fgetc(out_); c != EOF; c = std::fgetc(out_)) text += static_cast<char>(c);
    return text;
  }
  MessageAnswer Ask(std::string_view text, MessageButtons buttons, MessageKind kind) {
    return host_.ShowMessage(text, buttons, MessageIcon::kQuestion, "Title", kind);
  }

  std::FILE* out_;
  ConsoleHost host_;
};

TEST_F(ConsoleHostTest, RetryQuestionsGetABoundedNumberOfYesesThenNo) {
  const std::string retry = "Server not found. Check Server and Network Connections.\r\n Retry?";
  constexpr MessageKind kRetry = MessageKind::kRetry;
  EXPECT_EQ(Ask(retry, MessageButtons::kYesNo, kRetry), MessageAnswer::kYes);
  EXPECT_EQ(Ask(retry, MessageButtons::kYesNo, kRetry), MessageAnswer::kYes);
  EXPECT_EQ(Ask(retry, MessageButtons::kYesNo, kRetry), MessageAnswer::kNo);
  // The count starts again after the No.
  EXPECT_EQ(Ask(retry, MessageButtons::kYesNo, kRetry), MessageAnswer::kYes);

  const std::string lock = "Record is being accessed.\r\rDo you want to try again?";
  EXPECT_EQ(Ask(lock, MessageButtons::kYesNo, kRetry), MessageAnswer::kYes);
  EXPECT_EQ(Ask("engine inactive", MessageButtons::kRetryCancel, kRetry), MessageAnswer::kRetry);
  EXPECT_EQ(Ask("engine inactive", MessageButtons::kRetryCancel, kRetry), MessageAnswer::kRetry);
  EXPECT_EQ(Ask("engine inactive", MessageButtons::kRetryCancel, kRetry), MessageAnswer::kCancel);
}

TEST_F(ConsoleHostTest, TheKindDecidesNotTheWording) {
  // A retry question in other words is still retried; a decision that happens to say "Retry?"
  // is still declined.
  EXPECT_EQ(Ask("The server went away. Go on?", MessageButtons::kYesNo, MessageKind::kRetry),
            MessageAnswer::kYes);
  EXPECT_EQ(Ask("Delete the old files? Retry?", MessageButtons::kYesNo, MessageKind::kDecision),
            MessageAnswer::kNo);
  EXPECT_EQ(Ask("Replace it?", MessageButtons::kRetryCancel, MessageKind::kDecision),
            MessageAnswer::kCancel);
}

TEST_F(ConsoleHostTest, OtherQuestionsAreAnsweredNoAndEveryMessageIsPrintedWithItsTitle) {
  EXPECT_EQ(Ask("A path has not been defined\r\rDo you want to define it now?",
                MessageButtons::kYesNo, MessageKind::kDecision),
            MessageAnswer::kNo);
  EXPECT_EQ(host_.ShowMessage("Caf\xE9 closed.\rCall support.", MessageButtons::kOk,
                              MessageIcon::kCritical, "KEZ DBSM System", MessageKind::kInformation),
            MessageAnswer::kOk);
  EXPECT_EQ(Output(),
            "Title: A path has not been defined\n\nDo you want to define it now? [answered No]\n"
            "KEZ DBSM System: Caf\xC3\xA9 closed.\nCall support.\n");
}

}  // namespace
}  // namespace kez::cli
