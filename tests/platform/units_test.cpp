#include "platform/units.h"

#include "platform/list_read.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace tb {
namespace {

class UnitsTest : public ::testing::Test {
 protected:
  UnitsTest() { units.working_dir = dir.path(); }
  test::TempDir dir;
  UnitTable units;
};

TEST_F(UnitsTest, UnknownCreatesAnEmptyFileAndNeverTruncates) {
  EXPECT_EQ(units.open(4, "new.dat", OpenMode::unknown, UnitForm::text), 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "new.dat"));
  std::string rec;
  EXPECT_EQ(units.read_record(4, rec), io_status::end_of_file);
  units.close(4);
  test::write_file(dir / "old.dat", "a\r\nb\n");
  EXPECT_EQ(units.open(4, "old.dat", OpenMode::unknown, UnitForm::text), 0);
  EXPECT_EQ(units.read_record(4, rec), 0);
  EXPECT_EQ(rec, "a");  // the carriage return of another system is dropped
  units.close(4);
  EXPECT_EQ(test::read_file(dir / "old.dat"), "a\r\nb\n");  // untouched when nothing was written
}

// A UTF-8 byte-order mark that an editor wrote before the first record is no
// part of it; the same bytes anywhere else are the record's.
TEST_F(UnitsTest, AByteOrderMarkAtTheStartOfAFileIsSkipped) {
  const struct {
    const char* content;
    std::vector<std::string> records;
  } cases[] = {
      {"\xEF\xBB\xBF" "1 2\r\n3\n", {"1 2", "3"}},
      {"\xEF\xBB\xBF", {}},
      {"1\n\xEF\xBB\xBF" "2\n", {"1", "\xEF\xBB\xBF" "2"}},
      {"\xEF\xBB" "1\n", {"\xEF\xBB" "1"}},
  };
  for (const auto& c : cases) {
    test::write_file(dir / "bom.dat", c.content);
    ASSERT_EQ(units.open(4, "bom.dat", OpenMode::old, UnitForm::text), 0);
    EXPECT_EQ(units.text(4)->records, c.records) << c.content;
    units.close(4);
  }
}

TEST_F(UnitsTest, ReplaceStartsFromAnEmptyFileWhetherOrNotOneExisted) {
  for (UnitForm form : {UnitForm::binary, UnitForm::text}) {
    SCOPED_TRACE(form == UnitForm::binary ? "binary" : "text");
    test::write_file(dir / "earlier.bin", "bytes of an earlier run");
    std::filesystem::remove(dir / "new.bin");
    EXPECT_EQ(units.open(37, "earlier.bin", OpenMode::replace, form), 0);
    EXPECT_EQ(units.open(38, "new.bin", OpenMode::replace, form), 0);
    float v = 0.0f;
    std::string rec;
    if (form == UnitForm::binary)
      EXPECT_EQ(units.read_f32(37, v), io_status::end_of_file);
    else
      EXPECT_EQ(units.read_record(37, rec), io_status::end_of_file);
    units.close_all();  // nothing written: the files stay empty
    EXPECT_EQ(std::filesystem::file_size(dir / "earlier.bin"), 0u);
    EXPECT_EQ(std::filesystem::file_size(dir / "new.bin"), 0u);
  }
}

TEST_F(UnitsTest, WritesAfterRewindReplaceTheWholeFileAndBackspaceStepsBack) {
  test::write_file(dir / "p.dat", "1\n2\n3\n4\n");
  ASSERT_EQ(units.open(10, "p.dat", OpenMode::unknown, UnitForm::text), 0);
  std::string rec;
  units.read_record(10, rec);
  units.read_record(10, rec);
  EXPECT_EQ(units.backspace(10), 0);
  units.read_record(10, rec);
  EXPECT_EQ(rec, "2");
  // Past the end, one step back stands before the end-of-file mark, two
  // steps back before the last record; a free-format read alike.
  for (std::string_view how : {"record", "list"}) {
    std::int32_t value = 0;
    auto read = [&] { return how == "record" ? units.read_record(10, rec) : read_list(units, 10, {value}); };
    while (read() == 0) {
    }
    EXPECT_EQ(units.backspace(10), 0);
    EXPECT_EQ(read(), io_status::end_of_file) << how;
    EXPECT_EQ(units.backspace(10), 0);
    EXPECT_EQ(units.backspace(10), 0);
    EXPECT_EQ(read(), 0) << how;
    EXPECT_TRUE(rec == "4" || value == 4) << how;
  }
  units.rewind(10);
  units.write_record(10, "x");
  units.write_records(10, "y\nz\n");
  units.close(10);
  EXPECT_EQ(test::read_file(dir / "p.dat"), "x\ny\nz\n");
  units.close(10);  // closing an unconnected unit does nothing
}

