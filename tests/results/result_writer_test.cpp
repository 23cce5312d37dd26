#include "results/result_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <tuple>

#include "integration/integration_fixture.h"
#include "integration/time_integration.h"
#include "results/result_series.h"
#include "run/run_control.h"
#include "series_reader.h"
#include "test_support.h"

namespace tb {
namespace {

// Two bridge modes and two output points; two vehicle types: type 1 with two
// output items and three wheel entries (the last without a partner), type 2
// with no output item and two wheel entries. Train 1 runs fleet 1 (types 1,
// 2), train 2 fleet 2 (type 1): f = 4 output channels, e = 8 wheel entries.
void build_model(RunContext& ctx) {
  ctx.solution.time_step = 0.001f;
  ctx.solution.output_interval = 5;

  BridgeModalModel& b = ctx.bridge;
  b.bridge_mode_count = 2;
  b.output_point_count = 2;
  b.output_points.resize(2, 2);
  b.output_points(1, 1) = 3, b.output_points(1, 2) = 2;
  b.output_points(2, 1) = 1, b.output_points(2, 2) = 6;
  b.output_point_response.resize(2, 3);
  b.mode_frequency.resize(2);
  b.mode_frequency(1) = 2.0f;
  b.mode_frequency(2) = 0.0f;

  VehicleTypeLibrary& lib = ctx.vehicles;
  lib.vehicle_type_count = 2;
  lib.vehicle_output_count.resize(2);
  lib.vehicle_output_count(1) = 2;
  lib.vehicle_wheelset_count.resize(2);
  lib.vehicle_wheelset_count(1) = 3;
  lib.vehicle_wheelset_count(2) = 2;
  lib.vehicle_output_items.resize(2, 2, 2);
  lib.vehicle_output_items(1, 1, 1) = 4, lib.vehicle_output_items(1, 1, 2) = 2;
  lib.vehicle_output_items(1, 2, 1) = 2, lib.vehicle_output_items(1, 2, 2) = 3;
  lib.wheelset_nodes.resize(2, 3);
  lib.wheelset_nodes(1, 1) = 5, lib.wheelset_nodes(1, 2) = 6, lib.wheelset_nodes(1, 3) = 7;
  lib.wheelset_nodes(2, 1) = 1, lib.wheelset_nodes(2, 2) = 2;
  lib.contact_type.resize(2);

  TrainOrganization& tr = ctx.trains;
  tr.fleet_count = 2;
  tr.train_count = 2;
  tr.max_vehicles_per_fleet = 2;
  tr.fleet_vehicle_count.resize(2);
  tr.fleet_vehicle_count(1) = 2;
  tr.fleet_vehicle_count(2) = 1;
  tr.fleet_vehicle_types.resize(2, 2);
  tr.fleet_vehicle_types(1, 1) = 1, tr.fleet_vehicle_types(1, 2) = 2, tr.fleet_vehicle_types(2, 1) = 1;
  tr.train_fleet.resize(2);
  tr.train_fleet(1) = 1, tr.train_fleet(2) = 2;

  ctx.results.vehicle_output_response.resize(2, 2, 2, 3);
  ctx.results.wheelset_result.resize(2, 2, 3, 5);
  ctx.results.wheelset_irregularity_displacement.resize(2, 2, 3, 3);
  ctx.solver.bridge_modal_state.resize(2, 3);
  ctx.solver.bridge_modal_force.resize(2);
  ctx.solver.quasi_static_modal_displacement.resize(2);
}

// The values every channel holds at output instant s.
double bridge_state(int i, int c, int s) { return s + 0.1 * i + 0.01 * c; }
float point_value(int q, int c, int s) { return s * 100.0f + q * 10.0f + c; }
float vehicle_value(int t, int v, int k, int c, int s) { return s * 10000.0f + t * 1000.0f + v * 100.0f + k * 10.0f + c; }

void set_state(RunContext& ctx, int s) {
  for (int i = 1; i <= 2; ++i)
    for (int c = 1; c <= 3; ++c) ctx.solver.bridge_modal_state(i, c) = bridge_state(i, c, s);
  ctx.solver.bridge_modal_force(1) = 100.0 * s;
  ctx.solver.bridge_modal_force(2) = s - 1;  // over a zero frequency: 0/0 at s = 1, 1/0 at s = 2
  for (int q = 1; q <= 2; ++q)
    for (int c = 1; c <= 3; ++c) ctx.bridge.output_point_response(q, c) = point_value(q, c, s);
  ResultBuffers& r = ctx.results;
  for (int t = 1; t <= 2; ++t)
    for (int v = 1; v <= 2; ++v) {
      for (int k = 1; k <= 2; ++k)
        for (int c = 1; c <= 3; ++c) r.vehicle_output_response(t, v, k, c) = vehicle_value(t, v, k, c, s);
      for (int w = 1; w <= 3; ++w) {
        for (int c = 1; c <= 5; ++c) r.wheelset_result(t, v, w, c) = vehicle_value(t, v, w, c, s);
        for (int c = 1; c <= 3; ++c)
          r.wheelset_irregularity_displacement(t, v, w, c) = vehicle_value(t, v, w, c, s) + 0.5f;
      }
    }
}

// Three stages: stage 1 too short for an output instant, stage 2 with ten
// steps (instants 5 and 10), stage 3 with five (instant 5). The drivers end
// every stage with end_stage_results.
void run_three_stages(RunContext& ctx) {
  ctx.trains.speed_stage_count = 3;
  end_stage_results(ctx, 1, 0);
  set_state(ctx, 1);
  write_step_results(ctx, 2, 5.0f, 10);
  set_state(ctx, 2);
  write_step_results(ctx, 2, 10.0f, 10);
  end_stage_results(ctx, 2, 10);
  set_state(ctx, 3);
  write_step_results(ctx, 3, 5.0f, 5);
  end_stage_results(ctx, 3, 5);
}

using Channel = std::tuple<int, int, int>;  // train, vehicle slot, item or wheel entry
// Channel order of the vehicle files: train 1 vehicle 1 (type 1), train 1
// vehicle 2 (type 2), train 2 vehicle 1 (type 1).
const std::vector<Channel> kOutputChannels{{1, 1, 1}, {1, 1, 2}, {2, 1, 1}, {2, 1, 2}};
const std::vector<Channel> kWheelChannels{{1, 1, 1}, {1, 1, 2}, {1, 1, 3}, {1, 2, 1},
                                          {1, 2, 2}, {2, 1, 1}, {2, 1, 2}, {2, 1, 3}};
const std::vector<float> kWheelNodes{5, 6, 7, 1, 2, 5, 6, 7};

std::vector<float> wheel_labels(const std::vector<float>& codes) {
  std::vector<float> l;
  for (float n : kWheelNodes)
    for (float c : codes) l.insert(l.end(), {n, c});
  return l;
}

float quasi_static(float force, float hz) {
  const float w = hz * 6.283185f;
  return force / (w * w);
}

struct FileCase {
  const char* name;
  std::vector<float> labels;
  std::function<std::vector<float>(int s)> record;
};

std::vector<FileCase> file_cases() {
  auto vehicle = [](const std::vector<Channel>& chans, std::vector<int> columns, float add) {
    return [=](int s) {
      std::vector<float> r;
      for (auto [t, v, k] : chans)
        for (int c : columns) r.push_back(vehicle_value(t, v, k, c, s) + add);
      return r;
    };
  };
  const std::vector<float> item_labels{4, 2, 2, 3, 4, 2, 2, 3};
  return {
      {"Res_DisResults_Bridge.bin", {3, 2, 1, 6}, [](int s) { return std::vector<float>{point_value(1, 1, s), point_value(2, 1, s)}; }},
      {"Res_AccResults_Bridge.bin", {3, 2, 1, 6}, [](int s) { return std::vector<float>{point_value(1, 3, s), point_value(2, 3, s)}; }},
      {"Res_Modal_Coordinate_Results_Bridge.bin",
       {1, 10, 1, 30, 1, 0, 2, 10, 2, 30, 2, 0},
       [](int s) {
         return std::vector<float>{static_cast<float>(bridge_state(1, 1, s)), static_cast<float>(bridge_state(1, 3, s)),
                                   quasi_static(100.0f * s, 2.0f), static_cast<float>(bridge_state(2, 1, s)),
                                   static_cast<float>(bridge_state(2, 3, s)), 0.0f};
       }},
      {"Res_DisResults_Vehicles.bin", item_labels, vehicle(kOutputChannels, {1}, 0.0f)},
      {"Res_AccResults_Vehicles.bin", item_labels, vehicle(kOutputChannels, {3}, 0.0f)},
      {"Res_DerailmentFactor_Vehicles.bin", wheel_labels({2}), vehicle(kWheelChannels, {4}, 0.0f)},
      {"Res_ReductionRation_Vehicles.bin", wheel_labels({3}), vehicle(kWheelChannels, {3}, 0.0f)},
      {"Res_BrakeForceDis_Vehicles.bin", wheel_labels({3}), vehicle(kWheelChannels, {5}, 0.0f)},
      {"Res_WheelsetirregDisVehilces.bin", wheel_labels({2, 3, 5}), vehicle(kWheelChannels, {1, 2, 3}, 0.5f)},
  };
}

// Float equality, value by value (a NaN equals nothing).
void expect_same_values(const std::vector<float>& got, const std::vector<float>& want, const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], want[i]) << what << " value " << i;
}

