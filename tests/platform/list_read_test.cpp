#include "platform/list_read.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "test_support.h"

namespace tb {
namespace {

class ListReadTest : public ::testing::Test {
 protected:
  void load(const std::string& content) {
    test::write_file(dir.path() / "f.dat", content);
    units.working_dir = dir.path();
    ASSERT_EQ(units.open(7, "f.dat", OpenMode::old, UnitForm::text), 0);
  }
  test::TempDir dir;
  UnitTable units;
};

TEST_F(ListReadTest, ValuesComeFromAsManyRecordsAsNeededAndTheRestOfTheLastIsDropped) {
  load("1 2.5\n\n  3, 4.0e-1 comment text\n5\n");
  std::int32_t a = 0, c = 0, e = 0;
  float b = 0, d = 0;
  EXPECT_EQ(read_list(units, 7, {a, b, c, d}), 0);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2.5f);
  EXPECT_EQ(c, 3);
  EXPECT_EQ(d, 0.4f);
  EXPECT_EQ(read_list(units, 7, {e}), 0);  // next statement starts at the next record
  EXPECT_EQ(e, 5);
  EXPECT_EQ(read_list(units, 7, {e}), io_status::end_of_file);
  EXPECT_EQ(e, 5);
}

TEST_F(ListReadTest, TextWhereANumberIsExpectedEndsTheStatementAndLeavesTheRest) {
  load("7 !comment 9\n8\n");
  std::int32_t a = -1, b = -1, c = -1;
  EXPECT_EQ(read_list(units, 7, {a, b, c}), io_status::bad_value);
  EXPECT_EQ(a, 7);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(c, -1);
  EXPECT_EQ(read_list(units, 7, {b}), 0);
  EXPECT_EQ(b, 8);
}

TEST_F(ListReadTest, EndOfFileInsideAStatementKeepsWhatWasStored) {
  load("1 2\n");
  std::int32_t a = 0, b = 0, c = -5;
  EXPECT_EQ(read_list(units, 7, {a, b, c}), io_status::end_of_file);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(c, -5);
}

TEST_F(ListReadTest, SeparatorsNullValuesRepeatsSlashAndQuotes) {
  // A read that allows null values keeps the items they leave.
  load("1,,3\t4\n2*7 2* 9\n5 / 6\n'a b' word 1.5D2 -2.0-1\r\n");
  const NullValues keep = NullValues::keep_contents;
  std::int32_t v[4] = {0, -1, 0, 0};
  EXPECT_EQ(read_list(units, 7, {std::span<std::int32_t>(v, 4)}, keep), 0);
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[1], -1);  // null value: unchanged
  EXPECT_EQ(v[2], 3);
  EXPECT_EQ(v[3], 4);
  std::int32_t w[5] = {0, 0, -1, -1, 0};
  EXPECT_EQ(read_list(units, 7, {std::span<std::int32_t>(w, 5)}, keep), 0);
  EXPECT_EQ(w[0], 7);
  EXPECT_EQ(w[1], 7);
  EXPECT_EQ(w[2], -1);
  EXPECT_EQ(w[3], -1);
  EXPECT_EQ(w[4], 9);
  std::int32_t x = 0, y = -3;
  EXPECT_EQ(read_list(units, 7, {x, y}, keep), 0);
  EXPECT_EQ(x, 5);
  EXPECT_EQ(y, -3);  // the slash ended the statement
  std::string s1, s2;
  float f1 = 0, f2 = 0;
  EXPECT_EQ(read_list(units, 7, {s1, s2, f1, f2}), 0);
  EXPECT_EQ(s1, "a b");
  EXPECT_EQ(s2, "word");
  EXPECT_EQ(f1, 150.0f);
  EXPECT_EQ(f2, -0.2f);
}

