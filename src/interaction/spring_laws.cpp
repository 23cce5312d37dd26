#include "interaction/spring_laws.h"

#include <algorithm>
#include <cmath>

#include "input/read_errors.h"
#include "model/file_names.h"
#include "platform/texts.h"

namespace tb {

namespace {

float sgn(float x) { return x < 0.0f ? -1.0f : 1.0f; }

// Parameter p_k of degree of freedom i of row r.
struct LawParameters {
  const Array3<float>& table;
  std::int32_t r;
  std::int32_t i;
  float operator()(std::int32_t k) const { return table(r, i, k); }
};

// The history-free laws 0 to 6. False when the law gives no value: code 6 at
// exactly zero relative velocity, or a code that is none of them.
bool history_free_force(float c, const LawParameters& p, float d, float dv, float& F) {
  if (c == 0.0f) {
    F = 0.0f;
  } else if (c == 1.0f) {  // linear spring and damper
    F = p(2) * d + p(3) * dv;
  } else if (c == 2.0f) {  // two-slope viscous damper: force p2 at velocity p3, p4 at p5
    const float p3 = p(3);
    if (std::fabs(p3) >= std::fabs(dv)) {
      F = p(2) / p3 * dv;
    } else {
      F = (p(2) + (p(4) - p(2)) / (p(5) - p3) * (std::fabs(dv) - p3)) * sgn(dv);
    }
  } else if (c == 3.0f) {  // stiffness p2 up to the displacement p4, p3 beyond; damping p5 times stiffness
    F = (d + p(5) * dv) * (d <= p(4) ? p(2) : p(3));
  } else if (c == 4.0f) {  // linear spring with power-law damper |dv|^p4
    const float p4 = p(4);
    // A negative exponent has no value at rest; the damper, an odd function
    // of the velocity, then carries no force.
    const float damping = (dv == 0.0f && p4 < 0.0f) ? 0.0f : p(3) * std::pow(std::fabs(dv), p4) * sgn(dv);
    F = p(2) * d + damping;
  } else if (c == 5.0f) {  // cubic spring
    F = p(2) * (d * d * d);
  } else if (c == 6.0f) {  // Coulomb friction
    if (dv == 0.0f) return false;
    F = p(2) * sgn(dv);
  } else {
    return false;
  }
  return true;
}

// Four-state bilinear hysteresis with kinematic hardening: elastic stiffness
// p2, post-yield stiffness p3, yield band 2*p4 that travels with the force.
// The memory holds the upper yield force; the lower one lies 2*p4 below it.
void bilinear_hysteresis(const LawParameters& p, float d, float dc, std::int32_t s0, std::int32_t& s, float F0,
                         float& F, float M0, float& M) {
  const float p2 = p(2);
  const float p3 = p(3);
  const float p4 = p(4);
  const float delta = d - dc;
  if (s0 == 2) {  // yielding upwards
    if (delta > 0.0f) {
      F = F0 + p3 * delta;
      s = 2;
      M = F;
    } else {
      F = F0 + p2 * delta;
      s = 3;
      M = M0;
    }
  } else if (s0 == 4) {  // yielding downwards
    if (delta > 0.0f) {
      F = F0 + p2 * delta;
      s = 1;
      M = M0;
    } else {
      F = F0 + p3 * delta;
      s = 4;
      M = F + 2.0f * p4;
    }
  } else {  // elastic (1, 3): the part of the step up to a yield force at p2, the rest at p3
    const float trial = F0 + p2 * delta;
    const float lower = M0 - 2.0f * p4;
    if (trial > M0) {
      s = 2;
      F = M0 + p3 * (d - dc - (M0 - F0) / p2);
      M = F;
    } else if (trial < lower) {
      s = 4;
      F = lower + p3 * (d - dc - (lower - F0) / p2);
      M = F + 2.0f * p4;
    } else {
      F = trial;
      M = M0;
      s = s0;
    }
  }
}

// Angled-wedge friction: writes the forces of degrees of freedom 1, 2 and 3
// from the parameters p2..p10 of the degree of freedom that carries it.
void wedge_friction(const LawParameters& p, const EndVector& u, const EndVector& v, DofValues& F) {
  const float alpha = p(2) / 180.0f * 3.14159f;
  const float beta = p(3) / 180.0f * 3.14159f;
  const float p4 = p(4), p5 = p(5), p6 = p(6), p7 = p(7), p8 = p(8);
  const float t = 1.0f + std::tan(beta) * std::tan(alpha);
  const float g = p6 / (2.0f * p8 / t + p7);
  const float w = g * p8 * std::cos(alpha) / (t * std::cos(beta - alpha));
  const float a = (v[7] - v[1]) / 0.001f;
  const float h = a >= 1.0f ? 1.0f : std::max(-1.0f, a);
  const float d1 = u[6] - u[0];
  const float d2 = u[7] - u[1];
  const float d3 = u[8] - u[2];
  const float n = p8 * (g + d2) * (std::cos(alpha) + p4 * h * std::sin(alpha)) / (t * std::cos(beta - alpha));
  F[0] = p(10) * d1;
  F[1] = 2.0f * (n - w) * std::cos(beta) + 2.0f * h * p5 * n * std::sin(beta) + p7 * d2;
  F[2] = p(9) * d3;
}

}  // namespace

bool is_known_spring_law(float code) {
  for (float c : {0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 99.0f, 100.0f, 101.0f, 102.0f, 103.0f, 104.0f, 105.0f})
    if (code == c) return true;
  return false;
}

bool spring_law_parameters_usable(const std::array<float, 11>& p, float time_step) {
  auto usable_divisor = [](float x) { return x != 0.0f && std::isfinite(x); };
  const float c = p[1];
  if (c == 2.0f) return p[3] != 0.0f && p[5] - p[3] != 0.0f;
  if (c == 100.0f) return p[2] != 0.0f;
  if (c == maxwell_law_code) {
    if (p[2] == 0.0f) return true;  // a pure damper
    const float rho = p[3] / p[2] / time_step;
    return std::isfinite(rho) && rho + 1.0f != 0.0f;
  }
  if (c == 105.0f) {
    const float alpha = p[2] / 180.0f * 3.14159f;
    const float beta = p[3] / 180.0f * 3.14159f;
    const float t = 1.0f + std::tan(beta) * std::tan(alpha);
    return usable_divisor(t) && usable_divisor(2.0f * p[8] / t + p[7]) &&
           usable_divisor(t * std::cos(beta - alpha));
  }
  return true;
}

float compute_van_der_pol_term(float x, float y) { return -(1.0f - x * x) * 0.1f * y; }

void evaluate_spring_force_scalar(const RunContext& ctx, float d, float dv, std::int32_t r, std::int32_t dof,
                                  float& F) {
  const LawParameters p{ctx.springs.spring_parameters, r, dof};
  history_free_force(p(1), p, d, dv, F);
}

void evaluate_spring_force_law(RunContext& ctx, std::int32_t spring_id, const EndVector& u, const EndVector& v,
                               const EndVector& uc, const DofStates& s0, DofStates& s, const DofValues& F0,
                               DofValues& F, const DofValues& M0, DofValues& M) {
  const SpringParameterTable& table = ctx.springs;
  const std::int32_t dofs = std::min<std::int32_t>(table.spring_dof_count, 6);
  for (std::int32_t i = 1; i <= dofs; ++i) {
    const std::size_t k = static_cast<std::size_t>(i - 1);
    const LawParameters p{table.spring_parameters, spring_id, i};
    const float c = p(1);
    const float d = u[k + 6] - u[k];
    const float dv = v[k + 6] - v[k];
    if (c <= 6.0f && c >= 0.0f && history_free_force(c, p, d, dv, F[k])) continue;
    if (c == 6.0f) continue;  // friction at rest keeps its force
    if (c == 99.0f) {  // Van der Pol damper
      F[k] = compute_van_der_pol_term(d, dv);
    } else if (c == 100.0f) {
      bilinear_hysteresis(p, d, uc[k + 6] - uc[k], s0[k], s[k], F0[k], F[k], M0[k], M[k]);
    } else if (c == 101.0f) {  // friction proportional to displacement
      F[k] = p(2) * std::fabs(d) * sgn(dv);
    } else if (c == maxwell_law_code) {  // spring p2 in series with damper p3
      const float p2 = p(2);
      const float p3 = p(3);
      if (ctx.solution.integration_method == method::runge_kutta && maxwell_force_is_state(p2, p3)) {
        // The force is a state of the integration: write its rate.
        M[k] = p2 * (dv - F[k] / p3);
      } else if (p2 == 0.0f) {
        F[k] = p3 * dv;
      } else {
        // Backward-difference step of F + (p3/p2) dF/dt = p3 dv from the committed force.
        const float rho = p3 / p2 / ctx.solution.time_step;
        F[k] = (p3 * dv + F0[k] * rho) / (rho + 1.0f);
      }
    } else if (c == 103.0f) {  // clearance p3 with friction p2*p4, stiffness p5 beyond it
      const float friction = dv != 0.0f ? p(2) * p(4) * sgn(dv) : 0.0f;
      if (std::fabs(d) <= p(3)) {
        if (dv != 0.0f) F[k] = friction;
      } else {
        F[k] = friction + p(5) * (d - p(3) * sgn(d));
      }
    } else if (c == 104.0f) {  // tabulated force against the relative rotation in degrees
      const std::array<float, 20>& curve = table.spring_curve_table;
      const float theta = d / ctx.control.two_pi * 360.0f;
      const float band = std::fabs(theta) / 0.1f + 1.0f;
      const std::size_t n = band < 10.0f ? static_cast<std::size_t>(band) : 10;
      F[k] = curve[n - 1] * curve[10 + n - 1] * sgn(theta);
    } else if (c == 105.0f) {
      wedge_friction(p, u, v, F);
    } else {
      // Rows 1 to the vehicle file's id count are its ids, the bridge
      // file's follow them.
      const std::int32_t vehicle_ids = table.spring_id_count - table.bridge_spring_id_count;
      const bool vehicle = spring_id <= vehicle_ids;
      const std::string_view label =
          vehicle ? vehicle_springs_file : bridge_springs_file;
      stop_with_message(ctx, text::unknown_spring_type, label,
                        vehicle ? ctx.control.unit_vehicle_springs : ctx.control.unit_bridge_springs,
                        "id " + std::to_string(vehicle ? spring_id : spring_id - vehicle_ids) + ", degree of freedom " +
                            std::to_string(i),
                        "law code " + value_text(c) + ", which names no spring-damper law");
    }
  }
}

}  // namespace tb
