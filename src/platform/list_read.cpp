#include "platform/list_read.h"

#include <algorithm>
#include <charconv>
#include <concepts>
#include <limits>
#include <vector>

namespace tb {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool ends_word(char c) { return is_blank(c) || c == ',' || c == '/'; }

// Rewrites a Fortran real (optional sign, D or E exponent, or a bare signed
// exponent as in 1.0-4) into the form from_chars accepts. False when the text
// is not a real number.
bool normalise_real(std::string_view tok, std::string& out) {
  out.clear();
  std::size_t i = 0;
  if (i < tok.size() && (tok[i] == '+' || tok[i] == '-')) {
    if (tok[i] == '-') out.push_back('-');
    ++i;
  }
  std::size_t digits = 0;
  while (i < tok.size() && tok[i] >= '0' && tok[i] <= '9') out.push_back(tok[i++]), ++digits;
  if (i < tok.size() && tok[i] == '.') {
    out.push_back(tok[i++]);
    while (i < tok.size() && tok[i] >= '0' && tok[i] <= '9') out.push_back(tok[i++]), ++digits;
  }
  if (digits == 0) return false;
  if (i == tok.size()) return true;
  const char e = tok[i];
  if (e == 'e' || e == 'E' || e == 'd' || e == 'D' || e == 'q' || e == 'Q') {
    ++i;
  } else if (e != '+' && e != '-') {
    return false;
  }
  out.push_back('e');
  if (i < tok.size() && (tok[i] == '+' || tok[i] == '-')) out.push_back(tok[i++]);
  std::size_t exp_digits = 0;
  while (i < tok.size() && tok[i] >= '0' && tok[i] <= '9') out.push_back(tok[i++]), ++exp_digits;
  return exp_digits > 0 && i == tok.size();
}

// Whether a real as normalise_real writes it (sign, digits with at most one
// point, 'e' and a signed exponent) lies below 1 in magnitude, judged from its
// text: of the values beyond the range of a kind, those below 1 are too small
// for it and the others too large, whether the digits or the exponent carry
// the magnitude (1.0e-400 or 0.000...01, 1.0e400 or 1000...0.0).
bool below_one(std::string_view norm) {
  const std::size_t e = std::min(norm.find('e'), norm.size());
  const std::size_t first = norm.find_first_of("123456789");
  if (first >= e) return true;  // zero
  const std::size_t point = std::min(norm.find('.'), e);
  // The power of ten of the first digit that is not zero.
  const auto place = [](std::size_t at) { return static_cast<std::int64_t>(at); };
  const std::int64_t lead = first < point ? place(point) - place(first) - 1 : place(point) - place(first);
  // The exponent, held at a bound far beyond any range and any count of
  // digits, so that a long one cannot overflow.
  constexpr std::int64_t bound = std::int64_t{1} << 40;
  std::int64_t exponent = 0;
  std::size_t i = e + 1;
  const bool negative = i < norm.size() && norm[i] == '-';
  if (i < norm.size() && (norm[i] == '+' || norm[i] == '-')) ++i;
  for (; i < norm.size(); ++i) exponent = std::min(bound, exponent * 10 + (norm[i] - '0'));
  return lead + (negative ? -exponent : exponent) < 0;
}

enum class TokenKind { value, null, slash, end_of_file };

struct Token {
  TokenKind kind = TokenKind::value;
  std::string text;
  bool quoted = false;
};

// Walks the records of one statement.
class Scanner {
 public:
  explicit Scanner(TextUnit& t) : unit_(t), record_(t.position) {}

  std::size_t record() const { return record_; }

