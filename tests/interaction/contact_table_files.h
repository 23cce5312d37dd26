// The contact tables of the tests: a "Geometry.dat" written here for a
// conical wheel profile (or any other quantity values), and the
// "WormCoeefficient.dat" fixture with the published Hertz and Kalker
// coefficients (tests/interaction/data, sources in its header records and in
// worm_coefficients.py beside it).
#pragma once

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "interaction/contact_tables.h"
#include "test_support.h"

namespace tb::test {

inline std::filesystem::path coefficient_fixture() {
  return std::filesystem::path(TRAINBRIDGE_SOURCE_DIR) / "tests/interaction/data/WormCoeefficient.dat";
}

// Layout of a "Geometry.dat": `blocks` blocks (20 in a complete file), each
// a comment record, the header with 21 yaw values and 241 rows.
struct GeometryFile {
  std::function<double(int quantity, int row, int yaw_column)> value;
  std::function<double(int quantity, int row)> offset = [](int, int row) { return -0.012 + (row - 1) * 1.0E-4; };
  int blocks = 20;
};

inline std::string geometry_text(const GeometryFile& f) {
  std::string s = "Contact geometry table\nfirst quantity: roll angle, deltay in m, phi in degrees\n";
  char buf[64];
  for (int q = 1; q <= f.blocks; ++q) {
    s += "quantity " + std::to_string(q) + "\n";
    s += "deltay   phi=";
    for (int c = 1; c <= 21; ++c) s += " " + std::to_string(c - 11);
    s += "\n";
    for (int r = 1; r <= 241; ++r) {
      std::snprintf(buf, sizeof buf, "%.4f", f.offset(q, r));
      s += buf;
      for (int c = 1; c <= 21; ++c) {
        std::snprintf(buf, sizeof buf, " %.9g", f.value(q, r, c));
        s += buf;
      }
      s += "\n";
    }
  }
  return s;
}

// A conical wheel profile of conicity 0.05 on rails of 0.3 m head radius,
// contacts 0.75 m either side of the pair's centre, against the lateral
// offset y of the pair: rolling radii 0.42 +/- 0.05*y, contact angles
// atan(0.05), a flat tread (transverse radius 1.0E6 m), roll 0.05*y/0.75.
// Yaw columns other than the middle one differ, so that reading the wrong
// column shows.
inline constexpr double kConicity = 0.05;
inline constexpr double kRadToDeg = 57.29577951308232;

inline double conical_quantity(int q, double y) {
  switch (q) {
    case 1: return kConicity * y / 0.75 * kRadToDeg;
    case 4: return 2.0 * kConicity * y;
    case 10: return 0.42 + kConicity * y;
    case 17: return 0.42 - kConicity * y;
    case 11: case 18: return std::atan(kConicity) * kRadToDeg;
    case 12: case 19: return 1.0E6;
    case 13: case 20: return 0.3;
    default: return 0.001 * q;
  }
}

inline const std::string& conical_geometry_text() {
  static const std::string text = geometry_text(
      {[](int q, int r, int c) { return conical_quantity(q, -0.012 + (r - 1) * 1.0E-4) + 0.01 * (c - 11); }});
  return text;
}

// Writes both tables into dir, as a run finds them in its working directory.
inline void write_contact_tables(const std::filesystem::path& dir) {
  write_file(dir / "Geometry.dat", conical_geometry_text());
  std::filesystem::copy_file(coefficient_fixture(), dir / "WormCoeefficient.dat",
                             std::filesystem::copy_options::overwrite_existing);
}

// Reads both tables into the context, as run control does at start-up.
inline void load_contact_tables(TestContext& t) {
  write_contact_tables(t.dir.path());
  t->units.open(t->control.unit_worm_coefficients, "WormCoeefficient.dat", OpenMode::old, UnitForm::text);
  read_contact_geometry_table(*t);
  read_contact_coefficient_table(*t);
}

}  // namespace tb::test
