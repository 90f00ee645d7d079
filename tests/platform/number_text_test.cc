#include "platform/number_text.h"

#include <gtest/gtest.h>

namespace kez {
namespace {

TEST(NumberText, TheLeadingNumberIsTakenUpToTheFirstOtherCharacter) {
  const std::pair<const char*, double> cases[] = {
      {"1250.50", 1250.5},
      {"  -12.5abc", -12.5},
      {"+7", 7},
      {".5", 0.5},
      {"-.25", -0.25},
      {"12.3.4", 12.3},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"1e3", 1},
      {"\t42 units", 42},
      {"0007", 7},
      {"3.", 3},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(LeadingNumber(text), expected) << text;
}

TEST(NumberText, HalvesRoundToTheEvenNeighbour) {
  const std::pair<double, double> cases[] = {{2.5, 2}, {3.5, 4},  {-1.5, -2}, {-2.5, -2},
                                             {0.5, 0}, {2.49, 2}, {2.51, 3},  {-0.4, 0}};
  for (const auto& [value, expected] : cases) EXPECT_EQ(RoundHalfEven(value), expected) << value;
}

}  // namespace
}  // namespace kez
