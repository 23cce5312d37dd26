#include "interaction/wheel_rail_sums.h"

#include <cstring>

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
  for (int i = 0; i < 4; ++i) {
    out.displacement[i] = d0a[i];
    out.displacement[4 + i] = d0b[i];
    out.velocity[i] = d1a[i];
    out.acceleration[i] = d2a[i];
  }
  out.displacement[8] = d0c[0];
  for (int i = 0; i < 2; ++i) {
    out.velocity[4 + i] = d1b[i];
    out.acceleration[4 + i] = d2b[i];
  }
}

#if defined(__x86_64__) || defined(__i386__)
#define TRAINBRIDGE_EIGHT_LANES 1
using v8 = float __attribute__((vector_size(32)));

// The same sums with eight lanes: entries 1-8 in one register per state
// value, entry 9 (with the padding) in a four-lane one.
__attribute__((target("avx"))) void sum_bridge_motion_8(const float* s, const float* q, std::int32_t modes,
                                                        BridgeMotionSums& out) {
  v8 d0{}, d1{}, d2{};
  v4 d0c{};
  for (std::int32_t m = 0; m < modes; ++m, s += kBridgeShapeStride, q += kBridgeShapeStride) {
    v8 sa;
    std::memcpy(&sa, s, sizeof sa);
    v4 sc;
    std::memcpy(&sc, s + 8, sizeof sc);
    const float q0 = q[0], q1 = q[4], q2 = q[8];
    d0 += sa * q0;
    d0c += sc * q0;
    d1 += sa * q1;
    d2 += sa * q2;
  }
  for (int i = 0; i < 8; ++i) out.displacement[i] = d0[i];
  out.displacement[8] = d0c[0];
  for (int i = 0; i < 6; ++i) {
    out.velocity[i] = d1[i];
    out.acceleration[i] = d2[i];
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
                               std::int32_t padded_modes, float* shapes, float* force_shapes) {
  const float w = 1.0f - u;
  v4i nonzero{};
  for (std::int32_t m = 0; m < modes; ++m) {
    const std::int32_t at = m * kBridgeShapeStride;
    for (std::int32_t k = 0; k < kBridgeShapeStride; k += 4) {
      const v4 s = w * load4(here + at + k) + u * load4(next + at + k);
      store4(shapes + at + k, s);
      nonzero |= s != v4{};
    }
  }
  for (std::int32_t c = 0; c < 5; ++c) {
    float* row = force_shapes + static_cast<std::size_t>(c) * padded_modes;
    for (std::int32_t m = 0; m < modes; ++m) row[m] = shapes[m * kBridgeShapeStride + c];
  }
  return (nonzero[0] | nonzero[1] | nonzero[2] | nonzero[3]) != 0;
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

void add_pair_forces_on_bridge(const float* psi1, const float* psi2, const ContactForceRecord& f1,
                               const ContactForceRecord& f2, std::int32_t modes, std::int32_t padded_modes,
                               float* scratch, double* force) {
  for (std::int32_t m = 0; m < modes; m += 4) {
    v4 s1{}, s2{};
    for (std::int32_t c = 0; c < 5; ++c) {
      const std::size_t at = static_cast<std::size_t>(c) * padded_modes + m;
      s1 += load4(psi1 + at) * f1.values[c];
      s2 += load4(psi2 + at) * f2.values[c];
    }
    store4(scratch + m, -s1 - s2);
  }
  for (std::int32_t m = 0; m < modes; ++m) force[m] += static_cast<double>(scratch[m]);
}

void sum_vehicle_motion(const float* shapes, const float* state_pattern, std::int32_t modes,
                        ContactPointRecord& wheel_point) {
  v4 a{}, b{}, c{}, d{};
  for (std::int32_t k = 0; k < modes; ++k, shapes += kVehicleShapeStride, state_pattern += kVehicleShapeStride) {
    a += load4(shapes) * load4(state_pattern);
    b += load4(shapes + 4) * load4(state_pattern + 4);
    c += load4(shapes + 8) * load4(state_pattern + 8);
    d += load4(shapes + 12) * load4(state_pattern + 12);
  }
  float lanes[kVehicleShapeStride];
  store4(lanes, a);
  store4(lanes + 4, b);
  store4(lanes + 8, c);
  store4(lanes + 12, d);
  wheel_point = {};
  for (int order = 0; order < 3; ++order)
    for (int comp = 0; comp < 5; ++comp) wheel_point.values[order * 6 + comp] = lanes[order * 5 + comp];
}

void sum_pair_forces_on_vehicle(const float* phi1, const float* phi2, const ContactForceRecord& f1,
                                const ContactForceRecord& f2, std::int32_t padded_modes, float* sums) {
  for (std::int32_t k = 0; k < padded_modes; k += 4) {
    v4 s1{}, s2{};
    for (std::int32_t c = 0; c < 5; ++c) {
      const std::size_t at = static_cast<std::size_t>(c) * padded_modes + k;
      s1 += load4(phi1 + at) * f1.values[c];
      s2 += load4(phi2 + at) * f2.values[c];
    }
    store4(sums + k, s1 + s2);
  }
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
