#include "btrieve/page_index.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace btrieve {
namespace {

// Random sets and erasures, in runs of neighbouring pages as a scan makes them and at random as
// lookups do, always agree with an ordered map: a deletion that leaves a gap in a probe run loses
// the entries behind it.
TEST(PageIndex, AgreesWithAMapThroughGrowthAndDeletions) {
  std::mt19937 random(11);
  PageIndex index;
  std::map<std::uint32_t, std::uint32_t> model;
  for (int step = 0; step < 200000; ++step) {
    const bool run = step % 1000 < 500;
    const std::uint32_t page =
        run ? static_cast<std::uint32_t>(step % 700) : static_cast<std::uint32_t>(random() % 5000);
    switch (random() % 3) {
      case 0:
      case 1: {
        const std::uint32_t slot = static_cast<std::uint32_t>(random() % 4096);
        index.Set(page, slot);
        model[page] = slot;
        break;
      }
      default:
        EXPECT_EQ(index.Erase(page), model.erase(page) == 1);
    }
    if (step % 997 == 0) {
      for (std::uint32_t p = 0; p < 5000; ++p) {
        const auto it = model.find(p);
        ASSERT_EQ(index.Find(p), it == model.end() ? PageIndex::kAbsent : it->second)
            << "page " << p << " at step " << step;
      }
    }
    ASSERT_EQ(index.size(), model.size());
  }
  index.Clear();
  EXPECT_EQ(index.size(), 0u);
  EXPECT_FALSE(index.Contains(1));
  EXPECT_FALSE(index.Erase(1));
}

}  // namespace
}  // namespace btrieve
