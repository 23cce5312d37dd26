#include "platform/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tb {
namespace {

TEST(Format, EditDescriptors) {
  struct Case {
    const char* layout;
    std::vector<FmtArg> args;
    const char* expected;
  };
  const Case cases[] = {
      {"(I5)", {42}, "   42\n"},
      {"(I3)", {-1234}, "***\n"},
      {"(I4.3)", {7}, " 007\n"},
      {"(F10.3)", {3.14159f}, "     3.142\n"},
      {"(F6.3)", {-0.5}, "-0.500\n"},
      {"(F5.3)", {-0.5}, "-.500\n"},  // the leading zero goes when the field is narrow
      {"(F4.1)", {1234.5}, "****\n"},
      {"(E20.6)", {1.0E-4f}, "        0.100000E-03\n"},
      {"(E15.5)", {-123.456}, "   -0.12346E+03\n"},
      {"(E12.4)", {0.0}, "  0.0000E+00\n"},
      {"(E12.6)", {-1.0E-4}, "-.100000E-03\n"},
      {"(E8.4)", {1.0}, "********\n"},
      {"(E12.4)", {1.0E120}, "  0.1000+121\n"},
      {"(E12.4E3)", {1.0E5}, " 0.1000E+006\n"},
      {"(F8.2)", {std::numeric_limits<double>::quiet_NaN()}, "     NaN\n"},
      {"(A6)", {"abc"}, "   abc\n"},
      {"(A2)", {"abc"}, "ab\n"},
      {"(A)", {"abc"}, "abc\n"},
      {"(1X,I2,3X,'x')", {5}, "  5   x\n"},
      {"(I2,' ms')", {5}, " 5 ms\n"},           // a literal after the last item is written
      {"(I2,' a',I2,' b')", {5}, " 5 a\n"},     // output stops at the next value descriptor
      {"(3E15.5)", {1.0, 2.0, 3.0, 4.0},
       "    0.10000E+01    0.20000E+01    0.30000E+01\n    0.40000E+01\n"},
      {"(1X,'h',2(I2))", {1, 2, 3}, " h 1 2\n 3\n"},  // reversion to the last group
      {"(I2/I2)", {1, 2}, " 1\n 2\n"},
      {"(1X,3F10.3)", {1.5f}, "      1.500\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(format_records(c.layout, std::span<const FmtArg>(c.args)), c.expected) << c.layout;
  }
}

TEST(Format, ListDirectedLineStartsWithOneBlank) {
  EXPECT_EQ(list_directed_line({" a", "b"}), "  ab");
  EXPECT_EQ(list_directed_line({"n=", 3, 0.5f}), " n= 3 0.5");
  EXPECT_EQ(list_directed_line(std::span<const FmtArg>()), " ");
}

TEST(Format, WidthsCountBytesOfTheGbkForm) {
  // Two Chinese characters are four GBK bytes.
  EXPECT_EQ(format_text("\xB4\xED\xCE\xF3", 6), "  \xB4\xED\xCE\xF3");
  EXPECT_EQ(format_text("\xB4\xED\xCE\xF3", 2), "\xB4\xED");
}

}  // namespace
}  // namespace tb