TEST(ResultWriter, EveryStageGetsItsBlockWithLabelsAndTheValuesInChannelOrder) {
  test::TestContext t;
  build_model(*t);
  open_result_files(*t);
  run_three_stages(*t);
  t->units.close_all();

  const float interval = 0.001f * 5.0f;
  for (const FileCase& fc : file_cases()) {
    SCOPED_TRACE(fc.name);
    const test::SeriesFile f = test::decode_series(t.dir / fc.name);
    ASSERT_FALSE(f.truncated);
    EXPECT_EQ(f.stage_count, 3.0f);
    ASSERT_EQ(f.blocks.size(), 3u);
    const std::vector<int> records{0, 2, 1};
    int s = 1;
    for (std::size_t k = 0; k < 3; ++k) {
      const test::SeriesBlock& b = f.blocks[k];
      EXPECT_EQ(b.interval, interval);
      EXPECT_EQ(b.record_count, static_cast<float>(records[k]));
      EXPECT_EQ(b.channel_count * 2, static_cast<float>(fc.labels.size()));
      EXPECT_EQ(b.labels, fc.labels);  // repeated in every block, the empty one included
      ASSERT_EQ(b.records.size(), static_cast<std::size_t>(records[k]));
      for (const std::vector<float>& r : b.records) expect_same_values(r, fc.record(s++), "record");
    }
  }
  // The instants' quasi-static displacements stay in the solver state: the
  // last instant's (none for the mode without a frequency).
  EXPECT_EQ(t->solver.quasi_static_modal_displacement(1), quasi_static(300.0f, 2.0f));
  EXPECT_EQ(t->solver.quasi_static_modal_displacement(2), 0.0);
}

