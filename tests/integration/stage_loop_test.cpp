#include "integration/stage_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../results/series_reader.h"
#include "integration/time_integration.h"
#include "integration_fixture.h"
#include "platform/texts.h"

namespace tb {
namespace {

// A scheme that records what the loop hands it and when: what the console
// shows of the stage when the stage begins and at its first step, whether the
// train has been advanced then, and the state at the stage's end. Its step
// puts the step value into the first bridge modal displacement, which the
// output instants write to the modal-coordinate file, and into an element
// force, which the stage must start from as the run began.
struct RecordingScheme final : StageScheme {
  test::IntegrationModel& m;
  std::vector<std::string> calls;
  std::int32_t steps = 0;
  explicit RecordingScheme(test::IntegrationModel& model) : m(model) {}

  // The banners so far, and the progress lines after the last of them.
  std::string seen() {
    const std::string out = m.t.console();
    std::size_t banners = 0, lines = 0;
    for (std::size_t p = out.find(text::speed_stage); p != std::string::npos; p = out.find(text::speed_stage, p + 1))
      ++banners;
    for (std::size_t p = out.find("Speed Stage=", out.rfind(text::speed_stage)); p != std::string::npos;
         p = out.find("Speed Stage=", p + 1))
      ++lines;
    return std::to_string(banners) + " banners, " + std::to_string(lines) + " progress lines";
  }
  void begin_stage(std::int32_t stage) override {
    RunContext& c = *m.t;
    calls.push_back("begin " + std::to_string(stage) + " after " + seen() + ", element force " +
                    std::to_string(static_cast<int>(c.spring_state.bridge_spring_force(1, 1))));
    c.layout.wheelset_position(1, 1, 1) = -1.0;  // the first step places the train
  }
  void step(std::int32_t stage, float step) override {
    RunContext& c = *m.t;
    if (steps++ == 0)
      calls.push_back("step " + std::to_string(stage) + ":" + std::to_string(static_cast<int>(step)) + " after " +
                      seen() + (c.layout.wheelset_position(1, 1, 1) == -1.0 ? ", train not placed" : ""));
    c.solver.bridge_modal_state(1, 1) = step;
    c.spring_state.bridge_spring_force(1, 1) = step;
  }
  void end_stage() override {
    calls.push_back("end after " + std::to_string(steps) + " steps, state " +
                    std::to_string(static_cast<int>(m.t->solver.bridge_modal_state(1, 1))));
    steps = 0;
  }
};

TEST(StageLoop, RunsEachStageThroughItsSchemeAndWritesEveryNthStep) {
  // 160 steps a stage at 64 m/s with dt = 1/1024 s, the output every N
  // steps; a train that stands makes a stage without steps.
  const struct {
    const char* what;
    std::int32_t output_interval;
    float second_speed;
    std::vector<std::string> calls;
    std::vector<std::size_t> records;  // per stage block of the modal-coordinate file
  } cases[] = {
      {"every 10th step of 160, and a stage without steps",
       10,
       0.0f,
       {"begin 1 after 1 banners, 0 progress lines, element force 5", "step 1:1 after 1 banners, 1 progress lines",
        "end after 160 steps, state 160", "begin 2 after 2 banners, 0 progress lines, element force 5",
        "end after 0 steps, state 0"},
       {16, 0}},
      {"the step count cut to whole intervals of 7",
       7,
       64.0f,
       {"begin 1 after 1 banners, 0 progress lines, element force 5", "step 1:1 after 1 banners, 1 progress lines",
        "end after 154 steps, state 154", "begin 2 after 2 banners, 0 progress lines, element force 5",
        "step 2:1 after 2 banners, 1 progress lines", "end after 154 steps, state 154"},
       {22, 22}},
  };
  for (const auto& k : cases) {
    test::IntegrationModel m{0.0f, 1.0f};
    RunContext& c = *m.t;
    c.solution.time_step = 0.0009765625f;
    c.solution.output_interval = k.output_interval;
    c.trains.train_speed(1, 1) = 64.0f;
    m.two_stages();
    c.trains.train_speed(1, 2) = k.second_speed;
    allocate_solver_state(c, false);
    c.spring_state.bridge_spring_force.resize(1, 6);
    c.spring_state.bridge_spring_force(1, 1) = 5.0f;
    RecordingScheme scheme(m);
    run_stage_loop(c, scheme);
    EXPECT_EQ(scheme.calls, k.calls) << k.what;
    // The reset after each stage: at rest again.
    EXPECT_EQ(c.solver.bridge_modal_state(1, 1), 0.0) << k.what;
    c.units.close_all();
    const test::SeriesFile f = test::decode_series(m.t.dir / "Res_Modal_Coordinate_Results_Bridge.bin");
    ASSERT_EQ(f.blocks.size(), 2u) << k.what;
    for (std::size_t b = 0; b < 2; ++b) {
      ASSERT_EQ(f.blocks[b].records.size(), k.records[b]) << k.what;
      // Each output instant holds the state of its own step.
      for (std::size_t r = 0; r < k.records[b]; ++r)
        EXPECT_EQ(f.blocks[b].records[r][0], static_cast<float>((r + 1) * k.output_interval)) << k.what;
    }
  }
}

}  // namespace
}  // namespace tb
