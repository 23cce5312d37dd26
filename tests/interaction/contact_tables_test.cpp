#include "interaction/contact_tables.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "interaction/contact_table_files.h"
#include "test_support.h"

namespace tb {
namespace {

// Quantity q holds 0.001*q in the middle yaw column and 0.5 more per column
// away from it, except the converted quantities: radii of 0.45 m and angles
// of 90 degrees.
double block_value(int q, int, int c) {
  double base = 0.001 * q;
  if (q == 10 || q == 17) base = 0.45;
  if (q == 1 || q == 11 || q == 18) base = 90.0;
  return base + 0.5 * (c - 11);
}

TEST(ContactGeometryTable, ReadsEveryBlockAfterItsHeaderAndConverts) {
  test::TestContext t;
  test::GeometryFile f{block_value};
  f.offset = [](int q, int r) { return 0.001 * q - 0.012 + (r - 1) * 1.0E-4; };  // every block its own offsets
  // A header with a single blank between its words is a comment line.
  test::write_file(t.dir / "Geometry.dat", "deltay phi= 1 2 3\n" + test::geometry_text(f));
  read_contact_geometry_table(*t);
  const ContactGeometryTable& g = t->contact_geometry;
  EXPECT_FLOAT_EQ(g.contact_geometry(1, 11, 10), 0.03f);
  EXPECT_FLOAT_EQ(g.contact_geometry(241, 11, 17), 0.03f);
  EXPECT_FLOAT_EQ(g.contact_geometry(5, 11, 11), 1.5707963f);
  EXPECT_FLOAT_EQ(g.contact_geometry(5, 11, 1), 1.5707963f);
  EXPECT_FLOAT_EQ(g.contact_geometry(5, 1, 18), (90.0f - 5.0f) * 0.017453292f);
  EXPECT_FLOAT_EQ(g.contact_geometry(7, 21, 10), 0.45f + 5.0f - 0.42f);
  EXPECT_FLOAT_EQ(g.contact_geometry(7, 11, 13), 0.013f);
  EXPECT_FLOAT_EQ(g.contact_geometry(241, 11, 20), 0.020f);
  // The offsets and yaw values are those of the last block.
  EXPECT_FLOAT_EQ(g.geometry_offsets(1), 0.020f - 0.012f);
  EXPECT_FLOAT_EQ(g.geometry_yaw_angles(1), -10.0f);
  EXPECT_FLOAT_EQ(g.geometry_yaw_angles(21), 10.0f);
  EXPECT_FALSE(t->units.is_open(t->control.unit_geometry));
  EXPECT_EQ(t.console(), "");
}

TEST(ContactGeometryTable, ARowThatCannotBeReadStopsWithItsLineAndValue) {
  test::TestContext t;
  std::string text = test::conical_geometry_text();
  // Row 3 of the first block: its sixth value is not a number.
  std::size_t at = text.find("deltay   phi=");
  const std::size_t header_line = static_cast<std::size_t>(std::count(text.begin(), text.begin() + at, '\n')) + 1;
  for (int k = 0; k < 3; ++k) at = text.find('\n', at) + 1;
  std::size_t value = at;
  for (int k = 0; k < 6; ++k) value = text.find(' ', value) + 1;
  text.insert(value, "x");
  const std::string bad = text.substr(value, text.find(' ', value) - value);
  test::write_file(t.dir / "Geometry.dat", text);
  EXPECT_EQ(test::expect_stop([&] { read_contact_geometry_table(*t); }), 1);
  EXPECT_EQ(t.console(),
            test::data_error_line("Geometry.dat", "Geometry.dat line " + std::to_string(header_line + 3) +
                                                      " (block 1, row 3): bad value \"" + bad + "\", not a number"));
}

TEST(ContactGeometryTable, IncompleteFilesStopWithTheDataError) {
  const std::string complete = test::conical_geometry_text();
  test::GeometryFile first_nineteen{block_value};
  first_nineteen.blocks = 19;
  const std::string nineteen = test::geometry_text(first_nineteen);
  std::string short_last_row = complete.substr(0, complete.size() - 1);
  short_last_row.erase(short_last_row.rfind(' '));
  const auto lines = [](const std::string& s) { return std::to_string(std::count(s.begin(), s.end(), '\n')); };
  struct Case {
    const char* what;
    bool present;
    std::string text;
    std::string detail;
  };
  const Case cases[] = {
      {"missing file", false, "", "Geometry.dat: file not found"},
      {"no header for block 20", true, nineteen,
       "Geometry.dat: the file ends after line " + lines(nineteen) +
           " without the \"deltay   phi=\" header of block 20"},
      {"header of block 20 but no rows", true, nineteen + "deltay   phi= 0\n",
       "Geometry.dat (block 20, header): the file ends after line " + lines(nineteen + "-\n") +
           " before this record is complete"},
      {"last row short", true, short_last_row,
       "Geometry.dat (block 20, row 241): the file ends after line " + lines(short_last_row + "\n") +
           " before this record is complete"},
  };
  for (const Case& c : cases) {
    test::TestContext t;
    if (c.present) test::write_file(t.dir / "Geometry.dat", c.text);
    EXPECT_EQ(test::expect_stop([&] { read_contact_geometry_table(*t); }), 1) << c.what;
    EXPECT_EQ(t.console(), test::data_error_line("Geometry.dat", c.detail)) << c.what;
  }
}

std::string coefficient_rows(int per_record) {
  const std::string fixture = test::read_file(test::coefficient_fixture());
  std::string values;
  std::size_t pos = fixture.find('\n', fixture.find('\n') + 1) + 1;  // after the two titles
  std::string out;
  int n = 0;
  for (std::size_t k = pos; k < fixture.size(); ++k) {
    const char ch = fixture[k];
    if (ch == ' ' || ch == '\n') {
      if (!values.empty()) {
        out += values + (++n % per_record == 0 ? "\n" : " ");
        values.clear();
      }
    } else {
      values += ch;
    }
  }
  return out + "\n";
}

TEST(ContactCoefficientTable, SkipsTwoRecordsAndReadsFreeFormat) {
  for (int per_record : {7, 10, 392}) {
    test::TestContext t;
    test::write_file(t.dir / "WormCoeefficient.dat", "1 2 3 4 5 6 7\n8\n" + coefficient_rows(per_record));
    t->units.open(33, "WormCoeefficient.dat", OpenMode::old, UnitForm::text);
    read_contact_coefficient_table(*t);
    const Array2<float>& c = t->contact_coefficients.contact_coefficients;
    EXPECT_FLOAT_EQ(c(1, 1), 0.11625f) << per_record;
    EXPECT_FLOAT_EQ(c(1, 2), 3.874f);
    EXPECT_FLOAT_EQ(c(1, 7), 0.5302f);
    EXPECT_FLOAT_EQ(c(28, 4), 4.1426f);
    EXPECT_FLOAT_EQ(c(56, 1), 3.88375f);
    EXPECT_FLOAT_EQ(c(56, 7), 8.0574f);
    EXPECT_FALSE(t->units.is_open(33));
  }
}

TEST(ContactCoefficientTable, MissingShortOrUnorderedTablesStop) {
  // The data-error line keeps its label; the line after it names the file
  // as it is called.
  const std::string rows = coefficient_rows(7);
  std::string unordered = rows;
  unordered.replace(unordered.find("0.18475"), 7, "0.11625");  // rows 1 and 2 share their argument
  struct Case {
    const char* what;
    bool present;
    std::string text;
    std::string detail;
  };
  const Case cases[] = {
      {"missing file", false, "", "WormCoeefficient.dat: file not found"},
      {"one title line only", true, "a\n",
       "WormCoeefficient.dat (title line 2): the file ends after line 1 before "
       "this record is complete"},
      {"55 rows", true, "a\nb\n" + rows.substr(0, rows.rfind('\n', rows.size() - 3) + 1),
       "WormCoeefficient.dat (the 56 rows of 7 values): the file ends after line 57 before this record is complete"},
      {"a value that is not a number", true, "a\nb\nx " + rows,
       "WormCoeefficient.dat line 3 (the 56 rows of 7 values): bad value \"x\", not a number"},
      {"equal arguments", true, "a\nb\n" + unordered,
       "WormCoeefficient.dat (row 2): bad value argument 0.11625, must be above the row before's 0.11625"},
  };
  for (const Case& c : cases) {
    test::TestContext t;
    if (c.present) test::write_file(t.dir / "WormCoeefficient.dat", c.text);
    t->units.open(33, "WormCoeefficient.dat", OpenMode::old, UnitForm::text);
    EXPECT_EQ(test::expect_stop([&] { read_contact_coefficient_table(*t); }), 1) << c.what;
    EXPECT_EQ(t.console(), test::data_error_line("WormCoeefficient.DAT", c.detail)) << c.what;
  }
}

}  // namespace
}  // namespace tb
