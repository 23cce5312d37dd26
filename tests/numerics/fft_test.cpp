#include "numerics/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace tb {
namespace {

std::vector<Complex> random_sequence(std::int32_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<Complex> v(static_cast<std::size_t>(n));
  for (auto& c : v) c = Complex(u(gen), u(gen));
  return v;
}

double largest_difference(const std::vector<Complex>& a, const std::vector<Complex>& b) {
  double d = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) d = std::max(d, std::abs(a[i] - b[i]));
  return d;
}

TEST(Fft, ForwardMatchesTheDiscreteTransformAndLeavesItsInput) {
  for (std::int32_t n : {1, 2, 8, 64}) {
    const std::vector<Complex> in = random_sequence(n, 3);
    const std::vector<Complex> copy = in;
    std::vector<Complex> out(in.size());
    compute_forward_fft(in.data(), out.data(), n);
    std::vector<Complex> dft(in.size());
    for (std::int32_t k = 0; k < n; ++k)
      for (std::int32_t j = 0; j < n; ++j) dft[k] += in[j] * std::polar(1.0, -2.0 * M_PI * j * k / n);
    EXPECT_LT(largest_difference(out, dft), 1e-6 * n) << n;
    EXPECT_EQ(in, copy);
  }
  const Complex two[] = {{1.0, 2.0}, {3.0, -1.0}};
  Complex out2[2];
  compute_forward_fft(two, out2, 2);
  EXPECT_EQ(out2[0], Complex(4.0, 1.0));
  EXPECT_EQ(out2[1], Complex(-2.0, 3.0));
  compute_inverse_fft(two, out2, 2);
  EXPECT_EQ(out2[0], Complex(2.0, 0.5));
  EXPECT_EQ(out2[1], Complex(-1.0, 1.5));
}

TEST(Fft, AnImpulseTransformsToOnesExactlyAndBack) {
  const std::int32_t n = 32;
  std::vector<Complex> impulse(n), spectrum(n), back(n);
  impulse[0] = 1.0;
  compute_forward_fft(impulse.data(), spectrum.data(), n);
  for (const Complex& c : spectrum) EXPECT_EQ(c, Complex(1.0, 0.0));
  compute_inverse_fft(spectrum.data(), back.data(), n);
  EXPECT_LT(largest_difference(back, impulse), 1e-6);
}

TEST(Fft, ForwardThenInverseGivesTheSequenceToSinglePrecision) {
  const std::int32_t n = 1024;
  const std::vector<Complex> in = random_sequence(n, 11);
  std::vector<Complex> spectrum(n), back(n);
  compute_forward_fft(in.data(), spectrum.data(), n);
  compute_inverse_fft(spectrum.data(), back.data(), n);
  const double d = largest_difference(back, in);
  EXPECT_LT(d, 1e-5);
  EXPECT_GT(d, 1e-12);  // the twiddle factors are single precision
}

TEST(Fft, InPlaceOnStridedElementsWithEitherSign) {
  const std::int32_t n = 16;
  const std::vector<Complex> in = random_sequence(n, 5);
  std::vector<Complex> forward(n), inverse(n);
  compute_forward_fft(in.data(), forward.data(), n);
  compute_inverse_fft(in.data(), inverse.data(), n);
  std::vector<Complex> strided(3 * n, Complex(7.0, 7.0));
  for (std::int32_t i = 0; i < n; ++i) strided[3 * i] = in[i];
  compute_fft_in_place(strided.data(), n, 3, 1);
  for (std::int32_t i = 0; i < n; ++i) {
    EXPECT_EQ(strided[3 * i], forward[i]);
    EXPECT_EQ(strided[3 * i + 1], Complex(7.0, 7.0));
  }
  for (std::int32_t i = 0; i < n; ++i) strided[3 * i] = in[i];
  compute_fft_in_place(strided.data(), n, 3, -1);
  for (std::int32_t i = 0; i < n; ++i) EXPECT_LT(std::abs(strided[3 * i] / double(n) - inverse[i]), 1e-15);
}

TEST(Fft, LengthsThatAreNoPowerOfTwoAreCopiedUntransformed) {
  const std::vector<Complex> in = random_sequence(6, 1);
  std::vector<Complex> out(6);
  compute_forward_fft(in.data(), out.data(), 6);
  EXPECT_EQ(out, in);
  compute_inverse_fft(in.data(), out.data(), 6);
  EXPECT_EQ(out, in);
  std::vector<Complex> untouched(2, Complex(1.0, 1.0));
  compute_forward_fft(in.data(), untouched.data(), 0);
  EXPECT_EQ(untouched[0], Complex(1.0, 1.0));
}

}  // namespace
}  // namespace tb
