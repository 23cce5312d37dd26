#include "results/result_series.h"

#include <array>

namespace tb {

void write_run_header(UnitTable& units, std::int32_t unit, const RunHeader& header) {
  units.write_f32(unit, header.stage_count);
}

void write_stage_header(UnitTable& units, std::int32_t unit, const StageHeader& header) {
  const std::array<float, 3> v{header.output_interval, header.record_count, header.channel_count};
  units.write_f32s(unit, v);
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

}  // namespace tb
