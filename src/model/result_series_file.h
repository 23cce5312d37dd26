// ResultSeriesFile: the layout shared by the thirteen result files, and the
// state the step writer keeps between its calls.
//
// A result file is a plain stream of little-endian 32-bit floats, without
// record markers, lengths or padding; counts, positions and codes are stored
// as the float value of the integer. The file holds one RunHeader, then for
// each speed stage one block: a StageHeader, a LabelRecord of n label pairs
// (first label, second label), and one StepRecord of n values per output
// instant of the stage, in time order.
#pragma once

#include <cstdint>
#include <vector>

namespace tb {

struct RunHeader {
  float stage_count = 0.0f;  // number of speed stages of the run
};

struct StageHeader {
  float output_interval = 0.0f;  // s: time_step x output_interval, the float product
  float record_count = 0.0f;     // StepRecords of the block
  float channel_count = 0.0f;    // n, values per StepRecord
};

// One pair of a LabelRecord; a LabelRecord holds n of them, a StepRecord n
// floats.
struct LabelPair {
  float first = 0.0f;   // node position or mode number
  float second = 0.0f;  // degree-of-freedom or quantity code
};

// The modal-coordinate file carries its step records while this is 1; it is
// a constant of the run.
inline constexpr std::int32_t modal_output_switch = 1;

// Where a result file's counts stand, as written: the run header at the
// file's start and the record count of its last stage block. A run that ends
// before a block's last record rewrites them to what the file holds.
struct ResultFileCounts {
  std::int32_t unit = 0;
  std::uint64_t run_header_at = 0;       // byte offset of the run header
  float stage_count = 0.0f;              // as the run header holds it
  std::int32_t blocks = 0;               // stage blocks begun
  std::uint64_t record_count_at = 0;     // byte offset of the last block's record count
  float planned_records = 0.0f;          // as that block's stage header holds it
  std::int32_t records = 0;              // step records written to that block
};

// What the writers of the result files remember between output instants.
struct ResultSeriesFile {
  bool run_header_written = false;
  std::int32_t block_stage = 0;               // stage whose block was begun last; 0 before the first
  std::int32_t vehicle_output_channels = 0;   // f of the current block
  std::int32_t wheelset_channels = 0;         // e of the current block
  std::vector<float> record;                  // the label or step record being assembled
  std::vector<ResultFileCounts> counts;       // one entry per result file begun in this run
};

}  // namespace tb