TEST_F(ListReadTest, ABadValueKeepsItsLineTheValueAsWrittenAndWhatTheItemNeeds) {
  // Every read below refuses its second item; reads allow no null values
  // unless they ask to.
  struct Case {
    const char* line;
    ReadTarget::Kind kind;
    const char* text;
    const char* problem;
  };
  const Case cases[] = {
      {"1 word", ReadTarget::Kind::i32, "word", "not a number"},
      {"1 +-5", ReadTarget::Kind::i32, "+-5", "not a number"},
      {"1 0.0", ReadTarget::Kind::i32, "0.0", "must be a whole number"},
      {"1 6e+07", ReadTarget::Kind::i32, "6e+07", "must be a whole number"},
      {"1 -2147483649", ReadTarget::Kind::i32, "-2147483649", "must be a whole number from -2147483648 to 2147483647"},
      {"1 2", ReadTarget::Kind::flag, "2", "must be 0 or 1"},
      {"1 1.0", ReadTarget::Kind::flag, "1.0", "must be 0 or 1"},
      {"1 1e39", ReadTarget::Kind::f32, "1e39", "beyond single precision"},
      {"1 1e400", ReadTarget::Kind::f32, "1e400", "beyond single precision"},
      {"1 1e400", ReadTarget::Kind::f64, "1e400", "beyond double precision"},
      {"1 1e400", ReadTarget::Kind::i32, "1e400", "must be a whole number"},
      {"1 1d", ReadTarget::Kind::f64, "1d", "not a number"},
      {"1 'x'", ReadTarget::Kind::f32, "'x'", "not a number"},
      {"1,,5", ReadTarget::Kind::i32, ",", "a null value where a value is needed"},
      {"1 3*", ReadTarget::Kind::f32, "3*", "a null value where a value is needed"},
      {"1 / 5", ReadTarget::Kind::i32, "/", "a null value where a value is needed"},
  };
  std::string file;
  for (const Case& c : cases) file += std::string("skip\n") + c.line + "\n";
  load(file);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::int32_t first = 0, second_i = -7;
    float second_f = -7.0f;
    double second_d = -7.0;
    ASSERT_EQ(read_list(units, 7, std::span<const ReadTarget>()), 0);  // the line before
    const ReadTarget second = c.kind == ReadTarget::Kind::f32    ? ReadTarget(second_f)
                              : c.kind == ReadTarget::Kind::f64  ? ReadTarget(second_d)
                              : c.kind == ReadTarget::Kind::flag ? ReadTarget::flag(second_i)
                                                                 : ReadTarget(second_i);
    EXPECT_EQ(read_list(units, 7, {first, second}), io_status::bad_value);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second_i, -7);
    EXPECT_EQ(second_f, -7.0f);
    EXPECT_EQ(second_d, -7.0);
    const TextUnit* t = units.text(7);
    EXPECT_EQ(t->bad_value_line, 2 * static_cast<std::size_t>(&c - cases) + 2);
    EXPECT_EQ(t->bad_value_text, c.text);
    EXPECT_EQ(t->bad_value_problem, c.problem);
  }
  // The value is echoed at most 40 characters long.
  load("1 " + std::string(100000, '9') + "x\n");
  std::int32_t a = 0, b = 0;
  EXPECT_EQ(read_list(units, 7, {a, b}), io_status::bad_value);
  EXPECT_EQ(units.text(7)->bad_value_text, std::string(37, '9') + "...");
}

// A value refused for bytes that do not print shows them as \xHH: a
// byte-order mark, a NUL, control characters, and bytes beyond ASCII. The
// escapes count toward the 40 characters and are never cut.
TEST_F(ListReadTest, ARefusedValueShowsBytesThatDoNotPrintEscaped) {
  const struct {
    std::string value;
    std::string echo;
  } cases[] = {
      {"\xEF\xBB\xBF" "12", "\\xEF\\xBB\\xBF12"},
      {std::string("4\0" "2", 3), "4\\x002"},
      {"x\x01\x1F\x7F", "x\\x01\\x1F\\x7F"},
      {"\xB4\xED", "\\xB4\\xED"},
      {"a\\b", "a\\b"},
      {std::string(30, '7') + "\x01\x02\x03", std::string(30, '7') + "\\x01..."},
  };
  std::string file;
  for (const auto& c : cases) file += "1 " + c.value + "\n";
  load(file);
  for (const auto& c : cases) {
    std::int32_t a = 0, b = 0;
    EXPECT_EQ(read_list(units, 7, {a, b}), io_status::bad_value) << c.echo;
    EXPECT_EQ(units.text(7)->bad_value_text, c.echo);
  }
  EXPECT_EQ(printable_text("abc", 3), "abc");
  EXPECT_EQ(printable_text("abcd", 3), "...");
}

