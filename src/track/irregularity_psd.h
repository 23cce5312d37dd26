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

// Whether the code selects one of the spectra below: 1 to 6 the track
// classes, 7 and 8 the two-corner spectra, 9 and 10 the rational fits, 11 the
// piecewise power law, 401, 501, 601, 701 and 801.
bool is_known_irregularity_spectrum(std::int32_t code);

// The codes of is_known_irregularity_spectrum, as a message names them.
inline constexpr const char* known_irregularity_spectra = "1 to 11, 401, 501, 601, 701 or 801";

// s(j) := the density of the given kind at the lines f(j), j = 1..nf, which
// lie df apart in ascending order (the band-level spectrum spreads each
// band's power over the lines of the band). An unknown code gives 0.
void evaluate_irregularity_spectrum(std::int32_t code, IrregularityKind kind, const float* f, std::int32_t nf,
                                    float df, float two_pi, float* s);

}  // namespace tb
