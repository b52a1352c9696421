#include "format_text.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>

namespace {

TEST(FormatText, FormatsEveryDirectiveTheProgramUses) {
  std::array<char, 100> out{};
  EXPECT_TRUE(FormatText(out, "%c:\\Drivers\\ZavoUSB", 'D'));
  EXPECT_STREQ(out.data(), "D:\\Drivers\\ZavoUSB");
  EXPECT_TRUE(FormatText(out, "%s\\%s", "C:\\Drivers\\ZavoUSB", "ZavoKQ2KDisk.inf"));
  EXPECT_STREQ(out.data(), "C:\\Drivers\\ZavoUSB\\ZavoKQ2KDisk.inf");
  EXPECT_TRUE(FormatText(out, "100%% %s", ""));
  EXPECT_STREQ(out.data(), "100% ");
}

TEST(FormatText, WritesDecimalsWithoutPaddingOrLimits) {
  struct Case {
    int value;
    const char* text;
  };
  constexpr Case kCases[] = {
      {0, "0"}, {7, "7"}, {20, "20"}, {-1, "-1"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"},
  };
  for (const Case& c : kCases) {
    std::array<char, 16> out{};
    EXPECT_TRUE(FormatText(out, "%d", c.value));
    EXPECT_STREQ(out.data(), c.text) << c.value;
  }
}

// Whatever is cut, the output stays inside the buffer and terminated.
TEST(FormatText, CutsShortAndTerminatesWhenTooSmall) {
  struct Case {
    std::size_t size;
    bool fits;
    const char* text;
  };
  constexpr Case kCases[] = {
      {1, false, ""},
      {5, false, "code"},
      {8, false, "code=-1"},
      {9, true, "code=-12"},
  };
  for (const Case& c : kCases) {
    std::array<char, 12> out;
    out.fill('#');
    EXPECT_EQ(FormatText(std::span(out).first(c.size), "code=%d", -12), c.fits) << c.size;
    EXPECT_STREQ(out.data(), c.text) << c.size;
    EXPECT_EQ(out[c.size], '#') << "wrote past the buffer, size " << c.size;
  }
}

TEST(FormatText, StopsAtADirectiveItDoesNotKnow) {
  std::array<char, 16> out{};
  const char* unknown = "a%xb";
  const char* trailing = "ab%";
  EXPECT_FALSE(FormatText(out, unknown));
  EXPECT_STREQ(out.data(), "a");
  EXPECT_FALSE(FormatText(out, trailing));
  EXPECT_STREQ(out.data(), "ab");
}

}  // namespace
