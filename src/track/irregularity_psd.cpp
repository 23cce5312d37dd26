#include "track/irregularity_psd.h"

#include <cmath>

#include "numerics/truncation.h"

namespace tb {

namespace {

// Class spectra of the six track classes of the United States Federal
// Railroad Administration (class 1 the poorest track, class 6 the best):
// roughness coefficients Av (vertical profile) and Aa (alignment) in m^2 rad/m
// and the corner frequencies Omega_s and Omega_c in rad/m.
struct ClassRow {
  float av, aa, ws, wc;
};
constexpr ClassRow kClassRows[6] = {
    {1.2107E-4f, 3.3634E-4f, 0.6046f, 0.8245f}, {1.0181E-4f, 1.2107E-4f, 0.9308f, 0.8245f},
    {6.816E-5f, 4.128E-5f, 0.852f, 0.8245f},    {5.376E-5f, 3.027E-5f, 1.1312f, 0.8245f},
    {2.095E-5f, 7.62E-6f, 0.8209f, 0.8245f},    {3.39E-6f, 3.39E-6f, 0.438f, 0.8245f},
};

// Two-corner spectra of German high-speed track, low irregularity (code 7)
// and high irregularity (code 8): Omega_c, Omega_r, Omega_s in rad/m and the
// vertical and lateral amplitudes Av, Aa in m rad.
constexpr float kTwoCornerWc = 0.8246f, kTwoCornerWr = 0.0206f, kTwoCornerWs = 0.438f;
constexpr float kTwoCornerA[2][2] = {{4.032E-7f, 2.119E-7f}, {1.08E-6f, 6.125E-7f}};

// Rational fits R(f) = c1 (f^2 + c2 f + c3) / (f^4 + c4 f^3 + c5 f^2 + c6 f + c7)
// in mm^2 m of two measured line spectra (codes 9 and 10): sets 1 and 2 give
// the vertical profile, 3 and 4 the alignment, 5 the cross level.
constexpr float kRationalSets[2][5][7] = {
    {{0.1270f, -2.1531f, 1.5503f, 4.9835f, 1.3891f, -0.0327f, 0.0018f},
     {0.3326f, -1.3757f, 0.5497f, 2.4907f, 0.4057f, 0.0858f, -0.0014f},
     {0.0627f, -1.1840f, 0.6773f, 2.1237f, -0.0847f, 0.0340f, -0.0005f},
     {0.1595f, -1.3853f, 0.6671f, 2.3331f, 0.2561f, 0.0928f, -0.0016f},
     {0.3328f, -1.3511f, 0.5415f, 1.8437f, 0.3813f, 0.2068f, -0.0003f}},
    {{1.1029f, -1.4709f, 0.5941f, 0.8480f, 3.8061f, -0.2500f, 0.0112f},
     {0.8581f, -1.4607f, 0.5848f, 0.0407f, 2.8428f, -0.1989f, 0.0094f},
     {0.2244f, -1.5746f, 0.6683f, -2.1466f, 1.7665f, -0.1506f, 0.0052f},
     {0.3743f, -1.5894f, 0.7265f, 0.4553f, 0.9101f, -0.0270f, 0.0031f},
     {0.1214f, -2.1603f, 2.0214f, 4.5089f, 2.2227f, -0.0396f, 0.0073f}},
};

// Piecewise power law S = A / f^k (mm^2 m) of ballastless track of Chinese
// high-speed lines, per kind: up to four segments between ascending
// breakpoints. The fourth vertical coefficient is 3.9488E-4, the value with
// which the third and fourth segments meet at 0.1533 cycles per metre.
struct PowerLawKind {
  float a[4], k[4];
  float breaks[3];
  int segments;
};
constexpr PowerLawKind kPowerLaw[3] = {
    {{1.0544E-5f, 3.5588E-3f, 1.9784E-2f, 3.9488E-4f}, {3.3891f, 1.9271f, 1.3643f, 3.4516f},
     {0.0187f, 0.0474f, 0.1533f}, 4},
    {{3.9513E-3f, 1.1047E-2f, 7.5633E-4f, 0.0f}, {1.8670f, 1.5354f, 2.8171f, 0.0f}, {0.0450f, 0.1234f, 0.0f}, 3},
    {{3.6148E-3f, 4.3685E-2f, 4.5867E-3f, 0.0f}, {1.7278f, 1.0461f, 2.0939f, 0.0f}, {0.0258f, 0.1163f, 0.0f}, 3},
};
constexpr float kPowerLawFactor = 5.3038087f;

float rational(const float* c, float f) {
  return c[0] * (f * f + c[1] * f + c[2]) / (f * f * f * f + c[3] * f * f * f + c[4] * f * f + c[5] * f + c[6]);
}

float class_spectrum(std::int32_t code, IrregularityKind kind, float w) {
  const ClassRow& c = kClassRows[code - 1];
  switch (kind) {
    case IrregularityKind::vertical_profile:
      return 0.25f * c.av * c.wc * c.wc / (w * w) / (w * w + c.wc * c.wc) * 0.5f;
    case IrregularityKind::alignment:
      return 0.25f * c.aa * c.wc * c.wc / (w * w) / (w * w + c.wc * c.wc) * 0.5f;
    case IrregularityKind::cross_level:
      return c.av * c.wc * c.wc / (c.wc * c.wc + w * w) / (w * w + c.ws * c.ws) * 0.5f;
  }
  return 0.0f;
}

float two_corner_spectrum(std::int32_t code, IrregularityKind kind, float w) {
  const float wc = kTwoCornerWc, wr = kTwoCornerWr, ws = kTwoCornerWs;
  const float av = kTwoCornerA[code - 7][0], aa = kTwoCornerA[code - 7][1];
  switch (kind) {
    case IrregularityKind::vertical_profile:
      return av * wc * wc / (wc * wc + w * w) / (w * w + wr * wr);
    case IrregularityKind::alignment:
      return aa * wc * wc / (wc * wc + w * w) / (w * w + wr * wr);
    case IrregularityKind::cross_level:
      return av * wc * wc * w * w / (wc * wc + w * w) / (wr * wr + w * w) / (w * w + ws * ws) * 0.5f;
  }
  return 0.0f;
}

float rational_spectrum(std::int32_t code, IrregularityKind kind, float f, float two_pi) {
  const float(&sets)[5][7] = kRationalSets[code - 9];
  float s = 0.0f;
  if (kind == IrregularityKind::cross_level) {
    s = 0.5f * rational(sets[4], f);
  } else {
    const int first = kind == IrregularityKind::vertical_profile ? 0 : 2;
    const float mean = (std::sqrt(rational(sets[first], f)) + std::sqrt(rational(sets[first + 1], f))) * 0.5f;
    s = 0.5f * (mean * mean);
  }
  return s * 1.0E-6f / two_pi;
}

float power_law_spectrum(IrregularityKind kind, float f, float two_pi) {
  const PowerLawKind& p = kPowerLaw[static_cast<int>(kind) - 1];
  int seg = 0;
  while (seg < p.segments - 1 && f > p.breaks[seg]) ++seg;
  const float s = p.a[seg] / std::pow(f, p.k[seg]) * 0.5f;
  return s * 1.0E-6f / two_pi * kPowerLawFactor;
}

// Band-level spectrum: roughness levels of sixth-octave bands, each band's
// power spread over its lines with the slope f^-1.8451.
void band_level_spectrum(const float* f, std::int32_t nf, float df, float two_pi, float* s) {
  std::int32_t band_index = 0;
  float fc = 0.0f, fr = 0.0f, sum = 0.0f;
  const float band_width = std::pow(2.0f, 1.0f / 6.0f) - std::pow(2.0f, -1.0f / 6.0f);
  for (std::int32_t j = 0; j < nf; ++j) {
    const std::int32_t band = truncate_to_int32(std::log(f[j]) / 0.6931472f * 6.0f + 1.0f);
    if (j == 0 || (band != band_index && band % 2 != 0)) {
      band_index = band;
      fc = std::pow(2.0f, static_cast<float>(band) / 6.0f);
      fr = f[j];
      const std::int32_t nb = truncate_to_int32(band_width * fc / df);
      sum = 0.0f;
      for (std::int32_t i = 0; i <= nb; ++i) sum += std::pow(fr / (fr + static_cast<float>(i) * df), 1.8451f);
    }
    const float level = fc <= 100.0f ? 18.451f * std::log10(1.0f / fc) + 27.202f : -9.7f;
    const float p = std::pow(10.0f, level / 20.0f) * 1.0E-6f;
    s[j] = std::pow(fr / f[j], 1.8451f) * p * p / sum / df / two_pi * 0.5f;
  }
}

}  // namespace

bool is_known_irregularity_spectrum(std::int32_t code) {
  return (code >= 1 && code <= 11) || code == 401 || code == 501 || code == 601 || code == 701 || code == 801;
}

void evaluate_irregularity_spectrum(std::int32_t code, IrregularityKind kind, const float* f, std::int32_t nf,
                                    float df, float two_pi, float* s) {
  if (code == 501) {
    band_level_spectrum(f, nf, df, two_pi, s);
    return;
  }
  for (std::int32_t j = 0; j < nf; ++j) {
    const float w = two_pi * f[j];
    float v = 0.0f;
    if (code >= 1 && code <= 6) {
      v = class_spectrum(code, kind, w);
    } else if (code == 7 || code == 8) {
      v = two_corner_spectrum(code, kind, w);
    } else if (code == 9 || code == 10) {
      v = rational_spectrum(code, kind, f[j], two_pi);
    } else if (code == 11) {
      v = power_law_spectrum(kind, f[j], two_pi);
    } else if (code == 401) {
      v = (w <= 1.0f ? 5.0E-6f / (w * w) : 5.0E-6f * std::pow(w, -1.5f)) * 0.5f;
    } else if (code == 601) {
      v = std::pow(f[j], -3.15f) * 0.018f * 1.0E-6f / two_pi;
    } else if (code == 701) {
      v = 5.0E-8f / (f[j] * f[j] * f[j] + 0.042875f) / two_pi * 0.5f;
    } else if (code == 801) {
      v = 1.6E-5f / ((f[j] / 0.1f) * (f[j] / 0.1f)) / two_pi * 0.5f;
    }
    s[j] = v;
  }
}

}  // namespace tb