TEST(ResultWriter, AModeOfFrequencyZeroOrBelowHasNoQuasiStaticDisplacement) {
  test::TestContext t;
  RunContext& c = *t;
  const std::vector<float> hz{2.0f, 0.0f, -3.0f, 1.0E-30f, 0.5f};
  const std::int32_t m = static_cast<std::int32_t>(hz.size());
  c.bridge.bridge_mode_count = m;
  c.bridge.mode_frequency.resize(m);
  c.solver.bridge_modal_force.resize(m);
  c.solver.quasi_static_modal_displacement.resize(m);
  for (std::int32_t i = 1; i <= m; ++i) {
    c.bridge.mode_frequency(i) = hz[i - 1];
    c.solver.bridge_modal_force(i) = 1000.0 * i;
  }
  compute_quasi_static_modal_displacement(c);
  // 1.0E-30 Hz squares to nothing in single precision: no stiffness either.
  const std::vector<double> want{quasi_static(1000.0f, 2.0f), 0.0, 0.0, 0.0, quasi_static(5000.0f, 0.5f)};
  for (std::int32_t i = 1; i <= m; ++i) EXPECT_EQ(c.solver.quasi_static_modal_displacement(i), want[i - 1]) << i;
}

TEST(ResultWriter, AnInstantWithAValueBeyondSinglePrecisionEndsTheRunBeforeAnyFileTakesIt) {
  // Finite states can still give a channel beyond single precision (a mode
  // shape of 1E38 times a modal acceleration): the run stops as a blow-up and
  // every file keeps the one instant written before.
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    const char* what;
    std::function<void(RunContext&)> spoil;
  } cases[] = {
      {"bridge output point", [&](RunContext& c) { c.bridge.output_point_response(2, 3) = inf; }},
      {"modal displacement beyond float", [](RunContext& c) { c.solver.bridge_modal_state(1, 1) = 1.0E39; }},
      {"quasi-static displacement", [](RunContext& c) { c.solver.bridge_modal_force(1) = 1.0E39; }},
      {"vehicle output item", [&](RunContext& c) { c.results.vehicle_output_response(2, 1, 2, 3) = inf; }},
      {"wheel entry", [](RunContext& c) { c.results.wheelset_result(1, 2, 1, 4) = std::nanf(""); }},
      {"wheelset irregularity", [&](RunContext& c) { c.results.wheelset_irregularity_displacement(1, 1, 3, 2) = -inf; }},
  };
  for (const auto& k : cases) {
    test::TestContext t;
    build_model(*t);
    t->trains.speed_stage_count = 1;
    open_result_files(*t);
    set_state(*t, 1);
    write_step_results(*t, 1, 5.0f, 10);
    set_state(*t, 2);
    k.spoil(*t);
    EXPECT_EQ(test::expect_stop([&] { write_step_results(*t, 1, 10.0f, 10); }), 1) << k.what;
    EXPECT_EQ(t.console(), "\n Warning:System response blow out!\n" + test::pause_text()) << k.what;
    t->units.close_all();
    for (const FileCase& fc : file_cases()) {
      const test::SeriesFile f = test::decode_series(t.dir / fc.name);
      ASSERT_EQ(f.blocks.size(), 1u) << k.what << " " << fc.name;
      EXPECT_EQ(f.blocks[0].records.size(), 1u) << k.what << " " << fc.name;
    }
  }
}

