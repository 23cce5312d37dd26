// Free-format (list-directed) reading of text units.
//
// One read statement begins at the unit's next record, takes its values from
// as many records as it needs and drops the rest of its last record. Values are
// separated by blanks, tabs or commas; r*v repeats a value r times. Texts are
// single words or quoted strings. Reals take the Fortran forms as well: a D
// (or Q) exponent, and a signed exponent without its letter (1.0-4).
//
// Null values (two commas with only blanks between them, a comma that begins
// a record's values, r* for r null values) and a slash (which ends the
// statement) leave items without a value. Only a read that allows them keeps
// such items at their contents; every other read refuses them like a value
// that is not a number: a file that gives no value where a value is needed
// would otherwise run on whatever the item held.
//
// The first value that cannot be read ends the statement with error status
// io_status::bad_value and leaves that item and all later ones unchanged; the
// next statement then begins at the record after the one that held the bad
// value; the unit keeps that value, its line and what the item needed
// (TextUnit::bad_value_text, bad_value_line, bad_value_problem) for the
// message. Running out of records returns -1 (end of file). Either way the
// unit keeps the position in the statement of the value that was not taken
// (TextUnit::failed_item), so that a message can name the entry of a list.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "platform/units.h"

namespace tb {

// One destination of a read: a single variable or a strided run of elements.
struct ReadTarget {
  // flag: a 32-bit integer that takes 0 or 1 only.
  enum class Kind { i32, flag, f32, f64, text };
  Kind kind;
  void* ptr;
  std::size_t count;
  std::ptrdiff_t stride;  // in elements

  ReadTarget(std::int32_t& v) : kind(Kind::i32), ptr(&v), count(1), stride(1) {}
  ReadTarget(float& v) : kind(Kind::f32), ptr(&v), count(1), stride(1) {}
  ReadTarget(double& v) : kind(Kind::f64), ptr(&v), count(1), stride(1) {}
  ReadTarget(std::string& v) : kind(Kind::text), ptr(&v), count(1), stride(1) {}
  ReadTarget(std::span<std::int32_t> v) : kind(Kind::i32), ptr(v.data()), count(v.size()), stride(1) {}
  ReadTarget(std::span<float> v) : kind(Kind::f32), ptr(v.data()), count(v.size()), stride(1) {}

  // count elements starting at first, stride elements apart (for instance the
  // six components of mode_shapes(k, n, 1..6), which lie stride(3) apart).
  static ReadTarget ints(std::int32_t* first, std::size_t count, std::ptrdiff_t stride = 1) {
    return ReadTarget(Kind::i32, first, count, stride);
  }
  static ReadTarget reals(float* first, std::size_t count, std::ptrdiff_t stride = 1) {
    return ReadTarget(Kind::f32, first, count, stride);
  }
  // A switch of the file: any value other than 0 or 1 is a bad value.
  static ReadTarget flag(std::int32_t& v) { return ReadTarget(Kind::flag, &v, 1, 1); }

 private:
  ReadTarget(Kind k, void* p, std::size_t n, std::ptrdiff_t s) : kind(k), ptr(p), count(n), stride(s) {}
};

// Whether a read keeps the items that null values or a slash leave without a
// value at their contents (a file whose records have documented defaults), or
// refuses them.
enum class NullValues { refused, keep_contents };

// Executes one list-directed read statement on a text unit.
std::int32_t read_list(UnitTable& units, std::int32_t unit, std::initializer_list<ReadTarget> targets,
                       NullValues nulls = NullValues::refused);
std::int32_t read_list(UnitTable& units, std::int32_t unit, std::span<const ReadTarget> targets,
                       NullValues nulls = NullValues::refused);

// Reads one record and keeps its first `width` characters (the An read; the
// blank padding of a shorter record is implicit).
std::int32_t read_text_record(UnitTable& units, std::int32_t unit, std::string& text,
                              std::size_t width);

// Whether the value at which the last read of `unit` stopped as not a number
// stands on a line whose first `count` values read as numbers: a record of a
// table that holds a malformed value, rather than a line of text that ends
// the table.
bool failed_in_data_record(UnitTable& units, std::int32_t unit, std::size_t count);

// The most values that the reads of `unit` can still take from its records,
// from its current position to its end: every word, every null value and r
// for each r*v. A count of records that asks for more than this cannot be
// read from the file, whatever the records hold.
std::int64_t values_left(const UnitTable& units, std::int32_t unit);

// The number of values at the start of record `line` (1-based) of `unit`
// that read as numbers (r*v counts r).
std::size_t leading_value_count(const UnitTable& units, std::int32_t unit, std::size_t line);

// The line of `unit` on which its last read statement ended: the line of the
// last record it took (0 before any read).
std::size_t last_read_line(const UnitTable& units, std::int32_t unit);

// A text of a file for a message: every byte that does not print (control
// characters, NUL, bytes beyond ASCII such as a byte-order mark) written as
// \xHH, the whole cut to max_length characters with "..." when it is longer.
std::string printable_text(std::string_view text, std::size_t max_length);

// Conversions of one free-format value; false (and the value unchanged) when
// the token is not a number of that kind. No infinity or NaN is accepted.
bool parse_int32(std::string_view token, std::int32_t& value);

// A real into a float or a double, rounded once from the decimal text to that
// kind. A value too small for the kind reads as zero; one too large is not a
// number of that kind.
template <typename Real>
  requires std::same_as<Real, float> || std::same_as<Real, double>
bool parse_real(std::string_view token, Real& value);

}  // namespace tb
