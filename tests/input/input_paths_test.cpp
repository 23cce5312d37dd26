#include "input/input_paths.h"

#include <gtest/gtest.h>

namespace tb {
namespace {

TEST(InputFileName, JoinsWithThePlatformSeparator) {
  RunControl rc;
  rc.input_path = "case\\dir   ";
  EXPECT_EQ(input_file_name(rc, "\\Rails_Location.dat"), "case/dir/Rails_Location.dat");
  rc.input_path = "  lead";
  EXPECT_EQ(input_file_name(rc, "\\a.dat"), "  lead/a.dat");
  rc.input_path = "";
  EXPECT_EQ(input_file_name(rc, "\\a.dat"), "a.dat");  // the working directory, not the root
}

}  // namespace
}  // namespace tb