TEST(ResultWriter, ARunThatStopsEarlyLeavesEveryFileReadingToItsEndByItsOwnCounts) {
  // Two stages of two instants each are planned. A stop in stage 1 after its
  // first instant, or in stage 2 before its first: the counts are rewritten
  // to the blocks and records the files hold, and nothing follows them.
  const struct {
    const char* what;
    int instants_of_stage_1;
    std::size_t records_held;
  } cases[] = {{"stop inside stage 1", 1, 1}, {"stop before the first instant of stage 2", 2, 2}};
  for (const auto& k : cases) {
    test::TestContext t;
    build_model(*t);
    t->trains.speed_stage_count = 2;
    open_result_files(*t);
    for (int i = 1; i <= k.instants_of_stage_1; ++i) {
      set_state(*t, i);
      write_step_results(*t, 1, 5.0f * i, 10);
    }
    if (k.instants_of_stage_1 == 2) end_stage_results(*t, 1, 10);
    settle_series_counts(t->units, t->result_files);
    t->units.close_all();
    for (const FileCase& fc : file_cases()) {
      SCOPED_TRACE(std::string(k.what) + ", " + fc.name);
      const test::SeriesFile f = test::decode_series(t.dir / fc.name);
      EXPECT_FALSE(f.truncated);
      EXPECT_EQ(f.stage_count, 1.0f);
      ASSERT_EQ(f.blocks.size(), 1u);
      EXPECT_EQ(f.blocks[0].record_count, static_cast<float>(k.records_held));
      const std::size_t n = fc.labels.size() / 2;
      EXPECT_EQ(f.values.size(), 1 + 3 + 2 * n + k.records_held * n);
      expect_same_values(f.blocks[0].records.back(), fc.record(static_cast<int>(k.records_held)), "last record");
    }
  }
}

