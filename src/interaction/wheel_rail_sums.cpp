#include "interaction/wheel_rail_sums.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace tb {

namespace {

// Four single-precision lanes (SSE2 on x86-64); plain C++ vector extensions,
// so the compiler lowers them to whatever the target has.
using v4 = float __attribute__((vector_size(16)));
using v4i = std::int32_t __attribute__((vector_size(16)));

inline v4 load4(const float* p) {
  v4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void store4(float* p, v4 v) { std::memcpy(p, &v, sizeof v); }

// The kernels below that run over the modes in whole registers are written
// once for a register type V (four or eight lanes) and inlined into a
// four-lane and an eight-lane entry point.
// (Registers pass by reference: an eight-lane value passed by value would
// take another calling convention without AVX.)
template <class V>
[[gnu::always_inline]] inline const V& load(const float* p, V& v) {
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class V>
[[gnu::always_inline]] inline void store(float* p, const V& v) {
  std::memcpy(p, &v, sizeof v);
}
template <class V>
constexpr std::int32_t lanes_of = static_cast<std::int32_t>(sizeof(V) / sizeof(float));

// For the modes m < count (rounded up to whole registers) out(m) = -s1 - s2
// (bridge) or s1 + s2 (vehicle), s1 the sum over the components c = 1..5 in
// order of shapes1(c, m) * f1(c) (shapes laid out (padded_modes, 5)), s2
// likewise.
template <class V, bool bridge>
[[gnu::always_inline]] inline void pair_force_sums(const float* shapes1, const float* shapes2,
                                                   const ContactForceRecord& f1, const ContactForceRecord& f2,
                                                   std::int32_t count, std::int32_t padded_modes, float* out) {
  for (std::int32_t m = 0; m < count; m += lanes_of<V>) {
    V s1{}, s2{};
    for (std::int32_t c = 0; c < 5; ++c) {
      const std::size_t at = static_cast<std::size_t>(c) * padded_modes + m;
      V a, b;
      s1 += load(shapes1 + at, a) * f1.values[c];
      s2 += load(shapes2 + at, b) * f2.values[c];
    }
    const V t = bridge ? -s1 - s2 : s1 + s2;
    store(out + m, t);
  }
}

// scratch(m) = -s1 - s2, force(m) += scratch(m).
template <class V>
[[gnu::always_inline]] inline void pair_forces_on_bridge(const float* psi1, const float* psi2,
                                                         const ContactForceRecord& f1, const ContactForceRecord& f2,
                                                         std::int32_t modes, std::int32_t padded_modes,
                                                         float* scratch, double* force) {
  pair_force_sums<V, true>(psi1, psi2, f1, f2, modes, padded_modes, scratch);
  for (std::int32_t m = 0; m < modes; ++m) force[m] += static_cast<double>(scratch[m]);
}

// The sixteen lanes of the wheel-point sums of n wheels of one vehicle
// (shapes[i] those of wheel i), in one pass over the modes.
template <class V, int n>
[[gnu::always_inline]] inline void vehicle_motion_lanes(const float* const* shapes, const float* state_pattern,
                                                        std::int32_t modes, float (*lanes)[kVehicleShapeStride]) {
  constexpr std::int32_t parts = kVehicleShapeStride / lanes_of<V>;
  V acc[n][parts] = {};
  for (std::int32_t k = 0; k < modes; ++k, state_pattern += kVehicleShapeStride)
    for (std::int32_t p = 0; p < parts; ++p) {
      V q;
      load(state_pattern + p * lanes_of<V>, q);
      for (int i = 0; i < n; ++i) {
        V a;
        acc[i][p] += load(shapes[i] + k * kVehicleShapeStride + p * lanes_of<V>, a) * q;
      }
    }
  for (int i = 0; i < n; ++i)
    for (std::int32_t p = 0; p < parts; ++p) store(lanes[i] + p * lanes_of<V>, acc[i][p]);
}

void sum_bridge_motion_4(const float* s, const float* q, std::int32_t modes, BridgeMotionSums& out) {
  // Entries 1-4, 5-8 and 9-12 of the shapes times the displacement; entries
  // 1-4 and 5-8 times the velocity and the acceleration.
  v4 d0a{}, d0b{}, d0c{}, d1a{}, d1b{}, d2a{}, d2b{};
  for (std::int32_t m = 0; m < modes; ++m, s += kBridgeShapeStride, q += kBridgeShapeStride) {
    const v4 sa = load4(s), sb = load4(s + 4), sc = load4(s + 8);
    const v4 q0 = load4(q), q1 = load4(q + 4), q2 = load4(q + 8);
    d0a += sa * q0;
    d0b += sb * q0;
    d0c += sc * q0;
    d1a += sa * q1;
    d1b += sb * q1;
    d2a += sa * q2;
    d2b += sb * q2;
  }
  store4(out.displacement.data(), d0a);
  store4(out.displacement.data() + 4, d0b);
  store4(out.displacement.data() + 8, d0c);
  store4(out.velocity.data(), d1a);
  store4(out.velocity.data() + 4, d1b);
  store4(out.acceleration.data(), d2a);
  store4(out.acceleration.data() + 4, d2b);
}

// The bridge shapes of every mode at a wheel (mode(m, a, b, nonzero) forms
// mode m's twelve entries, stores them, returns entries 1-4 in a and 5-8 in
// b and marks the lanes that are not zero), and their components 1-5 by mode
// for the generalised forces, four modes at a time turned in registers.
// Returns whether any entry is not zero.
template <class Mode>
[[gnu::always_inline]] inline bool bridge_shapes(Mode&& mode, std::int32_t modes, std::int32_t padded_modes,
                                                 float* force_shapes) {
  v4i nonzero{};
  float* const row[5] = {force_shapes, force_shapes + padded_modes, force_shapes + 2 * padded_modes,
                         force_shapes + 3 * padded_modes, force_shapes + 4 * padded_modes};
  std::int32_t m = 0;
  for (; m + 4 <= modes; m += 4) {
    v4 a[4], b[4];
    for (std::int32_t i = 0; i < 4; ++i) mode(m + i, a[i], b[i], nonzero);
    const v4 t0 = __builtin_shuffle(a[0], a[1], v4i{0, 4, 1, 5});
    const v4 t1 = __builtin_shuffle(a[0], a[1], v4i{2, 6, 3, 7});
    const v4 t2 = __builtin_shuffle(a[2], a[3], v4i{0, 4, 1, 5});
    const v4 t3 = __builtin_shuffle(a[2], a[3], v4i{2, 6, 3, 7});
    store4(row[0] + m, __builtin_shuffle(t0, t2, v4i{0, 1, 4, 5}));
    store4(row[1] + m, __builtin_shuffle(t0, t2, v4i{2, 3, 6, 7}));
    store4(row[2] + m, __builtin_shuffle(t1, t3, v4i{0, 1, 4, 5}));
    store4(row[3] + m, __builtin_shuffle(t1, t3, v4i{2, 3, 6, 7}));
    const v4 u0 = __builtin_shuffle(b[0], b[1], v4i{0, 4, 1, 5});
    const v4 u1 = __builtin_shuffle(b[2], b[3], v4i{0, 4, 1, 5});
    store4(row[4] + m, __builtin_shuffle(u0, u1, v4i{0, 1, 4, 5}));
  }
  for (; m < modes; ++m) {
    v4 a, b;
    mode(m, a, b, nonzero);
    for (std::int32_t c = 0; c < 4; ++c) row[c][m] = a[c];
    row[4][m] = b[0];
  }
  return (nonzero[0] | nonzero[1] | nonzero[2] | nonzero[3]) != 0;
}

#if defined(__x86_64__) || defined(__i386__)
#define TRAINBRIDGE_EIGHT_LANES 1
using v8 = float __attribute__((vector_size(32)));

// The same sums with eight lanes, for n wheels at once (the state's factors
// loaded once per mode, more sums in flight): entries 1-8 in one register
// per state value, entry 9 (with the padding) in a four-lane one.
template <int n>
[[gnu::always_inline]] inline void bridge_motion_8(const float* const (&shapes)[n], const float* q,
                                                   std::int32_t modes, BridgeMotionSums* const (&out)[n]) {
  v8 d0[n] = {}, d1[n] = {}, d2[n] = {};
  v4 d0c[n] = {};
  for (std::int32_t m = 0; m < modes; ++m, q += kBridgeShapeStride) {
    const float q0 = q[0], q1 = q[4], q2 = q[8];
    for (int i = 0; i < n; ++i) {
      const float* s = shapes[i] + static_cast<std::size_t>(m) * kBridgeShapeStride;
      v8 sa;
      std::memcpy(&sa, s, sizeof sa);
      d0[i] += sa * q0;
      d0c[i] += load4(s + 8) * q0;
      d1[i] += sa * q1;
      d2[i] += sa * q2;
    }
  }
  for (int i = 0; i < n; ++i) {
    std::memcpy(out[i]->displacement.data(), &d0[i], sizeof d0[i]);
    store4(out[i]->displacement.data() + 8, d0c[i]);
    std::memcpy(out[i]->velocity.data(), &d1[i], sizeof d1[i]);
    std::memcpy(out[i]->acceleration.data(), &d2[i], sizeof d2[i]);
  }
}

__attribute__((target("avx"))) void sum_bridge_motion_8(const float* s, const float* q, std::int32_t modes,
                                                        BridgeMotionSums& out) {
  bridge_motion_8<1>({s}, q, modes, {&out});
}

__attribute__((target("avx"))) void sum_bridge_motion_pair_8(const float* s, const float* r, const float* q,
                                                             std::int32_t modes, BridgeMotionSums& out_s,
                                                             BridgeMotionSums& out_r) {
  bridge_motion_8<2>({s, r}, q, modes, {&out_s, &out_r});
}

// The shapes at a wheel with entries 1-8 of a mode in one register.
__attribute__((target("avx"))) bool bridge_shapes_8(const float* here, const float* next, float u,
                                                    std::int32_t modes, std::int32_t padded_modes, float* shapes,
                                                    float* force_shapes) {
  const float w = 1.0f - u;
  auto mode = [&](std::int32_t m, v4& a, v4& b, v4i& nonzero) {
    const std::int32_t at = m * kBridgeShapeStride;
    v8 h, n;
    std::memcpy(&h, here + at, sizeof h);
    std::memcpy(&n, next + at, sizeof n);
    const v8 s = w * h + u * n;
    const v4 c = w * load4(here + at + 8) + u * load4(next + at + 8);
    std::memcpy(shapes + at, &s, sizeof s);
    store4(shapes + at + 8, c);
    std::memcpy(&a, &s, sizeof a);
    std::memcpy(&b, reinterpret_cast<const float*>(&s) + 4, sizeof b);
    nonzero |= (a != v4{}) | (b != v4{}) | (c != v4{});
  };
  return bridge_shapes(mode, modes, padded_modes, force_shapes);
}

__attribute__((target("avx"))) void pair_forces_on_bridge_8(const float* psi1, const float* psi2,
                                                            const ContactForceRecord& f1,
                                                            const ContactForceRecord& f2, std::int32_t modes,
                                                            std::int32_t padded_modes, float* scratch,
                                                            double* force) {
  pair_forces_on_bridge<v8>(psi1, psi2, f1, f2, modes, padded_modes, scratch, force);
}

__attribute__((target("avx"))) void pair_forces_on_vehicle_8(const float* phi1, const float* phi2,
                                                             const ContactForceRecord& f1,
                                                             const ContactForceRecord& f2,
                                                             std::int32_t padded_modes, float* sums) {
  pair_force_sums<v8, false>(phi1, phi2, f1, f2, padded_modes, padded_modes, sums);
}

__attribute__((target("avx"))) void vehicle_motion_lanes_8(const float* const* shapes, std::int32_t wheels,
                                                           const float* state_pattern, std::int32_t modes,
                                                           float (*lanes)[kVehicleShapeStride]) {
  switch (wheels) {
    case 4: return vehicle_motion_lanes<v8, 4>(shapes, state_pattern, modes, lanes);
    case 3: return vehicle_motion_lanes<v8, 3>(shapes, state_pattern, modes, lanes);
    case 2: return vehicle_motion_lanes<v8, 2>(shapes, state_pattern, modes, lanes);
    default: return vehicle_motion_lanes<v8, 1>(shapes, state_pattern, modes, lanes);
  }
}
#endif

}  // namespace

VectorWidth widest_vector_width() {
#ifdef TRAINBRIDGE_EIGHT_LANES
  if (__builtin_cpu_supports("avx")) return VectorWidth::eight;
#endif
  return VectorWidth::four;
}

bool interpolate_bridge_shapes(const float* here, const float* next, float u, std::int32_t modes,
                               std::int32_t padded_modes, VectorWidth width, float* shapes, float* force_shapes) {
#ifdef TRAINBRIDGE_EIGHT_LANES
  if (width == VectorWidth::eight) return bridge_shapes_8(here, next, u, modes, padded_modes, shapes, force_shapes);
#else
  (void)width;
#endif
  const float w = 1.0f - u;
  auto mode = [&](std::int32_t m, v4& a, v4& b, v4i& nonzero) {
    const std::int32_t at = m * kBridgeShapeStride;
    a = w * load4(here + at) + u * load4(next + at);
    b = w * load4(here + at + 4) + u * load4(next + at + 4);
    const v4 c = w * load4(here + at + 8) + u * load4(next + at + 8);
    store4(shapes + at, a);
    store4(shapes + at + 4, b);
    store4(shapes + at + 8, c);
    nonzero |= (a != v4{}) | (b != v4{}) | (c != v4{});
  };
  return bridge_shapes(mode, modes, padded_modes, force_shapes);
}

void sum_bridge_motion(const float* shapes, const float* state_pattern, std::int32_t modes, VectorWidth width,
                       BridgeMotionSums& sums) {
#ifdef TRAINBRIDGE_EIGHT_LANES
  if (width == VectorWidth::eight) {
    sum_bridge_motion_8(shapes, state_pattern, modes, sums);
    return;
  }
#else
  (void)width;
#endif
  sum_bridge_motion_4(shapes, state_pattern, modes, sums);
}

void sum_bridge_motion_pair(const float* shapes_a, const float* shapes_b, const float* state_pattern,
                            std::int32_t modes, VectorWidth width, BridgeMotionSums& sums_a,
                            BridgeMotionSums& sums_b) {
#ifdef TRAINBRIDGE_EIGHT_LANES
  if (width == VectorWidth::eight) return sum_bridge_motion_pair_8(shapes_a, shapes_b, state_pattern, modes, sums_a, sums_b);
#endif
  sum_bridge_motion(shapes_a, state_pattern, modes, width, sums_a);
  sum_bridge_motion(shapes_b, state_pattern, modes, width, sums_b);
}

void add_pair_forces_on_bridge(const float* psi1, const float* psi2, const ContactForceRecord& f1,
                               const ContactForceRecord& f2, std::int32_t modes, std::int32_t padded_modes,
                               VectorWidth width, float* scratch, double* force) {
#ifdef TRAINBRIDGE_EIGHT_LANES
  if (width == VectorWidth::eight) return pair_forces_on_bridge_8(psi1, psi2, f1, f2, modes, padded_modes, scratch, force);
#else
  (void)width;
#endif
  pair_forces_on_bridge<v4>(psi1, psi2, f1, f2, modes, padded_modes, scratch, force);
}

void sum_vehicle_motion(const float* const* shapes, std::int32_t wheels, const float* state_pattern,
                        std::int32_t modes, VectorWidth width, ContactPointRecord* const* points) {
  alignas(32) float lanes[kVehicleWheelsAtOnce][kVehicleShapeStride];
  wheels = wheels < kVehicleWheelsAtOnce ? wheels : kVehicleWheelsAtOnce;
#ifdef TRAINBRIDGE_EIGHT_LANES
  if (width == VectorWidth::eight) {
    vehicle_motion_lanes_8(shapes, wheels, state_pattern, modes, lanes);
  } else
#else
  (void)width;
#endif
  {
    for (std::int32_t i = 0; i < wheels; i += 2) {
      if (i + 1 < wheels)
        vehicle_motion_lanes<v4, 2>(shapes + i, state_pattern, modes, lanes + i);
      else
        vehicle_motion_lanes<v4, 1>(shapes + i, state_pattern, modes, lanes + i);
    }
  }
  // Lanes 5d + c (d the state value, c the component) to entries 6d + c of
  // the wheel point, the sixth component of each 0.
  const v4 zero{};
  for (std::int32_t i = 0; i < wheels; ++i) {
    const v4 a = load4(lanes[i]), b = load4(lanes[i] + 4), c = load4(lanes[i] + 8), d = load4(lanes[i] + 12);
    float* out = points[i]->values.data();
    store4(out, a);
    store4(out + 4, __builtin_shuffle(b, zero, v4i{0, 4, 1, 2}));
    store4(out + 8, __builtin_shuffle(b, __builtin_shuffle(c, zero, v4i{0, 1, 4, 5}), v4i{3, 4, 5, 6}));
    store4(out + 12, __builtin_shuffle(c, d, v4i{2, 3, 4, 5}));
    const v4 tail = __builtin_shuffle(d, zero, v4i{2, 4, 4, 4});
    std::memcpy(out + 16, &tail, 2 * sizeof(float));
  }
}

std::array<float, 3> compose_rail_point(const BridgeMotionSums& s, const TrackValuesAtWheel& at, float speed,
                                        float ax, bool aux, ContactPointRecord& bridge, ContactPointRecord& geometry,
                                        ContactPointRecord& rail) {
  constexpr float kRailAccelerationLimit = 100.0f;  // m/s^2: above it the rail's motion terms are dropped
  const float vertical_velocity = s.velocity[1] + speed * s.displacement[6];
  const float lateral_velocity = s.velocity[2] + speed * s.displacement[7];
  float vertical_acceleration = speed * speed * s.displacement[8] + s.displacement[6] * ax;
  if (aux) vertical_acceleration += s.acceleration[1];
  float rail_velocity = speed * at.dz;
  float rail_acceleration = speed * speed * at.ddz + at.dz * ax;
  const float rail_lateral_velocity = speed * at.dy;
  if (std::fabs(rail_acceleration) > kRailAccelerationLimit) {
    rail_velocity = 0.0f;
    rail_acceleration = 0.0f;
  }
  // Entries 1-4, 5-8, 9-12, 13-16 and 17-18 of the three records, each
  // written whole.
  const v4 d0 = load4(s.displacement.data()), d1 = load4(s.displacement.data() + 4);
  const v4 v0 = load4(s.velocity.data()), v1 = load4(s.velocity.data() + 4);
  const v4 a0 = load4(s.acceleration.data()), a1 = load4(s.acceleration.data() + 4);
  const v4 b[5] = {d0,
                   v4{d1[0], d1[1], v0[0], vertical_velocity},
                   v4{lateral_velocity, v0[3], v1[0], v1[1]},
                   v4{a0[0], vertical_acceleration, a0[2], a0[3]},
                   v4{a1[0], a1[1], 0.0f, 0.0f}};
  const v4 g[5] = {v4{0.0f, at.z, at.y, 0.0f}, v4{0.0f, 0.0f, 0.0f, rail_velocity},
                   v4{rail_lateral_velocity, 0.0f, 0.0f, 0.0f}, v4{0.0f, rail_acceleration, 0.0f, 0.0f}, v4{}};
  for (int k = 0; k < 4; ++k) {
    store4(bridge.values.data() + 4 * k, b[k]);
    store4(geometry.values.data() + 4 * k, g[k]);
    store4(rail.values.data() + 4 * k, b[k] + g[k]);
  }
  const v4 r = b[4] + g[4];
  std::memcpy(bridge.values.data() + 16, &b[4], 2 * sizeof(float));
  std::memcpy(geometry.values.data() + 16, &g[4], 2 * sizeof(float));
  std::memcpy(rail.values.data() + 16, &r, 2 * sizeof(float));
  const v4 r0 = b[0] + g[0], r1 = b[1] + g[1], r3 = b[3] + g[3];
  return {r0[1], r1[3], r3[1]};
}

bool build_bridge_state_pattern(const double* state, std::int32_t modes, float* pattern) {
  v4i finite{-1, -1, -1, -1};
  const v4 limit = v4{} + std::numeric_limits<float>::max();
  for (std::int32_t m = 0; m < modes; ++m, pattern += kBridgeShapeStride) {
    const v4 q = {static_cast<float>(state[m]), static_cast<float>(state[modes + m]),
                  static_cast<float>(state[2 * modes + m]), 0.0f};
    finite &= (q <= limit) & (q >= -limit);
    store4(pattern, __builtin_shuffle(q, v4i{0, 0, 0, 0}));
    store4(pattern + 4, __builtin_shuffle(q, v4i{1, 1, 1, 1}));
    store4(pattern + 8, __builtin_shuffle(q, v4i{2, 2, 2, 2}));
  }
  return (finite[0] & finite[1] & finite[2]) != 0;
}

float build_vehicle_state_pattern(const double* state, std::int32_t modes, const float* lead_shapes, float* pattern) {
  float lead_shift = 0.0f;
  for (std::int32_t k = 0; k < modes; ++k, pattern += kVehicleShapeStride) {
    const v4 q = {static_cast<float>(state[k]), static_cast<float>(state[modes + k]),
                  static_cast<float>(state[2 * modes + k]), 0.0f};
    store4(pattern, __builtin_shuffle(q, v4i{0, 0, 0, 0}));
    store4(pattern + 4, __builtin_shuffle(q, v4i{0, 1, 1, 1}));
    store4(pattern + 8, __builtin_shuffle(q, v4i{1, 1, 2, 2}));
    store4(pattern + 12, __builtin_shuffle(q, v4i{2, 2, 2, 3}));
    if (lead_shapes) lead_shift += lead_shapes[k] * q[0];
  }
  return lead_shift;
}

void sum_pair_forces_on_vehicle(const float* phi1, const float* phi2, const ContactForceRecord& f1,
                                const ContactForceRecord& f2, std::int32_t padded_modes, VectorWidth width,
                                float* sums) {
#ifdef TRAINBRIDGE_EIGHT_LANES
  if (width == VectorWidth::eight) return pair_forces_on_vehicle_8(phi1, phi2, f1, f2, padded_modes, sums);
#else
  (void)width;
#endif
  pair_force_sums<v4, false>(phi1, phi2, f1, f2, padded_modes, padded_modes, sums);
}

void interpolate_track_columns(std::int32_t count, const float* x, const float (*y)[8], float xe, float values[8]) {
  v4 lo{}, hi{};
  for (std::int32_t l = 0; l < count; ++l) {
    v4 cl = load4(y[l]), ch = load4(y[l] + 4);
    for (std::int32_t q = 0; q < count; ++q)
      if (q != l) {
        const float d = x[l] - x[q];
        cl = cl / d;
        ch = ch / d;
      }
    for (std::int32_t q = 0; q < count; ++q)
      if (q != l) {
        const float e = xe - x[q];
        cl = cl * e;
        ch = ch * e;
      }
    lo += cl;
    hi += ch;
  }
  store4(values, lo);
  store4(values + 4, hi);
}

}  // namespace tb