TEST_F(UnitsTest, PositioningAnUnconnectedUnitIsAnErrorAndCreatesNothing) {
  EXPECT_EQ(units.open(33, "WormCoeefficient.dat", OpenMode::old, UnitForm::text), io_status::file_not_found);
  EXPECT_FALSE(units.is_open(33));
  EXPECT_EQ(units.rewind(33), io_status::not_connected);
  EXPECT_EQ(units.backspace(33), io_status::not_connected);
  EXPECT_FALSE(std::filesystem::exists(dir / "WormCoeefficient.dat"));
  EXPECT_THROW(units.write_record(33, "x"), PlatformError);
}

TEST_F(UnitsTest, BinaryUnitsWriteLittleEndianAndKeepExactlyWhatThisRunWrote) {
  // An earlier, longer run's file.
  test::write_file(dir / "r.bin", std::string(40, '\x7f'));
  ASSERT_EQ(units.open(12, "r.bin", OpenMode::unknown, UnitForm::binary), 0);
  units.write_i32(12, 0x01020304);
  const float vals[2] = {1.0f, -2.0f};
  units.write_f32s(12, vals);
  units.close(12);
  const std::string bytes = test::read_file(dir / "r.bin");
  ASSERT_EQ(bytes.size(), 12u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x04\x03\x02\x01", 4));
  EXPECT_EQ(bytes.substr(4, 4), std::string("\x00\x00\x80\x3f", 4));

  // A unit that this run only reads is left as it is.
  ASSERT_EQ(units.open(36, "r.bin", OpenMode::unknown, UnitForm::binary), 0);
  std::int32_t i = 0;
  float f[2] = {};
  EXPECT_EQ(units.read_i32(36, i), 0);
  EXPECT_EQ(i, 0x01020304);
  EXPECT_EQ(units.read_f32s(36, f), 0);
  EXPECT_EQ(f[1], -2.0f);
  EXPECT_EQ(units.read_i32(36, i), io_status::end_of_file);
  units.rewind(36);
  EXPECT_EQ(units.read_i32(36, i), 0);
  units.close(36);
  EXPECT_EQ(test::read_file(dir / "r.bin").size(), 12u);
}

TEST_F(UnitsTest, ARewrittenValueChangesInPlaceAndWritingGoesOnWhereItStood) {
  ASSERT_EQ(units.open(36, "r.bin", OpenMode::replace, UnitForm::binary), 0);
  const float head[3] = {1.0f, 2.0f, 3.0f};
  units.write_f32s(36, head);
  EXPECT_EQ(units.byte_position(36), 12u);
  units.rewrite_f32(36, 4, 7.0f);
  EXPECT_EQ(units.byte_position(36), 12u);
  units.write_f32(36, 4.0f);
  // Read back on the same unit, as the response recovery reads the modal
  // coordinates it has just written.
  units.rewind(36);
  float back[4] = {};
  EXPECT_EQ(units.read_f32s(36, back), 0);
  EXPECT_EQ(std::vector<float>(back, back + 4), (std::vector<float>{1.0f, 7.0f, 3.0f, 4.0f}));
  units.close(36);
  EXPECT_EQ(test::read_file(dir / "r.bin").size(), 16u);
}

TEST_F(UnitsTest, CloseAllClosesEveryUnitAndFlushesText) {
  units.open(1, "a.dat", OpenMode::unknown, UnitForm::text);
  units.open(200, "b.dat", OpenMode::unknown, UnitForm::text);
  units.write_record(200, "kept");
  units.close_all();
  EXPECT_FALSE(units.is_open(1));
  EXPECT_FALSE(units.is_open(200));
  EXPECT_EQ(test::read_file(dir / "b.dat"), "kept\n");
}

}  // namespace
}  // namespace tb
