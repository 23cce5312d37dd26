#include "integration/stage_plan.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "integration/train_advance.h"
#include "integration_fixture.h"

namespace tb {
namespace {

// The fixture's train: one vehicle of 12 m, its wheels 6 and 9 m behind the
// front, at 50 m/s over a track from 0 to 100 m, dt = 1E-3 s, N = 10: a
// passage of 109 m, 2180 steps.
using Edit = std::function<void(RunContext&)>;

struct Refusal {
  const char* what;
  Edit edit;
  const char* label;   // the file whose data-error line stops the run
  const char* detail;  // the start of the line that says what to fix
};

TEST(StagePlan, AStageOrAResultFileThatCannotBeHonouredIsADataErrorOfTheFileThatAsksForIt) {
  const Refusal cases[] = {
      {"run-out 1e9 m", [](RunContext& c) { c.trains.train_run_out(1, 1) = 1.0E9f; }, "\\VehicleOrganization.dat",
       "VehicleOrganization.dat (train 1, speed stage 1): bad value a passage of 1000000128 m (lead-in 0 m, "
       "run-out 1e+09 m) at 180 km/h takes 20000002048 time steps of 0.001 s (\"SolutionParameters.dat\"), more "
       "than the 16777216 that a speed stage can run"},
      {"speed 1e-6 km/h", [](RunContext& c) { c.trains.train_speed(1, 1) = 1.0E-6f / 3.6f; },
       "\\VehicleOrganization.dat",
       "VehicleOrganization.dat (train 1, speed stage 1): bad value a passage of 109 m (lead-in 0 m, run-out 0 m) "
       "at 1e-06 km/h takes "},
      {"time step 1e-30 s", [](RunContext& c) { c.solution.time_step = 1.0E-30f; }, "\\SolutionParameters.dat",
       "SolutionParameters.dat (record 2, time step): bad value 1e-30 s: a passage of 109 m (lead-in 0 m, run-out "
       "0 m) at 180 km/h (train 1, speed stage 1 of \"VehicleOrganization.dat\") takes 2.18e+30 time steps, more "
       "than the 16777216"},
      {"a passage of 2^24 + 2 steps",
       [](RunContext& c) {
         c.solution.time_step = 1.0f;
         c.solution.output_interval = 1;
         c.trains.train_speed(1, 1) = 1.0f;
         c.trains.train_run_out(1, 1) = 16777109.0f;  // 9 + (100 + 16777109) = 16777218
       },
       "\\VehicleOrganization.dat",
       "VehicleOrganization.dat (train 1, speed stage 1): bad value a passage of 16777218 m"},
      {"output points", [](RunContext& c) { c.bridge.output_point_count = 10000000; },
       "\\Modal_Substructure_Bridge.dat",
       "Modal_Substructure_Bridge.dat (output points): bad value 10000000 output points: \"Res_DisResults_Bridge.bin\" "
       "would hold 2200000004 values (10000000 channels, 218 records in 1 speed stage)"},
      {"one value beyond 2^31: 536870912 output points, 2 records",
       [](RunContext& c) {
         c.solution.output_interval = 1000;  // 2180 steps: 2000 run, 2 records
         c.bridge.output_point_count = 536870912;
       },
       "\\Modal_Substructure_Bridge.dat",
       "Modal_Substructure_Bridge.dat (output points): bad value 536870912 output points: "
       "\"Res_DisResults_Bridge.bin\" would hold 2147483652 values (536870912 channels, 2 records in 1 speed stage), "
       "more than the 2147483648 (8 GB) that a result file can hold"},
      {"requested nodes", [](RunContext& c) { c.recovery.post_node_count = 1000000; },
       "\\Modal_Substructure_Bridge.dat",
       "Modal_Substructure_Bridge.dat (Post section, node ranges): bad value 1000000 requested nodes, 12 channels "
       "each: \"Res_BridgeResponseBulkDate_disacc.bin\" would hold 2640000004 values"},
      {"element components", [](RunContext& c) { c.recovery.post_component_total = 10000000; },
       "\\Modal_Substructure_Bridge.dat",
       "Modal_Substructure_Bridge.dat (Post section, element ranges): bad value 10000000 internal-force components of "
       "the requested elements: \"Res_BridgeResponseBulkDate_stress.bin\""},
      {"vehicle outputs",
       [](RunContext& c) {
         c.vehicles.contact_type(1) = 0;
         c.vehicles.vehicle_output_count(1) = 10000000;
       },
       "\\Modal_Substructure_Vehicletypes.dat",
       "Modal_Substructure_Vehicletypes.dat (type 1, output items): bad value 10000000 output items on each of its 2 "
       "vehicles in the trains, 20000000 channels in all: \"Res_DisResults_Vehicles.bin\" would hold 4880000004 "
       "values"},
      {"records: a record every microsecond",
       [](RunContext& c) {
         c.solution.time_step = 1.0E-6f;
         c.solution.output_interval = 1;
         c.bridge.output_point_count = 1000;
       },
       "\\SolutionParameters.dat",
       "SolutionParameters.dat (record 3, output interval): bad value 1 step, a record every 1e-06 s: a passage of "
       "109 m (lead-in 0 m, run-out 0 m) at 180 km/h (train 1, speed stage 1 of \"VehicleOrganization.dat\") gives "
       "2180000 records; with those of every stage \"Res_DisResults_Bridge.bin\" would hold 2180002004 values"},
      {"records: many long stages at N = 1",
       [](RunContext& c) {
         // 100 stages of 3000 s at 50 m/s and dt = 0.1 s, a record every
         // step: 30000 records a stage, 3000000 in all, of 1000 channels.
         c.solution.time_step = 0.1f;
         c.solution.output_interval = 1;
         c.bridge.output_point_count = 1000;
         TrainOrganization& o = c.trains;
         o.speed_stage_count = 100;
         o.train_speed.resize(1, 100);
         o.train_lead_in.resize(1, 100);
         o.train_run_out.resize(1, 100);
         for (std::int32_t s = 1; s <= 100; ++s) {
           o.train_speed(1, s) = 50.0f;
           o.train_run_out(1, s) = 149891.0f;  // 150000 m
         }
       },
       "\\VehicleOrganization.dat",
       "VehicleOrganization.dat (train 1, speed stage 1): bad value a passage of 150000 m (lead-in 0 m, run-out "
       "149891 m) at 180 km/h: 30000 records, one every 0.1 s (\"SolutionParameters.dat\"); with those of every stage "
       "\"Res_DisResults_Bridge.bin\" would hold 3000200301 values (1000 channels, 3000000 records in 100 speed "
       "stages)"},
  };
  for (const Refusal& k : cases) {
    test::IntegrationModel m(0.0f, 100.0f, k.what == std::string("vehicle outputs") ? 2 : 1);
    RunContext& c = *m.t;
    k.edit(c);
    EXPECT_EQ(test::expect_stop([&] { plan_speed_stages(c); }), 1) << k.what;
    const std::string out = m.t.console();
    EXPECT_NE(out.find(std::string(k.label) + " \xCA\xFD\xBE\xDD\xD3\xD0\xCE\xF3\xA3\xA1 \n"), std::string::npos)
        << k.what << "\n"
        << out;
    EXPECT_NE(out.find(k.detail), std::string::npos) << k.what << "\n" << out;
    // Nothing but the refusal: no stage or placement line before it.
    EXPECT_EQ(out.find("Speed stage"), std::string::npos) << k.what;
    EXPECT_EQ(out.find("Warning"), std::string::npos) << k.what;
  }
}

// The bridge of the fixture's track: interface nodes at 40 and 60 m.
void put_bridge_on_track(RunContext& c) {
  c.track.interface_node_track.resize(2);
  c.track.interface_node_track.fill(1);
  c.bridge.node_coordinates(1, 1) = 40.0f;
  c.bridge.node_coordinates(2, 1) = 60.0f;
}

struct StartUpLines {
  const char* what;
  bool reversed;
  Edit edit;
  const char* console;
};

TEST(StagePlan, StagesWithoutStepsAndTrainsPlacedWhereTheyCannotStartFromRestAreNamedAtStartUp) {
  const StartUpLines cases[] = {
      {"lead-in 0, run-out 0", false, [](RunContext&) {}, ""},
      {"a passage of 2^24 steps", false,
       [](RunContext& c) {
         c.solution.time_step = 1.0f;
         c.solution.output_interval = 1;
         c.trains.train_speed(1, 1) = 1.0f;
         c.trains.train_run_out(1, 1) = 16777107.0f;  // 9 + (100 + 16777107) = 16777216
       },
       ""},
      {"a result file of 2^31 values: 536870911 output points, 2 records", false,
       [](RunContext& c) {
         c.solution.output_interval = 1000;
         c.bridge.output_point_count = 536870911;
       },
       ""},
      {"negative lead-in", false, [](RunContext& c) { c.trains.train_lead_in(1, 1) = -50.0f; },
       " Warning: train 1 stands with 2 wheels on the bridge (track 1) at the start of speed stage 1 (lead-in -50 m): "
       "the bridge takes their load at once, from rest.\n"},
      {"negative lead-in, reversed track", true, [](RunContext& c) { c.trains.train_lead_in(1, 1) = -48.0f; },
       " Warning: train 1 stands with 1 wheel on the bridge (track 1) at the start of speed stage 1 (lead-in -48 m): "
       "the bridge takes their load at once, from rest.\n"},
      {"negative run-out", false, [](RunContext& c) { c.trains.train_run_out(1, 1) = -80.0f; },
       " Warning: speed stage 1 ends before train 1 reaches the bridge (run-out -80 m): its first wheel stops 17.55 m "
       "before the first interface node of track 1.\n"},
      {"negative run-out, reversed track", true, [](RunContext& c) { c.trains.train_run_out(1, 1) = -80.0f; },
       " Warning: speed stage 1 ends before train 1 reaches the bridge (run-out -80 m): its first wheel stops 17.55 m "
       "before the first interface node of track 1.\n"},
      {"speed 0", false, [](RunContext& c) { c.trains.train_speed(1, 1) = 0.0f; },
       " Speed stage 1 runs no time step: no train of it moves along its track; its block in every result file holds "
       "no record.\n"},
      {"time step 1 s", false, [](RunContext& c) { c.solution.time_step = 1.0f; },
       " Speed stage 1 runs no time step: its longest passage takes 2 time steps of 1 s, fewer than the output "
       "interval of 10; its block in every result file holds no record.\n"},
      {"no train", false, [](RunContext& c) { c.trains.train_count = 0; },
       " Speed stage 1 runs no time step: it has no train; its block in every result file holds no record.\n"},
  };
  for (const StartUpLines& k : cases) {
    test::IntegrationModel m(k.reversed ? 100.0f : 0.0f, k.reversed ? 0.0f : 100.0f);
    RunContext& c = *m.t;
    put_bridge_on_track(c);
    k.edit(c);
    const double speed = c.trains.train_speed(1, 1);
    plan_speed_stages(c);
    EXPECT_EQ(m.t.console(), k.console) << k.what;
    // The stage loop finds the speeds as read: a reversed track's speed is
    // negated by the stage's start, not by the plan.
    EXPECT_EQ(c.trains.train_speed(1, 1), speed) << k.what;
  }
}

}  // namespace
}  // namespace tb
