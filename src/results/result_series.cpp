#include "results/result_series.h"

#include <algorithm>
#include <array>
#include <span>

namespace tb {

void write_run_header(UnitTable& units, std::int32_t unit, const RunHeader& header) {
  units.write_f32(unit, header.stage_count);
}

void write_stage_header(UnitTable& units, std::int32_t unit, const StageHeader& header) {
  const std::array<float, 3> v{header.output_interval, header.record_count, header.channel_count};
  units.write_f32s(unit, v);
}

namespace {

ResultFileCounts* counts_of(ResultSeriesFile& files, std::int32_t unit) {
  for (ResultFileCounts& c : files.counts)
    if (c.unit == unit) return &c;
  return nullptr;
}

}  // namespace

void begin_series_file(UnitTable& units, ResultSeriesFile& files, std::int32_t unit, const RunHeader& header) {
  ResultFileCounts* c = counts_of(files, unit);
  if (!c) c = &files.counts.emplace_back();
  *c = ResultFileCounts{};
  c->unit = unit;
  c->run_header_at = units.byte_position(unit);
  c->stage_count = header.stage_count;
  write_run_header(units, unit, header);
}

void begin_series_block(UnitTable& units, ResultSeriesFile& files, std::int32_t unit, const StageHeader& header) {
  if (ResultFileCounts* c = counts_of(files, unit)) {
    c->blocks += 1;
    c->record_count_at = units.byte_position(unit) + 4;
    c->planned_records = header.record_count;
    c->records = 0;
  }
  write_stage_header(units, unit, header);
}

void count_series_record(ResultSeriesFile& files, std::int32_t unit) {
  if (ResultFileCounts* c = counts_of(files, unit)) c->records += 1;
}

void settle_series_counts(UnitTable& units, ResultSeriesFile& files) {
  for (ResultFileCounts& c : files.counts) {
    if (c.blocks == 0 || !units.is_binary(c.unit)) continue;
    std::int32_t planned = 0;
    if (!header_count(c.planned_records, planned) || c.records < planned) {
      c.planned_records = static_cast<float>(c.records);
      units.rewrite_f32(c.unit, c.record_count_at, c.planned_records);
    }
    std::int32_t stages = 0;
    if (!header_count(c.stage_count, stages) || c.blocks < stages) {
      c.stage_count = static_cast<float>(c.blocks);
      units.rewrite_f32(c.unit, c.run_header_at, c.stage_count);
    }
  }
}

std::int32_t read_run_header(UnitTable& units, std::int32_t unit, RunHeader& header) {
  float v = 0.0f;
  const std::int32_t st = units.read_f32(unit, v);
  if (st == io_status::ok) header.stage_count = v;
  return st;
}

std::int32_t read_stage_header(UnitTable& units, std::int32_t unit, StageHeader& header) {
  std::array<float, 3> v{};
  const std::int32_t st = units.read_f32s(unit, v);
  if (st == io_status::ok) header = {v[0], v[1], v[2]};
  return st;
}

bool header_count(float value, std::int32_t& count) {
  if (!(value > -2147483648.0f && value < 2147483648.0f)) return false;
  count = std::max(static_cast<std::int32_t>(value), 0);
  return true;
}

bool read_stage_head(UnitTable& units, std::int32_t unit, StageHeader& header, std::int32_t& records,
                     std::int32_t& channels, std::vector<float>& label_values) {
  records = 0;
  channels = 0;
  if (read_stage_header(units, unit, header) != io_status::ok || !header_count(header.record_count, records) ||
      !header_count(header.channel_count, channels))
    return false;
  return read_series_values(units, unit, 2 * static_cast<std::int64_t>(channels), label_values) == io_status::ok;
}

void label_pairs(const std::vector<float>& label_values, std::int32_t channels, Array2<float>& labels) {
  labels.resize(channels, 2);
  for (std::int32_t c = 1; c <= channels; ++c) {
    labels(c, 1) = label_values[2 * static_cast<std::size_t>(c - 1)];
    labels(c, 2) = label_values[2 * static_cast<std::size_t>(c - 1) + 1];
  }
}

std::int32_t read_series_values(UnitTable& units, std::int32_t unit, std::int64_t count,
                                std::vector<float>& values) {
  constexpr std::int64_t kPiece = 1 << 16;
  values.clear();
  while (static_cast<std::int64_t>(values.size()) < count) {
    const std::size_t done = values.size();
    const std::size_t piece = static_cast<std::size_t>(std::min(kPiece, count - static_cast<std::int64_t>(done)));
    values.resize(done + piece);
    const std::int32_t st = units.read_f32s(unit, std::span<float>(values.data() + done, piece));
    if (st != io_status::ok) {
      values.clear();
      return st;
    }
  }
  return io_status::ok;
}

std::int32_t read_step_records(UnitTable& units, std::int32_t unit, std::int32_t record_count,
                               std::int32_t channel_count, Array2<float>& series) {
  const std::size_t k = static_cast<std::size_t>(std::max(channel_count, 0));
  if (k == 0) {
    series.resize(record_count, 0);
    return std::max(record_count, 0);
  }
  // Records in the order of the file, then turned into channel columns.
  std::vector<float> rows;
  std::int32_t n = 0;
  while (n < record_count) {
    const std::size_t done = rows.size();
    rows.resize(done + k);
    if (units.read_f32s(unit, std::span<float>(rows.data() + done, k)) != io_status::ok) break;
    ++n;
  }
  series.resize(n, channel_count);
  for (std::int32_t r = 1; r <= n; ++r)
    for (std::int32_t c = 1; c <= channel_count; ++c)
      series(r, c) = rows[static_cast<std::size_t>(r - 1) * k + static_cast<std::size_t>(c - 1)];
  return n;
}

}  // namespace tb
