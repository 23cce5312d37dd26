#include "interaction/wheel_rail_sums.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "interaction/wheel_rail_interaction.h"

namespace tb {
namespace {

// Values over six decades and of both signs: a sum taken in another order
// than mode order would differ in its last bits.
std::vector<float> spread(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f), decade(-3.0f, 3.0f);
  std::vector<float> v(n);
  for (float& x : v) x = mantissa(gen) * std::pow(10.0f, decade(gen));
  return v;
}

std::vector<VectorWidth> widths() {
  std::vector<VectorWidth> w{VectorWidth::four};
  if (widest_vector_width() == VectorWidth::eight) w.push_back(VectorWidth::eight);
  return w;
}

bool same(float a, float b) { return same_bits(a, b); }

constexpr std::int32_t kModes[] = {1, 5, 13, 105};

// Every sum over the modes, whatever the register width, is the plain loop's
// in mode order, bit for bit.
TEST(WheelRailSums, BridgeShapesAndSumsAreThePlainLoopsBitForBit) {
  for (const std::int32_t modes : kModes) {
    const std::int32_t padded = (modes + 7) / 8 * 8;
    std::vector<float> here = spread(12 * modes, 1), next = spread(12 * modes, 2);
    for (std::int32_t m = 0; m < modes; ++m)
      for (int e = 9; e < 12; ++e) here[12 * m + e] = next[12 * m + e] = 0.0f;  // the table's padding
    const float u = 0.3721f;
    std::vector<float> shapes(12 * modes), force(5 * padded, 0.0f);
    for (VectorWidth width : widths()) {
      EXPECT_TRUE(
          interpolate_bridge_shapes(here.data(), next.data(), u, modes, padded, width, shapes.data(), force.data()));
      for (std::int32_t m = 0; m < modes; ++m)
        for (int e = 0; e < 12; ++e) {
          const float plain = (1.0f - u) * here[12 * m + e] + u * next[12 * m + e];
          ASSERT_TRUE(same(shapes[12 * m + e], plain)) << modes << " modes, mode " << m << " entry " << e;
          if (e < 5) {
            ASSERT_TRUE(same(force[e * padded + m], plain)) << modes << " modes, mode " << m << " entry " << e;
          }
        }
    }

    // The state pattern of a bridge state (modes, 3) and the sums over it.
    std::vector<double> state(3 * modes);
    const std::vector<float> values = spread(3 * modes, 3);
    for (std::size_t i = 0; i < state.size(); ++i) state[i] = values[i];
    std::vector<float> pattern(12 * modes);
    EXPECT_TRUE(build_bridge_state_pattern(state.data(), modes, pattern.data()));
    float plain[3][9] = {};
    for (std::int32_t m = 0; m < modes; ++m)
      for (int d = 0; d < 3; ++d)
        for (int e = 0; e < 9; ++e) plain[d][e] += shapes[12 * m + e] * static_cast<float>(state[d * modes + m]);
    // Alone, and beside another wheel's shapes.
    const std::vector<float> other_shapes = spread(12 * modes, 12);
    for (VectorWidth width : widths()) {
      BridgeMotionSums alone, first, second;
      sum_bridge_motion(shapes.data(), pattern.data(), modes, width, alone);
      sum_bridge_motion_pair(shapes.data(), other_shapes.data(), pattern.data(), modes, width, first, second);
      for (const BridgeMotionSums* sums : {&alone, &first}) {
        for (int e = 0; e < 9; ++e) EXPECT_TRUE(same(sums->displacement[e], plain[0][e])) << modes << " entry " << e;
        for (int e = 0; e < 6; ++e) {
          EXPECT_TRUE(same(sums->velocity[e], plain[1][e])) << modes << " entry " << e;
          EXPECT_TRUE(same(sums->acceleration[e], plain[2][e])) << modes << " entry " << e;
        }
      }
      float displacement = 0.0f;
      for (std::int32_t m = 0; m < modes; ++m) displacement += other_shapes[12 * m + 8] * static_cast<float>(state[m]);
      EXPECT_TRUE(same(second.displacement[8], displacement)) << modes;
    }

    // The generalised forces of a pair added to double forces.
    ContactForceRecord f1, f2;
    const std::vector<float> f = spread(12, 4);
    for (int c = 0; c < 6; ++c) {
      f1.values[c] = f[c];
      f2.values[c] = f[6 + c];
    }
    std::vector<float> force2(5 * padded, 0.0f), scratch(padded);
    std::vector<float> other = spread(5 * modes, 5);
    for (int c = 0; c < 5; ++c)
      for (std::int32_t m = 0; m < modes; ++m) force2[c * padded + m] = other[c * modes + m];
    for (VectorWidth width : widths()) {
      std::vector<double> total(modes, 1.0), expected(modes, 1.0);
      add_pair_forces_on_bridge(force.data(), force2.data(), f1, f2, modes, padded, width, scratch.data(),
                                total.data());
      for (std::int32_t m = 0; m < modes; ++m) {
        float s1 = 0.0f, s2 = 0.0f;
        for (int c = 0; c < 5; ++c) {
          s1 += force[c * padded + m] * f1.values[c];
          s2 += force2[c * padded + m] * f2.values[c];
        }
        expected[m] += static_cast<double>(-s1 - s2);
        EXPECT_EQ(total[m], expected[m]) << modes << " mode " << m;
      }
    }
  }
  // Shapes that are all zero say so.
  const std::vector<float> zero(12 * 3, 0.0f);
  std::vector<float> shapes(12 * 3), force(5 * 8);
  for (VectorWidth width : widths())
    EXPECT_FALSE(interpolate_bridge_shapes(zero.data(), zero.data(), 0.5f, 3, 8, width, shapes.data(), force.data()));
  // A state that is not finite says so.
  const double bad[3] = {1.0, std::nan(""), 0.0};
  std::vector<float> pattern(12);
  EXPECT_FALSE(build_bridge_state_pattern(bad, 1, pattern.data()));
}

TEST(WheelRailSums, VehicleMotionAndForcesAreThePlainLoopsBitForBit) {
  for (const std::int32_t modes : {1, 7, 32}) {
    const std::int32_t padded = (modes + 7) / 8 * 8;
    const std::vector<float> phi = spread(5 * modes, 6), lead = spread(modes, 7);
    std::vector<double> state(3 * modes);
    const std::vector<float> values = spread(3 * modes, 8);
    for (std::size_t i = 0; i < state.size(); ++i) state[i] = values[i];
    // Shapes in the wheel-point layout: per mode components 1-5 three times.
    std::vector<float> shapes(16 * modes, 0.0f), pattern(16 * modes);
    for (std::int32_t k = 0; k < modes; ++k)
      for (int d = 0; d < 3; ++d)
        for (int c = 0; c < 5; ++c) shapes[16 * k + 5 * d + c] = phi[5 * k + c];
    const float lead_shift = build_vehicle_state_pattern(state.data(), modes, lead.data(), pattern.data());
    float plain_lead = 0.0f;
    for (std::int32_t k = 0; k < modes; ++k) plain_lead += lead[k] * static_cast<float>(state[k]);
    EXPECT_TRUE(same(lead_shift, plain_lead));
    // One to four wheels at once, the same shapes at each.
    for (VectorWidth width : widths())
      for (std::int32_t wheels = 1; wheels <= kVehicleWheelsAtOnce; ++wheels) {
        ContactPointRecord point[kVehicleWheelsAtOnce];
        const float* each[kVehicleWheelsAtOnce];
        ContactPointRecord* out[kVehicleWheelsAtOnce];
        for (std::int32_t i = 0; i < wheels; ++i) {
          point[i].values.fill(7.0f);
          each[i] = shapes.data();
          out[i] = &point[i];
        }
        sum_vehicle_motion(each, wheels, pattern.data(), modes, width, out);
        for (std::int32_t i = 0; i < wheels; ++i)
          for (int d = 0; d < 3; ++d) {
            for (int c = 0; c < 5; ++c) {
              float plain = 0.0f;
              for (std::int32_t k = 0; k < modes; ++k)
                plain += phi[5 * k + c] * static_cast<float>(state[d * modes + k]);
              EXPECT_TRUE(same(point[i].values[6 * d + c], plain)) << modes << " modes, " << wheels << " wheels";
            }
            EXPECT_TRUE(same(point[i].values[6 * d + 5], 0.0f));
          }
      }

    // The pair's forces on the vehicle modes: the sixth component carries
    // nothing (its shape is 0).
    std::vector<float> phi1(5 * padded, 0.0f), phi2(5 * padded, 0.0f), sums(padded);
    const std::vector<float> other = spread(5 * modes, 9);
    for (int c = 0; c < 5; ++c)
      for (std::int32_t k = 0; k < modes; ++k) {
        phi1[c * padded + k] = phi[5 * k + c];
        phi2[c * padded + k] = other[c * modes + k];
      }
    ContactForceRecord f1, f2;
    const std::vector<float> f = spread(12, 10);
    for (int c = 0; c < 5; ++c) {
      f1.values[c] = f[c];
      f2.values[c] = f[6 + c];
    }
    for (VectorWidth width : widths()) {
      sum_pair_forces_on_vehicle(phi1.data(), phi2.data(), f1, f2, padded, width, sums.data());
      for (std::int32_t k = 0; k < modes; ++k) {
        float s1 = 0.0f, s2 = 0.0f;
        for (int c = 0; c < 6; ++c) {
          s1 += (c < 5 ? phi1[c * padded + k] : 0.0f) * f1.values[c];
          s2 += (c < 5 ? phi2[c * padded + k] : 0.0f) * f2.values[c];
        }
        EXPECT_TRUE(same(sums[k], s1 + s2)) << modes << " mode " << k;
      }
    }
  }
}

// The seven track columns at once are each column's five-point (or shorter)
// Lagrange formula of interpolate_track_quantity, bit for bit.
TEST(WheelRailSums, TrackColumnsAreTheLagrangeFormulaOfEachColumn) {
  const std::vector<float> y = spread(5 * 7, 11);
  for (std::int32_t count = 1; count <= 5; ++count)
    for (const float xe : {12.25f, 12.0f, 13.875f, 9.5f}) {
      float x[5], rows[5][8] = {};
      for (int l = 0; l < count; ++l) {
        x[l] = 12.0f + 0.25f * static_cast<float>(l);
        for (int c = 0; c < 7; ++c) rows[l][c] = y[7 * l + c];
      }
      float values[8];
      interpolate_track_columns(count, x, rows, xe, values);
      for (int c = 0; c < 7; ++c) {
        float column[5], plain = 0.0f;
        for (int l = 0; l < count; ++l) column[l] = rows[l][c];
        interpolate_track_quantity(1, count, 1, x, column, 1, &xe, &plain);
        EXPECT_TRUE(same(values[c], plain)) << count << " points at " << xe << ", column " << c;
      }
    }
}

}  // namespace
}  // namespace tb