// A read statement that stops keeps the position of the value that it could
// not take, counted over the whole statement (r*v as r values): the entry of
// a counted list that ran short or held a bad value.
TEST_F(ListReadTest, AFailedStatementKeepsThePositionOfTheValueItCouldNotTake) {
  const struct {
    const char* file;
    std::int32_t status;
    std::size_t failed_item;
    std::size_t last_line;
  } cases[] = {
      {"1 2\nx 4\n", io_status::bad_value, 2, 2},
      {"1 2\n3\n", io_status::end_of_file, 3, 2},
      {"3*0 x\n", io_status::bad_value, 3, 1},
      {"\n\n", io_status::end_of_file, 0, 2},
  };
  for (const auto& c : cases) {
    load(c.file);
    std::int32_t v[6] = {};
    EXPECT_EQ(read_list(units, 7, {std::span<std::int32_t>(v)}), c.status) << c.file;
    EXPECT_EQ(units.text(7)->failed_item, c.failed_item) << c.file;
    EXPECT_EQ(last_read_line(units, 7), c.last_line) << c.file;
  }
  // The line of the last statement's last record, for the line of a count.
  load("2\n\n5 6\n7\n");
  std::int32_t n = 0, p[2] = {};
  EXPECT_EQ(last_read_line(units, 7), 0u);
  ASSERT_EQ(read_list(units, 7, {n}), 0);
  EXPECT_EQ(last_read_line(units, 7), 1u);
  ASSERT_EQ(read_list(units, 7, {std::span<std::int32_t>(p)}), 0);
  EXPECT_EQ(last_read_line(units, 7), 3u);
}

TEST_F(ListReadTest, ValuesLeftBoundWhatTheReadsCanStillTake) {
  load("header 1\n1 2, 3\n4*0 ,, 2* / 9\ncomment words\n");
  EXPECT_EQ(read_list(units, 7, std::span<const ReadTarget>()), 0);
  // 3 on line 2; 4, a null, 2 and 1 on line 3; and the two words of line 4,
  // as the figure is an upper bound.
  EXPECT_EQ(values_left(units, 7), 3 + 8 + 2);
  EXPECT_EQ(leading_value_count(units, 7, 2), 3u);
  EXPECT_EQ(leading_value_count(units, 7, 3), 4u);  // the null value ends the numbers
  EXPECT_EQ(leading_value_count(units, 7, 1), 0u);
}

TEST_F(ListReadTest, StridedTargetsAndAReadWithoutItemsPassOverOneRecord) {
  load("skip me\n1 2 3\n");
  EXPECT_EQ(read_list(units, 7, std::span<const ReadTarget>()), 0);
  float table[6] = {};
  EXPECT_EQ(read_list(units, 7, {ReadTarget::reals(table, 3, 2)}), 0);
  EXPECT_EQ(table[0], 1.0f);
  EXPECT_EQ(table[2], 2.0f);
  EXPECT_EQ(table[4], 3.0f);
  EXPECT_EQ(table[1], 0.0f);
}

