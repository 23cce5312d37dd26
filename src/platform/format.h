// Fixed-width formatted output with edit descriptors.
//
// A layout such as "(1X,I5,17X,A80)" is applied to a list of values:
//   Iw, Iw.m   integer right-aligned in w columns (at least m digits)
//   Fw.d       fixed point, d decimals
//   Ew.d       exponent form 0.ddddE+ee with d significant digits
//   Ew.dEe     the same with e exponent digits
//   Aw, A      text (right-aligned when shorter than w, cut when longer)
//   nX         n blanks;  'text' or "text"  a literal;  /  a new record
//   n(...)     a repeated group; a repeat count n before I, F, E, A
// A value too wide for its field is written as w asterisks. When the values
// run out, output stops at the next value descriptor (literals before it are
// still written). When the layout ends and values remain, a new record starts
// and the layout is taken again from its last top-level group (or from its
// beginning), so "(3E15.5)" writes three values per record.
//
// Texts are byte strings; Chinese texts are held as GBK bytes, so a field width
// counts two columns for each Chinese character.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tb {

struct FmtArg {
  enum class Kind { integer, real, text };
  Kind kind;
  std::int64_t i = 0;
  double r = 0.0;
  std::string_view s;

  FmtArg(int v) : kind(Kind::integer), i(v) {}
  FmtArg(long v) : kind(Kind::integer), i(v) {}
  FmtArg(long long v) : kind(Kind::integer), i(v) {}
  FmtArg(float v) : kind(Kind::real), r(static_cast<double>(v)) {}
  FmtArg(double v) : kind(Kind::real), r(v) {}
  FmtArg(const char* v) : kind(Kind::text), s(v) {}
  FmtArg(std::string_view v) : kind(Kind::text), s(v) {}
  FmtArg(const std::string& v) : kind(Kind::text), s(v) {}
};

// Applies the layout to the values; every record of the result ends in '\n'.
std::string format_records(std::string_view layout, std::span<const FmtArg> args);
std::string format_records(std::string_view layout, std::initializer_list<FmtArg> args);

// One list-directed output line (without its '\n'): a leading blank, texts as
// they stand, each number after one blank in a default form.
std::string list_directed_line(std::span<const FmtArg> args);
std::string list_directed_line(std::initializer_list<FmtArg> args);

// Single fields, as the descriptors above write them.
std::string format_integer(std::int64_t v, int w, int m = -1);
std::string format_fixed(double v, int w, int d);
std::string format_exponent(double v, int w, int d, int e = -1);
std::string format_text(std::string_view s, int w);

}  // namespace tb
