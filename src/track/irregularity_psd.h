// Power spectral densities of track irregularity, selected by the spectrum
// code of "Irregularity.dat". Each is evaluated at the spatial frequency f
// (cycles per metre), and its formulas use Omega = two_pi * f (radians per
// metre) where their parameters are given so; the value S is a density per
// rad/m. The synthesis gives the line at f the amplitude
// 2 sqrt(two_pi S df), so the generated profile's one-sided density per
// cycle/m is 4 pi S.
#pragma once

#include <cstdint>

namespace tb {

// The three kinds of irregularity.
enum class IrregularityKind : std::int32_t { vertical_profile = 1, alignment = 2, cross_level = 3 };

// s(j) := the density of the given kind at the lines f(j), j = 1..nf, which
// lie df apart in ascending order (the band-level spectrum spreads each
// band's power over the lines of the band). An unknown code gives 0.
void evaluate_irregularity_spectrum(std::int32_t code, IrregularityKind kind, const float* f, std::int32_t nf,
                                    float df, float two_pi, float* s);

}  // namespace tb