TEST(ParseNumbers, RealsInEitherKindTakeTheFortranFormsAndTheRangeOfTheKind) {
  // Each token read as a double and as a float; a kind that refuses it must
  // leave the value as it was.
  constexpr float fmax = std::numeric_limits<float>::max();
  const float one_up = std::nextafter(1.0f, 2.0f);
  const std::string zeros(400, '0');
  struct Case {
    std::string text;
    std::optional<double> as_double;
    std::optional<float> as_float;
  };
  const Case cases[] = {
      // forms
      {"1.0E-4", 1.0e-4, 1.0e-4f},
      {"+3", 3.0, 3.0f},
      {".5", 0.5, 0.5f},
      {"-.5", -0.5, -0.5f},
      {"5.", 5.0, 5.0f},
      {"2d3", 2000.0, 2000.0f},
      {"-2.5Q-1", -0.25, -0.25f},
      {"1.5-2", 0.015, 0.015f},  // exponent without its letter
      {"7+1", 70.0, 70.0f},
      {"E5", {}, {}},
      {".", {}, {}},
      {"1e", {}, {}},
      {"1.0-", {}, {}},
      {"1.2.3", {}, {}},
      {"0x10", {}, {}},
      {"!x", {}, {}},
      {"+-5.0", {}, {}},
      {"1e+-5", {}, {}},
      {"1.0+-4", {}, {}},
      {"NaN", {}, {}},
      {"Inf", {}, {}},
      {"-infinity", {}, {}},
      {"", {}, {}},
      // ranges: too large is refused, too small reads as zero, whichever of
      // the digits or the exponent carries the magnitude
      {"3.4028235e38", 3.4028235e38, fmax},
      {"3.40282357e38", 3.40282357e38, {}},
      {"-1e39", -1e39, {}},
      {"1e-40", 1e-40, 1e-40f},  // below the normal floats, still a float
      {"1e-46", 1e-46, 0.0f},
      {"0." + std::string(50, '0') + "1", 1e-51, 0.0f},
      {"1e999", {}, {}},
      {"1e-999", 0.0, 0.0f},
      {"1e-99999999999999999999", 0.0, 0.0f},
      {"1e99999999999999999999", {}, {}},
      {"1" + zeros + "e-5", {}, {}},
      {"0." + zeros + "1e5", 0.0, 0.0f},
      {"0." + zeros + "1", 0.0, 0.0f},
      // A float is rounded straight from the text: this one lies just above
      // the halfway point between 1 and the next float, while the double
      // nearest to it is that halfway point, which would round to 1.
      {"1.0000000596046447753906251", 1.0 + 0x1p-24, one_up},
      {"1.000000059604644775390625", 1.0 + 0x1p-24, 1.0f},  // the halfway point: to even
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    double d = -7.0;
    float f = -7.0f;
    EXPECT_EQ(parse_real(c.text, d), c.as_double.has_value());
    EXPECT_EQ(d, c.as_double.value_or(-7.0));
    EXPECT_EQ(parse_real(c.text, f), c.as_float.has_value());
    EXPECT_EQ(f, c.as_float.value_or(-7.0f));
  }
}

TEST(ParseNumbers, IntegersTakeOneSignAndThe32BitRange) {
  std::int32_t i = 0;
  EXPECT_TRUE(parse_int32("-42", i));
  EXPECT_EQ(i, -42);
  EXPECT_TRUE(parse_int32("+42", i));
  EXPECT_EQ(i, 42);
  for (const char* bad : {"+-5", "-+5", "--5", "++5", "+", "-", "3.0", "99999999999"})
    EXPECT_FALSE(parse_int32(bad, i)) << bad;
}

TEST(ListReadUnits, AnUnconnectedUnitGivesAnErrorStatusAndCreatesNothing) {
  test::TempDir dir;
  UnitTable units;
  units.working_dir = dir.path();
  EXPECT_EQ(units.open(33, "missing.dat", OpenMode::old, UnitForm::text), io_status::file_not_found);
  std::int32_t v = 0;
  const std::int32_t st = read_list(units, 33, {v});
  EXPECT_GE(st, 2);
  EXPECT_LE(st, 99);
  std::string rec;
  EXPECT_EQ(units.read_record(33, rec), st);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.dat"));
}

}  // namespace
}  // namespace tb
