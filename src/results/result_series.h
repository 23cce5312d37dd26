// Reading and writing the headers of the result series layout (see
// model/result_series_file.h).
#pragma once

#include <cstdint>
#include <vector>

#include "model/result_series_file.h"
#include "platform/array.h"
#include "platform/units.h"

namespace tb {

void write_run_header(UnitTable& units, std::int32_t unit, const RunHeader& header);
void write_stage_header(UnitTable& units, std::int32_t unit, const StageHeader& header);

// The writers of a run's result files go through these, so that the counts of
// every file stay known: the run header of a file, the stage header that
// begins each of its blocks, and each step record written to its last block.
void begin_series_file(UnitTable& units, ResultSeriesFile& files, std::int32_t unit, const RunHeader& header);
void begin_series_block(UnitTable& units, ResultSeriesFile& files, std::int32_t unit, const StageHeader& header);
void count_series_record(ResultSeriesFile& files, std::int32_t unit);
// A run that ends before the last record of a block: in every file begun and
// still open, the record count of the last block becomes the number of
// records it holds, and the run header the number of blocks it holds (a file
// without a block keeps its run header). The files then read to their end
// by their own counts; nothing follows the last record.
void settle_series_counts(UnitTable& units, ResultSeriesFile& files);

// Statuses as the unit table returns them; the header is unchanged unless the
// whole header was read.
std::int32_t read_run_header(UnitTable& units, std::int32_t unit, RunHeader& header);
std::int32_t read_stage_header(UnitTable& units, std::int32_t unit, StageHeader& header);

// A count of a header (stages, records, channels) as a loop bound, truncated
// toward zero, a negative value counting as 0; false when the value is no
// count at all (not a number, infinite, or beyond the 32-bit range).
bool header_count(float value, std::int32_t& count);

// Reads the next count values into values (resized to count when they are all
// read). The values are read in pieces, so that a count taken from a damaged
// header allocates no more than the file holds before the end of the file
// ends the read. Returns the status of the read; after a failure values holds
// nothing of use.
std::int32_t read_series_values(UnitTable& units, std::int32_t unit, std::int64_t count,
                                std::vector<float>& values);

// Reads the stage header and the label record of the next stage block into
// header, its record and channel counts and the 2 x channels label values;
// false when the file cuts either short or the header holds no counts.
bool read_stage_head(UnitTable& units, std::int32_t unit, StageHeader& header, std::int32_t& records,
                     std::int32_t& channels, std::vector<float>& label_values);

// The label pairs of a label record as labels(channel, 1) and (channel, 2).
void label_pairs(const std::vector<float>& label_values, std::int32_t channels, Array2<float>& labels);

// Reads up to record_count step records of channel_count values each, one
// read per record, into series (record r as series(r, 1..channel_count)),
// sized to the records read. Reading stops at the first record that cannot
// be read: without record markers only the end of the file fails a read, and
// every later read of the block would fail as well. Records of no values are
// all read. Returns the number of records read.
std::int32_t read_step_records(UnitTable& units, std::int32_t unit, std::int32_t record_count,
                               std::int32_t channel_count, Array2<float>& series);

}  // namespace tb
