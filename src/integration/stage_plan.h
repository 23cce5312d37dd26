// The plan of the speed stages, made once every input file is read and
// before any result file is written: the step count of every stage, the size
// of every result file, and where each train stands against the bridge.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Most steps a stage can run: the drivers count steps in single precision,
// which counts every whole number only up to 2^24.
inline constexpr std::int64_t kMaxStageSteps = 16777216;
// Most values a result file may hold: 2^31 single-precision values, 8 GB.
inline constexpr double kMaxResultFileValues = 2147483648.0;

// Derives the step count of every stage as the stage loop will (the same
// layout, passage and cut to whole output intervals), then:
// - stops with the data error of "VehicleOrganization.dat" when a train's
//   passage needs more steps than a stage can run, naming the train, the
//   stage, the speed, the passage length and the time step;
// - stops with the data error of the file that asks for it when a result
//   file would hold more than 2^31 values: the master file for its output
//   points, modes and response requests, the vehicle library for the output
//   items and wheel entries of the vehicles, "VehicleOrganization.dat" for
//   the number of records (its stages' passages at the time step and output
//   interval of "SolutionParameters.dat"), whichever count is the larger
//   factor of the file's size;
// - prints one console line for every stage that runs no time step, and one
//   warning for every train that stands with wheels on the bridge at a
//   stage's start or whose stage ends before its first wheel reaches the
//   bridge.
// Changes nothing that the stage loop reads (it lays out the wheelsets, which
// every stage start does again).
void plan_speed_stages(RunContext& ctx);

}  // namespace tb
