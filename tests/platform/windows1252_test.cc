#include "platform/windows1252.h"

#include <gtest/gtest.h>

namespace kez {
namespace {

TEST(Windows1252, EveryByteSurvivesTheRoundTripThroughUtf8) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  const Windows1252Text back = Windows1252FromUtf8(Utf8FromWindows1252(all));
  EXPECT_TRUE(back.lossless);
  EXPECT_EQ(back.text, all);
}

TEST(Windows1252, ConvertsTheCodePagesOwnCharacters) {
  EXPECT_EQ(Utf8FromWindows1252("\x80 caf\xE9 \x99"), "\xE2\x82\xAC caf\xC3\xA9 \xE2\x84\xA2");
  EXPECT_EQ(Windows1252FromUtf8("\xC5\x92uvre \xE2\x80\x94 \xC3\xBF").text, "\x8Cuvre \x97 \xFF");
}

TEST(Windows1252, MarksCharactersTheCodePageLacks) {
  const Windows1252Text text = Windows1252FromUtf8(
      "a\xE4\xB8\xAD"
      "b\xF0\x9F\x98\x80"
      "c");
  EXPECT_FALSE(text.lossless);
  EXPECT_EQ(text.text, "a?b?c");
  // C1 controls other than the five undefined bytes have no byte either.
  EXPECT_FALSE(Windows1252FromUtf8("\xC2\x80").lossless);
}

TEST(Windows1252, TakesBytesThatAreNotUtf8AsTheyStand) {
  // A hand-edited file saved in the code page: "café", a lone continuation byte, a truncated
  // sequence at the end, an overlong form and an encoded surrogate.
  for (const std::string raw : {"caf\xE9", "\x80x", "ab\xE2\x82", "\xC0\xAF", "\xED\xA0\x80"}) {
    const Windows1252Text text = Windows1252FromUtf8(raw);
    EXPECT_TRUE(text.lossless) << raw;
    EXPECT_EQ(text.text, raw);
  }
}

TEST(Windows1252, ComparesWithoutLetterCaseIncludingAccentedLetters) {
  EXPECT_TRUE(EqualsIgnoreCase1252("StoreNumber", "storenumber"));
  EXPECT_TRUE(EqualsIgnoreCase1252("\xC9t\xC9", "\xE9t\xE9"));  // ÉTÉ / été
  EXPECT_TRUE(EqualsIgnoreCase1252("\x8A\x9F", "\x9A\xFF"));    // Š Ÿ / š ÿ
  EXPECT_FALSE(EqualsIgnoreCase1252("\xD7", "\xF7"));           // × and ÷ are not letters
  EXPECT_FALSE(EqualsIgnoreCase1252("Store", "Stores"));
}

}  // namespace
}  // namespace kez
