#include "platform/format.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace tb {

namespace {

struct Node {
  enum class Type { I, F, E, A, X, literal, slash, group };
  Type type = Type::X;
  int repeat = 1;
  int w = -1;
  int d = -1;
  int e = -1;
  std::string literal;
  std::vector<Node> children;
};

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  std::vector<Node> parse_layout() {
    skip_blanks();
    if (pos_ < s_.size() && s_[pos_] == '(') {
      ++pos_;
      std::vector<Node> nodes = parse_list(')');
      return nodes;
    }
    return parse_list('\0');
  }

 private:
  void skip_blanks() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
  }

  int number() {
    int v = 0;
    bool any = false;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
      v = v * 10 + (s_[pos_++] - '0');
      any = true;
    }
    return any ? v : -1;
  }

  [[noreturn]] void fail() const {
    throw std::logic_error("bad output layout: " + std::string(s_));
  }

  std::vector<Node> parse_list(char close) {
    std::vector<Node> nodes;
    for (;;) {
      skip_blanks();
      if (pos_ >= s_.size()) {
        if (close != '\0') fail();
        return nodes;
      }
      const char c = s_[pos_];
      if (c == close) {
        ++pos_;
        return nodes;
      }
      if (c == ',') {
        ++pos_;
        continue;
      }
      if (c == '/') {
        ++pos_;
        Node n;
        n.type = Node::Type::slash;
        nodes.push_back(n);
        continue;
      }
      if (c == '\'' || c == '"') {
        ++pos_;
        Node n;
        n.type = Node::Type::literal;
        for (;;) {
          if (pos_ >= s_.size()) fail();
          if (s_[pos_] == c) {
            if (pos_ + 1 < s_.size() && s_[pos_ + 1] == c) {
              n.literal.push_back(c);
              pos_ += 2;
              continue;
            }
            ++pos_;
            break;
          }
          n.literal.push_back(s_[pos_++]);
        }
        nodes.push_back(n);
        continue;
      }
      const int count = number();
      skip_blanks();
      if (pos_ >= s_.size()) fail();
      const char t = static_cast<char>(std::toupper(static_cast<unsigned char>(s_[pos_])));
      Node n;
      n.repeat = count > 0 ? count : 1;
      if (t == '(') {
        ++pos_;
        n.type = Node::Type::group;
        n.children = parse_list(')');
      } else if (t == 'X') {
        ++pos_;
        n.type = Node::Type::X;
        n.w = count > 0 ? count : 1;
        n.repeat = 1;
      } else if (t == 'I' || t == 'F' || t == 'E' || t == 'A') {
        ++pos_;
        n.type = t == 'I' ? Node::Type::I : t == 'F' ? Node::Type::F : t == 'E' ? Node::Type::E : Node::Type::A;
        n.w = number();
        if (pos_ < s_.size() && s_[pos_] == '.') {
          ++pos_;
          n.d = number();
        }
        if (n.type == Node::Type::E && pos_ < s_.size() && (s_[pos_] == 'E' || s_[pos_] == 'e')) {
          ++pos_;
          n.e = number();
        }
        if (n.type != Node::Type::A && n.w < 0) fail();
        if ((n.type == Node::Type::F || n.type == Node::Type::E) && n.d < 0) fail();
      } else {
        fail();
      }
      nodes.push_back(std::move(n));
    }
  }

  std::string_view s_;
  std::size_t pos_ = 0;
};

std::string asterisks(int w) { return std::string(static_cast<std::size_t>(std::max(w, 0)), '*'); }

std::string right_align(std::string s, int w) {
  if (w <= 0) return s;
  if (static_cast<int>(s.size()) > w) return asterisks(w);
  return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

std::string non_finite(double v, int w) {
  std::string s = std::isnan(v) ? "NaN" : (v < 0 ? "-Infinity" : "Infinity");
  if (w > 0 && static_cast<int>(s.size()) > w && !std::isnan(v)) s = v < 0 ? "-Inf" : "Inf";
  return right_align(s, w);
}

// Drops the optional leading zero of "0.xxx" / "-0.xxx" when the field is too
// narrow for it.
std::string fit(std::string s, int w) {
  if (w > 0 && static_cast<int>(s.size()) > w) {
    const std::size_t z = (!s.empty() && s[0] == '-') ? 1 : 0;
    if (s.size() > z + 1 && s[z] == '0' && s[z + 1] == '.') s.erase(z, 1);
  }
  return right_align(s, w);
}

class Writer {
 public:
  Writer(std::span<const FmtArg> args) : args_(args) {}

  std::string run(const std::vector<Node>& layout) {
    std::size_t revert = 0;
    for (std::size_t i = 0; i < layout.size(); ++i)
      if (layout[i].type == Node::Type::group) revert = i;
    std::size_t start = 0;
    for (;;) {
      const std::size_t before = next_;
      if (!run_list(layout, start)) break;
      if (next_ >= args_.size()) break;
      if (next_ == before) throw std::logic_error("output layout without value descriptors");
      end_record();
      start = revert;
    }
    end_record();
    return out_;
  }

 private:
  // False once the values have run out at a value descriptor.
  bool run_list(const std::vector<Node>& nodes, std::size_t from) {
    for (std::size_t i = from; i < nodes.size(); ++i) {
      const Node& n = nodes[i];
      for (int r = 0; r < n.repeat; ++r) {
        if (!run_node(n)) return false;
      }
    }
    return true;
  }

  bool run_node(const Node& n) {
    switch (n.type) {
      case Node::Type::group:
        return run_list(n.children, 0);
      case Node::Type::X:
        pending_ += static_cast<std::size_t>(n.w);
        return true;
      case Node::Type::literal:
        put(n.literal);
        return true;
      case Node::Type::slash:
        end_record();
        return true;
      default:
        break;
    }
    if (next_ >= args_.size()) return false;
    const FmtArg& a = args_[next_++];
    switch (n.type) {
      case Node::Type::I: {
        const std::int64_t v = a.kind == FmtArg::Kind::integer ? a.i : static_cast<std::int64_t>(a.r);
        put(format_integer(v, n.w, n.d));
        break;
      }
      case Node::Type::F:
        put(format_fixed(a.kind == FmtArg::Kind::integer ? static_cast<double>(a.i) : a.r, n.w, n.d));
        break;
      case Node::Type::E:
        put(format_exponent(a.kind == FmtArg::Kind::integer ? static_cast<double>(a.i) : a.r, n.w, n.d, n.e));
        break;
      case Node::Type::A:
        if (a.kind == FmtArg::Kind::text) {
          put(format_text(a.s, n.w));
        } else {
          const FmtArg one[] = {a};
          put(format_text(list_directed_line(one).substr(1), n.w));
        }
        break;
      default:
        break;
    }
    return true;
  }

  void put(std::string_view s) {
    record_.append(pending_, ' ');
    pending_ = 0;
    record_.append(s);
  }

  void end_record() {
    out_.append(record_);
    out_.push_back('\n');
    record_.clear();
    pending_ = 0;
  }

  std::span<const FmtArg> args_;
  std::size_t next_ = 0;
  std::string record_;
  std::size_t pending_ = 0;
  std::string out_;
};

}  // namespace