  Token next() {
    for (;;) {
      if (record_ >= unit_.records.size()) return {TokenKind::end_of_file, {}, false};
      const std::string& rec = unit_.records[record_];
      while (col_ < rec.size() && is_blank(rec[col_])) ++col_;
      if (col_ >= rec.size()) {
        ++record_;
        col_ = 0;
        continue;
      }
      const char c = rec[col_];
      if (c == ',') {
        ++col_;
        if (separator_pending_) return {TokenKind::null, {}, false};
        separator_pending_ = true;
        continue;
      }
      if (c == '/') return {TokenKind::slash, {}, false};
      separator_pending_ = false;
      Token tok;
      if (c == '\'' || c == '"') {
        tok.quoted = true;
        ++col_;
        while (col_ < rec.size()) {
          if (rec[col_] == c) {
            if (col_ + 1 < rec.size() && rec[col_ + 1] == c) {
              tok.text.push_back(c);
              col_ += 2;
              continue;
            }
            ++col_;
            break;
          }
          tok.text.push_back(rec[col_++]);
        }
        return tok;
      }
      const std::size_t start = col_;
      while (col_ < rec.size() && !ends_word(rec[col_])) ++col_;
      tok.text = rec.substr(start, col_ - start);
      return tok;
    }
  }

 private:
  TextUnit& unit_;
  std::size_t record_;
  std::size_t col_ = 0;
  bool separator_pending_ = true;  // a comma at the very start is a null value
};

constexpr std::string_view kNotANumber = "not a number";

// Why an integer item refuses a token: a number that is not written as a
// whole number (a decimal point or an exponent, as when the records have
// shifted and a real lands in a count), or one beyond the 32-bit range.
bool written_as_real(std::string_view text) {
  std::string norm;
  return normalise_real(text, norm);
}

std::string_view integer_problem(std::string_view text) {
  if (!written_as_real(text)) return kNotANumber;
  std::string_view digits = text;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (digits.find_first_not_of("0123456789") == std::string_view::npos)
    return "must be a whole number from -2147483648 to 2147483647";
  return "must be a whole number";
}

// Stores a real into a float or double item; on failure returns what the
// item needs: a number, or one within the range of its kind.
template <typename Real>
std::string_view store_real(const Token& tok, Real& item) {
  if (tok.quoted) return kNotANumber;
  if (parse_real(tok.text, item)) return {};
  if (!written_as_real(tok.text)) return kNotANumber;
  return std::same_as<Real, float> ? "beyond single precision" : "beyond double precision";
}

// Stores the token into item k of t; on failure returns what the item needs.
std::string_view store(const ReadTarget& t, std::size_t k, const Token& tok) {
  char* base = static_cast<char*>(t.ptr);
  const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(k) * t.stride;
  switch (t.kind) {
    case ReadTarget::Kind::i32: {
      std::int32_t v = 0;
      if (tok.quoted) return kNotANumber;
      if (!parse_int32(tok.text, v)) return integer_problem(tok.text);
      reinterpret_cast<std::int32_t*>(base)[at] = v;
      return {};
    }
    case ReadTarget::Kind::flag: {
      std::int32_t v = 0;
      if (tok.quoted || !parse_int32(tok.text, v) || (v != 0 && v != 1)) return "must be 0 or 1";
      reinterpret_cast<std::int32_t*>(base)[at] = v;
      return {};
    }
    case ReadTarget::Kind::f32:
      return store_real(tok, reinterpret_cast<float*>(base)[at]);
    case ReadTarget::Kind::f64:
      return store_real(tok, reinterpret_cast<double*>(base)[at]);
    case ReadTarget::Kind::text:
      reinterpret_cast<std::string*>(base)[at] = tok.text;
      return {};
  }
  return kNotANumber;
}

}  // namespace

std::string printable_text(std::string_view text, std::size_t max_length) {
  constexpr char hex[] = "0123456789ABCDEF";
  // Each byte as it prints, the escapes whole.
  std::vector<std::string> pieces;
  std::size_t length = 0;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7F)
      pieces.emplace_back(1, ch);
    else
      pieces.push_back({'\\', 'x', hex[c >> 4], hex[c & 0xF]});
    length += pieces.back().size();
  }
  const bool cut = length > max_length;
  const std::size_t room = cut ? max_length - std::min<std::size_t>(max_length, 3) : max_length;
  std::string out;
  for (const std::string& p : pieces) {
    if (out.size() + p.size() > room) break;
    out += p;
  }
  return cut ? out + "..." : out;
}

namespace {

// A value for a message: as written, bytes that do not print escaped, cut to
// 40 characters.
std::string echo(std::string_view text) { return printable_text(text, 40); }

}  // namespace

