// Free-format (list-directed) reading of text units.
//
// One read statement begins at the unit's next record, takes its values from
// as many records as it needs and drops the rest of its last record. Values are
// separated by blanks, tabs or commas; two commas with only blanks between
// them give a null value (the item keeps its contents); r*v repeats a value r
// times and r* gives r null values; a slash ends the statement, leaving the
// remaining items unchanged. Texts are single words or quoted strings.
//
// The first value that cannot be read ends the statement with error status
// io_status::bad_value and leaves that item and all later ones unchanged; the
// next statement then begins at the record after the one that held the bad
// value; the unit keeps that value and its line (TextUnit::bad_value_text,
// bad_value_line) for the message. Running out of records returns -1 (end of
// file).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "platform/units.h"

namespace tb {

// One destination of a read: a single variable or a strided run of elements.
struct ReadTarget {
  enum class Kind { i32, f32, f64, text };
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

 private:
  ReadTarget(Kind k, void* p, std::size_t n, std::ptrdiff_t s) : kind(k), ptr(p), count(n), stride(s) {}
};

// Executes one list-directed read statement on a text unit.
std::int32_t read_list(UnitTable& units, std::int32_t unit, std::initializer_list<ReadTarget> targets);
std::int32_t read_list(UnitTable& units, std::int32_t unit, std::span<const ReadTarget> targets);

// Reads one record and keeps its first `width` characters (the An read; the
// blank padding of a shorter record is implicit).
std::int32_t read_text_record(UnitTable& units, std::int32_t unit, std::string& text,
                              std::size_t width);

// Whether the value at which the last read of `unit` stopped as not a number
// stands on a line whose first `count` values read as numbers: a record of a
// table that holds a malformed value, rather than a line of text that ends
// the table.
bool failed_in_data_record(UnitTable& units, std::int32_t unit, std::size_t count);

// Conversions of one free-format value; false when the token is not a number
// of that kind (or out of range). No infinity or NaN is accepted.
bool parse_int32(std::string_view token, std::int32_t& value);
bool parse_real(std::string_view token, double& value);
bool parse_float(std::string_view token, float& value);

}  // namespace tb