std::string format_integer(std::int64_t v, int w, int m) {
  std::string digits = std::to_string(v < 0 ? -v : v);
  if (m == 0 && v == 0) digits.clear();
  if (m > 0 && static_cast<int>(digits.size()) < m) digits.insert(0, static_cast<std::size_t>(m) - digits.size(), '0');
  if (v < 0) digits.insert(0, 1, '-');
  if (w == 0) return digits;
  return right_align(digits, w);
}

std::string format_fixed(double v, int w, int d) {
  if (!std::isfinite(v)) return non_finite(v, w);
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", d, v);
  std::string s = buf;
  if (d == 0) s.push_back('.');
  if (w == 0) return s;
  return fit(s, w);
}

std::string format_exponent(double v, int w, int d, int e) {
  if (!std::isfinite(v)) return non_finite(v, w);
  std::string mant;
  int exp10 = 0;
  if (v == 0.0) {
    mant.assign(static_cast<std::size_t>(std::max(d, 0)), '0');
  } else {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", std::max(d - 1, 0), std::fabs(v));
    // buf: D.DDDDe±XX (or De±XX for a single digit)
    const std::string b = buf;
    const std::size_t epos = b.find('e');
    mant.push_back(b[0]);
    if (epos > 2) mant.append(b, 2, epos - 2);
    exp10 = std::atoi(b.c_str() + epos + 1) + 1;
    if (d <= 0) mant.clear();
  }
  std::string expo;
  const int a = exp10 < 0 ? -exp10 : exp10;
  const char sign = exp10 < 0 ? '-' : '+';
  if (e > 0) {
    std::string digits = std::to_string(a);
    if (static_cast<int>(digits.size()) > e) return asterisks(w);
    expo = std::string("E") + sign + std::string(static_cast<std::size_t>(e) - digits.size(), '0') + digits;
  } else if (a <= 99) {
    expo = std::string("E") + sign + (a < 10 ? "0" : "") + std::to_string(a);
  } else if (a <= 999) {
    expo = std::string(1, sign) + std::to_string(a);
  } else {
    return asterisks(w);
  }
  std::string s = std::signbit(v) ? "-0." : "0.";
  s += mant;
  s += expo;
  return fit(s, w);
}

std::string format_text(std::string_view s, int w) {
  if (w < 0) return std::string(s);
  if (static_cast<int>(s.size()) >= w) return std::string(s.substr(0, static_cast<std::size_t>(w)));
  return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + std::string(s);
}

std::string format_records(std::string_view layout, std::span<const FmtArg> args) {
  Parser p(layout);
  const std::vector<Node> nodes = p.parse_layout();
  Writer w(args);
  return w.run(nodes);
}

std::string format_records(std::string_view layout, std::initializer_list<FmtArg> args) {
  return format_records(layout, std::span<const FmtArg>(args.begin(), args.size()));
}

std::string list_directed_line(std::span<const FmtArg> args) {
  std::string line = " ";
  for (const FmtArg& a : args) {
    switch (a.kind) {
      case FmtArg::Kind::text:
        line.append(a.s);
        break;
      case FmtArg::Kind::integer:
        line.push_back(' ');
        line.append(std::to_string(a.i));
        break;
      case FmtArg::Kind::real: {
        char buf[64];
        const float f = static_cast<float>(a.r);
        auto res = (static_cast<double>(f) == a.r || !std::isfinite(a.r))
                       ? std::to_chars(buf, buf + sizeof buf, f)
                       : std::to_chars(buf, buf + sizeof buf, a.r);
        line.push_back(' ');
        line.append(buf, res.ptr);
        break;
      }
    }
  }
  return line;
}

std::string list_directed_line(std::initializer_list<FmtArg> args) {
  return list_directed_line(std::span<const FmtArg>(args.begin(), args.size()));
}

}  // namespace tb