bool parse_int32(std::string_view token, std::int32_t& value) {
  // One sign at most: "+-5" is not a number (the conversion below takes a
  // minus sign only).
  if (!token.empty() && token.front() == '+') {
    token.remove_prefix(1);
    if (!token.empty() && token.front() == '-') return false;
  }
  if (token.empty()) return false;
  std::int32_t v = 0;
  auto [p, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
  if (ec != std::errc() || p != token.data() + token.size()) return false;
  value = v;
  return true;
}

template <typename Real>
  requires std::same_as<Real, float> || std::same_as<Real, double>
bool parse_real(std::string_view token, Real& value) {
  std::string norm;
  if (!normalise_real(token, norm)) return false;
  // Straight from the decimal text to the kind asked for: a float read
  // through a double would be rounded twice and could land on the other
  // neighbour when the text lies just beside a halfway point.
  Real v = 0;
  auto [p, ec] = std::from_chars(norm.data(), norm.data() + norm.size(), v);
  if (p != norm.data() + norm.size()) return false;
  if (ec == std::errc::result_out_of_range) {
    // Beyond the range of the kind: a value too small reads as zero, one too
    // large is not a number of this kind.
    if (!below_one(norm)) return false;
    v = 0;
  } else if (ec != std::errc()) {
    return false;
  }
  value = v;
  return true;
}

template bool parse_real<float>(std::string_view token, float& value);
template bool parse_real<double>(std::string_view token, double& value);

std::int32_t read_list(UnitTable& units, std::int32_t unit, std::initializer_list<ReadTarget> targets,
                       NullValues nulls) {
  return read_list(units, unit, std::span<const ReadTarget>(targets.begin(), targets.size()), nulls);
}

std::int32_t read_list(UnitTable& units, std::int32_t unit, std::span<const ReadTarget> targets, NullValues nulls) {
  if (!units.is_open(unit)) return io_status::not_connected;
  TextUnit* t = units.text(unit);
  if (!t) return io_status::wrong_form;

  std::size_t total = 0;
  for (const ReadTarget& tg : targets) total += tg.count;
  if (total == 0) {
    // A read without items passes over one record.
    if (t->position >= t->records.size()) {
      t->failed_item = 0;
      t->position = t->records.size() + 1;
      return io_status::end_of_file;
    }
    ++t->position;
    return io_status::ok;
  }

  Scanner scan(*t);
  Token repeated;
  std::size_t repeat_left = 0;
  std::size_t stored = 0;  // values of the statement taken so far
  const auto refuse = [&](std::string_view written, std::string_view problem) {
    t->failed_item = stored;
    t->position = scan.record() + 1;
    t->bad_value_line = scan.record() + 1;
    t->bad_value_text = echo(written);
    t->bad_value_problem = problem;
    return io_status::bad_value;
  };
  constexpr std::string_view kNoValue = "a null value where a value is needed";
  for (const ReadTarget& tg : targets) {
    for (std::size_t k = 0; k < tg.count; ++k) {
      Token tok;
      if (repeat_left > 0) {
        tok = repeated;
        --repeat_left;
      } else {
        tok = scan.next();
        if (tok.kind == TokenKind::value && !tok.quoted) {
          // r*value and r* (r null values)
          const std::size_t star = tok.text.find('*');
          std::int32_t r = 0;
          if (star != std::string::npos && star > 0 &&
              parse_int32(std::string_view(tok.text).substr(0, star), r) && r > 0) {
            if (star + 1 == tok.text.size() && nulls == NullValues::refused) return refuse(tok.text, kNoValue);
            repeated.text = tok.text.substr(star + 1);
            repeated.kind = repeated.text.empty() ? TokenKind::null : TokenKind::value;
            repeated.quoted = false;
            tok = repeated;
            repeat_left = static_cast<std::size_t>(r - 1);
          }
        }
      }
      switch (tok.kind) {
        case TokenKind::end_of_file:
          t->failed_item = stored;
          t->position = t->records.size() + 1;  // past the end-of-file mark
          return io_status::end_of_file;
        case TokenKind::slash:
          if (nulls == NullValues::refused) return refuse("/", kNoValue);
          t->position = scan.record() + 1;
          return io_status::ok;
        case TokenKind::null:
          if (nulls == NullValues::refused) return refuse(",", kNoValue);
          break;
        case TokenKind::value:
          if (const std::string_view problem = store(tg, k, tok); !problem.empty())
            return refuse(tok.quoted ? "'" + tok.text + "'" : tok.text, problem);
          break;
      }
      ++stored;
    }
  }
  t->position = scan.record() + 1;
  return io_status::ok;
}

bool failed_in_data_record(UnitTable& units, std::int32_t unit, std::size_t count) {
  const TextUnit* t = units.text(unit);
  if (!t || t->bad_value_line == 0 || t->bad_value_line > t->records.size()) return false;
  const std::string& rec = t->records[t->bad_value_line - 1];
  std::size_t col = 0;
  for (std::size_t k = 0; k < count; ++k) {
    while (col < rec.size() && (is_blank(rec[col]) || rec[col] == ',')) ++col;
    const std::size_t start = col;
    while (col < rec.size() && !ends_word(rec[col])) ++col;
    double v = 0;
    if (col == start || !parse_real(std::string_view(rec).substr(start, col - start), v)) return false;
  }
  return true;
}

namespace {

// The values that one record can give a read: its words (r for r*v and r*)
// and its null values; a slash gives none, but what follows it on the record
// is counted, as the count is an upper bound.
std::int64_t record_value_bound(const std::string& rec) {
  std::int64_t n = 0;
  std::size_t col = 0;
  bool separator_pending = true;
  while (col < rec.size()) {
    const char c = rec[col];
    if (is_blank(c) || c == '/') {
      ++col;
      continue;
    }
    if (c == ',') {
      if (separator_pending) ++n;
      separator_pending = true;
      ++col;
      continue;
    }
    separator_pending = false;
    const std::size_t start = col;
    while (col < rec.size() && !ends_word(rec[col])) ++col;
    const std::string_view word(rec.data() + start, col - start);
    const std::size_t star = word.find('*');
    std::int32_t r = 0;
    n += star != std::string_view::npos && star > 0 && parse_int32(word.substr(0, star), r) && r > 0 ? r : 1;
  }
  return n;
}

}  // namespace

std::int64_t values_left(const UnitTable& units, std::int32_t unit) {
  const TextUnit* t = units.text(unit);
  if (!t) return 0;
  std::int64_t n = 0;
  for (std::size_t r = t->position; r < t->records.size(); ++r) n += record_value_bound(t->records[r]);
  return n;
}

std::size_t leading_value_count(const UnitTable& units, std::int32_t unit, std::size_t line) {
  const TextUnit* t = units.text(unit);
  if (!t || line == 0 || line > t->records.size()) return 0;
  const std::string& rec = t->records[line - 1];
  std::size_t n = 0;
  std::size_t col = 0;
  bool separator_pending = true;  // a comma now would be a null value
  for (;;) {
    while (col < rec.size() && is_blank(rec[col])) ++col;
    if (col < rec.size() && rec[col] == ',') {
      if (separator_pending) return n;
      separator_pending = true;
      ++col;
      continue;
    }
    separator_pending = false;
    const std::size_t start = col;
    while (col < rec.size() && !ends_word(rec[col])) ++col;
    if (col == start) return n;
    const std::string_view word(rec.data() + start, col - start);
    const std::size_t star = word.find('*');
    std::int32_t r = 0;
    double v = 0;
    if (star != std::string_view::npos && star > 0 && parse_int32(word.substr(0, star), r) && r > 0 &&
        parse_real(word.substr(star + 1), v))
      n += static_cast<std::size_t>(r);
    else if (parse_real(word, v))
      ++n;
    else
      return n;
  }
}

std::size_t last_read_line(const UnitTable& units, std::int32_t unit) {
  const TextUnit* t = units.text(unit);
  if (!t) return 0;
  return std::min(t->position, t->records.size());
}

std::int32_t read_text_record(UnitTable& units, std::int32_t unit, std::string& text, std::size_t width) {
  std::string rec;
  const std::int32_t st = units.read_record(unit, rec);
  if (st != io_status::ok) return st;
  if (rec.size() > width) rec.resize(width);
  text = std::move(rec);
  return io_status::ok;
}

}  // namespace tb
