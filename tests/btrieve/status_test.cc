// A status keeps its detail text apart from its code, so that an ok status is cheap to move: a
// copy must still own its own text, and adding context must read as it always did.
#include "btrieve/status.h"

#include <gtest/gtest.h>

#include <utility>

namespace btrieve {
namespace {

TEST(Status, CopiesOwnTheirDetailAndContextReadsAsBefore) {
  Status damaged(kIoError, "page 12 is not a data page");
  Status copy = damaged;
  damaged.Prefix("LINES.DAT");
  EXPECT_EQ(damaged.detail(), "LINES.DAT: page 12 is not a data page");
  EXPECT_EQ(copy.detail(), "page 12 is not a data page");
  EXPECT_EQ(copy.ToString(), "status 2: page 12 is not a data page");

  copy = Status(kEndOfFile, "");
  EXPECT_EQ(copy.detail(), "");
  EXPECT_EQ(copy.ToString(), "status 9");
  copy.Prefix("LINES.DAT");
  EXPECT_EQ(copy.detail(), "LINES.DAT");

  const Status moved = std::move(damaged);
  EXPECT_EQ(moved.code(), kIoError);
  EXPECT_EQ(moved.detail(), "LINES.DAT: page 12 is not a data page");

  Status ok = Status::Ok();
  ok.Prefix("LINES.DAT");
  EXPECT_TRUE(ok.ok());
  EXPECT_EQ(ok.detail(), "");
  EXPECT_EQ(ok.ToString(), "ok");
  ok = moved;
  EXPECT_EQ(ok.detail(), moved.detail());
}

}  // namespace
}  // namespace btrieve
