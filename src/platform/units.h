// The unit table: every file of a run is addressed by a fixed unit number.
//
// Text (formatted) units are read and written record by record; a record is
// one line, and a trailing carriage return of a line written on another system
// is dropped, as is a UTF-8 byte-order mark at the start of the file. A
// sequential write replaces everything after the current record.
// Binary units are raw byte streams of little-endian 32-bit values without
// record markers; opening one "unknown" or "old" never empties it, and a unit
// written in this run is cut to the end of what this run wrote when it is
// closed. A file that must hold nothing but what this run writes (a result
// file) is opened "replace": cut to empty at once, so that no byte of an
// earlier run survives whenever and however the run ends.
//
// Every status returned here is 0 (success), -1 (end of file) or an error
// number between 2 and 99. Writing to a unit that is not connected, or a failed
// write, raises PlatformError: such a failure ends the run.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tb {

namespace io_status {
inline constexpr std::int32_t ok = 0;
inline constexpr std::int32_t end_of_file = -1;
inline constexpr std::int32_t file_not_found = 2;    // opening "old" of a missing file
inline constexpr std::int32_t cannot_open = 3;       // any other failed opening
inline constexpr std::int32_t bad_value = 5;         // a text where a number is expected
inline constexpr std::int32_t not_connected = 9;     // read or positioning of a closed unit
inline constexpr std::int32_t wrong_form = 10;       // text read on a binary unit or vice versa
inline constexpr std::int32_t read_failed = 11;      // the file system refused a read
}  // namespace io_status

class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// unknown: an existing file as it stands, a missing one created empty; old:
// the file must exist; replace: the file created empty or cut to empty.
enum class OpenMode { unknown, old, replace };
enum class UnitForm { text, binary };

// A text unit: the file's records held in memory, written back when closed.
struct TextUnit {
  std::filesystem::path path;
  std::string name;  // as opened, before it was resolved against the working directory
  std::vector<std::string> records;
  // Index of the next record to read or write; records.size() + 1 once a
  // read has met the end of the file (past its end-of-file mark).
  std::size_t position = 0;
  bool modified = false;
  // Where the last read statement that met a value which is not a number of
  // its item's kind stopped: the line (1-based), the value as written (bytes
  // that do not print escaped as \xHH, cut to 40 characters) and what the
  // item needs ("not a number", "must be a whole number", ...).
  std::size_t bad_value_line = 0;
  std::string bad_value_text;
  std::string bad_value_problem;
  // The values that the last read statement which failed (a bad value or the
  // end of the file) had stored before it stopped: the 0-based position in
  // the statement of the value it could not take, which tells the entry of a
  // counted list that ran short.
  std::size_t failed_item = 0;
};

// A binary unit: a byte stream with its current position.
struct BinaryUnit {
  std::filesystem::path path;
  std::FILE* file = nullptr;
  std::uint64_t position = 0;
  std::uint64_t written_end = 0;  // end of the bytes this run wrote
  bool written = false;
  bool last_was_write = false;
  std::vector<char> buffer;
};

class UnitTable {
 public:
  UnitTable() = default;
  UnitTable(const UnitTable&) = delete;
  UnitTable& operator=(const UnitTable&) = delete;
  ~UnitTable();

  // Relative file names are resolved against this directory (the working
  // directory of the run).
  std::filesystem::path working_dir = ".";

  std::filesystem::path resolve(const std::string& name) const;

  // Opens a unit. "unknown" creates a missing file empty; "old" fails with
  // file_not_found and leaves the unit unconnected; "replace" starts from an
  // empty file whether or not one existed. A unit that is already connected
  // is closed first.
  std::int32_t open(std::int32_t unit, const std::string& name, OpenMode mode, UnitForm form);
  // Closes a unit; closing an unconnected unit does nothing.
  void close(std::int32_t unit);
  // Closes units 1, 2, ..., 200 in this order, then any other unit.
  void close_all();

  bool is_open(std::int32_t unit) const;

  // The name under which the last opening of a unit was tried, and its
  // status; kept when the opening failed and after the unit is closed, so
  // that a message can name the file. nullptr when the unit was never opened.
  struct OpenAttempt {
    std::string name;
    std::int32_t status = io_status::ok;
  };
  const OpenAttempt* last_open(std::int32_t unit) const;
  bool is_text(std::int32_t unit) const;
  bool is_binary(std::int32_t unit) const;

  std::int32_t rewind(std::int32_t unit);
  std::int32_t backspace(std::int32_t unit);

  // Text units. The caller gets the unit to read it record by record; nullptr
  // when the unit is not a connected text unit.
  TextUnit* text(std::int32_t unit);
  const TextUnit* text(std::int32_t unit) const;
  // Reads the next record whole (the An read); -1 at the end of the file.
  std::int32_t read_record(std::int32_t unit, std::string& record);
  // Writes one record at the current position, dropping what followed it.
  void write_record(std::int32_t unit, std::string_view record);
  // Writes text that may hold several records separated by '\n' (a trailing
  // '\n' ends the last record).
  void write_records(std::int32_t unit, std::string_view text);

  // Binary units.
  void write_bytes(std::int32_t unit, const void* bytes, std::size_t count);
  void write_i32(std::int32_t unit, std::int32_t value);
  void write_f32(std::int32_t unit, float value);
  void write_f32s(std::int32_t unit, std::span<const float> values);
  // Overwrites the value written at byte_offset (a header count that has
  // changed since) and goes on writing where it stood.
  void rewrite_f32(std::int32_t unit, std::uint64_t byte_offset, float value);
  // The byte offset at which the next read or write of a connected binary
  // unit takes place.
  std::uint64_t byte_position(std::int32_t unit) const;
  std::int32_t read_bytes(std::int32_t unit, void* bytes, std::size_t count);
  std::int32_t read_i32(std::int32_t unit, std::int32_t& value);
  std::int32_t read_f32(std::int32_t unit, float& value);
  std::int32_t read_f32s(std::int32_t unit, std::span<float> values);

 private:
  struct Unit {
    UnitForm form = UnitForm::text;
    TextUnit text;
    BinaryUnit binary;
  };
  Unit* find(std::int32_t unit);
  const Unit* find(std::int32_t unit) const;
  BinaryUnit& binary_for_write(std::int32_t unit);
  std::int32_t open_unit(std::int32_t unit, const std::string& name, OpenMode mode, UnitForm form);
  void close_unit(Unit& u);

  std::map<std::int32_t, std::unique_ptr<Unit>> units_;
  std::map<std::int32_t, OpenAttempt> attempts_;
};

}  // namespace tb
