// A reader of the result series files for the tests, written from the file
// layout alone: a stream of little-endian 32-bit floats holding a run header
// (one value), then blocks of a stage header (output interval, record count R,
// channel count n), 2n label values and R step records of n values.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace tb::test {

struct SeriesBlock {
  float interval = 0.0f;
  float record_count = 0.0f;
  float channel_count = 0.0f;
  std::vector<float> labels;
  std::vector<std::vector<float>> records;
};

struct SeriesFile {
  std::vector<float> values;  // the whole file
  float stage_count = 0.0f;
  std::vector<SeriesBlock> blocks;
  bool truncated = false;  // the file ends inside a block
};

inline std::vector<float> read_floats(const std::filesystem::path& p) {
  const std::string bytes = read_file(p);
  EXPECT_EQ(bytes.size() % 4, 0u) << p;
  std::vector<float> v(bytes.size() / 4);
  for (std::size_t i = 0; i < v.size(); ++i) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + 4 * i);
    const std::uint32_t u = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    std::memcpy(&v[i], &u, 4);
  }
  return v;
}

// Writes the values as a file of little-endian 32-bit floats.
inline void write_floats(const std::filesystem::path& p, const std::vector<float>& v) {
  std::string bytes(4 * v.size(), '\0');
  for (std::size_t i = 0; i < v.size(); ++i) {
    std::uint32_t u = 0;
    std::memcpy(&u, &v[i], 4);
    for (int b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<char>((u >> (8 * b)) & 0xFF);
  }
  write_file(p, bytes);
}

// Decodes a file that begins with its run header; blocks follow until the
// values run out.
inline SeriesFile decode_series(const std::filesystem::path& p) {
  SeriesFile f;
  f.values = read_floats(p);
  const std::vector<float>& v = f.values;
  std::size_t at = 0;
  if (v.empty()) {
    f.truncated = true;
    return f;
  }
  f.stage_count = v[at++];
  while (at < v.size()) {
    if (v.size() - at < 3) {
      f.truncated = true;
      return f;
    }
    SeriesBlock b;
    b.interval = v[at];
    b.record_count = v[at + 1];
    b.channel_count = v[at + 2];
    at += 3;
    const std::size_t n = static_cast<std::size_t>(b.channel_count);
    if (v.size() - at < 2 * n) {
      f.truncated = true;
      return f;
    }
    b.labels.assign(v.begin() + at, v.begin() + at + 2 * n);
    at += 2 * n;
    for (int r = 0; r < static_cast<int>(b.record_count); ++r) {
      if (v.size() - at < n) {
        f.truncated = true;
        f.blocks.push_back(b);
        return f;
      }
      b.records.emplace_back(v.begin() + at, v.begin() + at + n);
      at += n;
    }
    f.blocks.push_back(b);
  }
  return f;
}

}  // namespace tb::test