TEST(ResultWriter, VehiclesSwitchedOffLeaveTheVehicleFilesWithTheirRunHeaderOnly) {
  test::TestContext t;
  build_model(*t);
  t->vehicles.contact_type(1) = -1;
  open_result_files(*t);
  run_three_stages(*t);
  t->units.close_all();
  for (const FileCase& fc : file_cases()) {
    const test::SeriesFile f = test::decode_series(t.dir / fc.name);
    const bool vehicle = std::string(fc.name).find("Vehi") != std::string::npos;
    EXPECT_EQ(f.stage_count, 3.0f) << fc.name;
    EXPECT_EQ(f.blocks.size(), vehicle ? 0u : 3u) << fc.name;
  }
}

TEST(ResultWriter, ZeroChannelsGiveHeadersOnly) {
  // No output point, no mode, no vehicle: every block is its stage header.
  test::TestContext t;
  t->solution.output_interval = 2;
  t->trains.speed_stage_count = 1;
  open_result_files(*t);
  write_step_results(*t, 1, 2.0f, 4);
  write_step_results(*t, 1, 4.0f, 4);
  end_stage_results(*t, 1, 4);
  t->units.close_all();
  for (const char* name : {"Res_DisResults_Bridge.bin", "Res_Modal_Coordinate_Results_Bridge.bin",
                           "Res_WheelsetirregDisVehilces.bin"})
    EXPECT_EQ(test::read_floats(t.dir / name), (std::vector<float>{1.0f, 2.0e-4f, 2.0f, 0.0f})) << name;
}

TEST(ResultWriter, AShorterSecondRunLeavesNothingOfTheFirstBehind) {
  test::TempDir dir;
  for (int run = 1; run <= 2; ++run) {
    test::TestContext t;
    t->units.working_dir = dir.path();
    build_model(*t);
    open_result_files(*t);
    if (run == 1) {
      run_three_stages(*t);
    } else {
      t->trains.speed_stage_count = 1;
      set_state(*t, 7);
      write_step_results(*t, 1, 5.0f, 5);
      end_stage_results(*t, 1, 5);
    }
    t->units.close_all();
  }
  for (const FileCase& fc : file_cases()) {
    const test::SeriesFile f = test::decode_series(dir / fc.name);
    EXPECT_EQ(f.values.size(), 1 + 3 + fc.labels.size() + fc.labels.size() / 2) << fc.name;
    ASSERT_EQ(f.blocks.size(), 1u) << fc.name;
    ASSERT_EQ(f.blocks[0].records.size(), 1u) << fc.name;
    expect_same_values(f.blocks[0].records[0], fc.record(7), fc.name);
  }
}

TEST(ResultWriter, TheStepByStepDriverWritesOneRecordPerOutputInterval) {
  // A moving load over 1 m at 64 m/s with dt = 1/1024 s: 160 steps, output
  // every 10th; a harmonic force moves the bridge.
  test::IntegrationModel m{0.0f, 1.0f};
  RunContext& c = *m.t;
  c.solution.time_step = 0.0009765625f;
  c.trains.train_speed(1, 1) = 64.0f;
  m.add_harmonic_force(1, 2, 1000.0f, 3.0f);
  run_time_integration(c);
  c.units.close_all();
  const test::SeriesFile f = test::decode_series(m.t.dir / "Res_Modal_Coordinate_Results_Bridge.bin");
  ASSERT_FALSE(f.truncated);
  EXPECT_EQ(f.stage_count, 1.0f);
  ASSERT_EQ(f.blocks.size(), 1u);
  EXPECT_EQ(f.blocks[0].interval, 0.009765625f);
  EXPECT_EQ(f.blocks[0].record_count, 16.0f);
  ASSERT_EQ(f.blocks[0].records.size(), 16u);
  EXPECT_NE(f.blocks[0].records[15][0], 0.0f);
  // The moving load switches the vehicles off: their files hold the header.
  EXPECT_EQ(test::read_floats(m.t.dir / "Res_DisResults_Vehicles.bin"), std::vector<float>{1.0f});
}

}  // namespace
}  // namespace tb
