// IntegrationConstants: the step constants of the step-by-step schemes,
// computed once per run. Double precision like the modal states they act on:
// at small time steps a0 = 4/dt^2 dwarfs omega^2 of the low modes.
#pragma once

namespace tb {

struct IntegrationConstants {
  double coef_a0 = 0.0;
  double coef_a1 = 0.0;
  double coef_a2 = 0.0;
  double coef_a3 = 0.0;
  double coef_a4 = 0.0;
  double coef_a5 = 0.0;
  double coef_a6 = 0.0;
  double coef_a7 = 0.0;
  double coef_a8 = 0.0;
};

}  // namespace tb
