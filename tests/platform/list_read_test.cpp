#include "platform/list_read.h"

#include <gtest/gtest.h>

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
  load("1,,3\t4\n2*7 2* 9\n5 / 6\n'a b' word 1.5D2 -2.0-1\r\n");
  std::int32_t v[4] = {0, -1, 0, 0};
  EXPECT_EQ(read_list(units, 7, {std::span<std::int32_t>(v, 4)}), 0);
  EXPECT_EQ(v[0], 1);
  EXPECT_EQ(v[1], -1);  // null value: unchanged
  EXPECT_EQ(v[2], 3);
  EXPECT_EQ(v[3], 4);
  std::int32_t w[5] = {0, 0, -1, -1, 0};
  EXPECT_EQ(read_list(units, 7, {std::span<std::int32_t>(w, 5)}), 0);
  EXPECT_EQ(w[0], 7);
  EXPECT_EQ(w[1], 7);
  EXPECT_EQ(w[2], -1);
  EXPECT_EQ(w[3], -1);
  EXPECT_EQ(w[4], 9);
  std::int32_t x = 0, y = -3;
  EXPECT_EQ(read_list(units, 7, {x, y}), 0);
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

TEST(ParseNumbers, AcceptsFortranFormsAndRejectsTheRest) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  };
  const Case cases[] = {{"1.0E-4", true, 1.0e-4}, {"+3", true, 3}, {".5", true, 0.5}, {"5.", true, 5},
                        {"2d3", true, 2000},      {"1.5-2", true, 0.015}, {"E5", false, 0},
                        {"NaN", false, 0},        {"Inf", false, 0},  {"1e999", false, 0},
                        {"1e-999", true, 0},      {"1.2.3", false, 0}, {"!x", false, 0}};
  for (const Case& c : cases) {
    double v = -1;
    EXPECT_EQ(parse_real(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
  std::int32_t i = 0;
  EXPECT_TRUE(parse_int32("-42", i));
  EXPECT_EQ(i, -42);
  EXPECT_FALSE(parse_int32("3.0", i));
  EXPECT_FALSE(parse_int32("99999999999", i));
  float f = 0;
  EXPECT_FALSE(parse_float("1e39", f));  // beyond single precision
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
