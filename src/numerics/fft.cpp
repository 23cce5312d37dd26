#include "numerics/fft.h"

#include <cmath>
#include <utility>

namespace tb {

namespace {

bool is_power_of_two(std::int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

// Decimation in frequency, spans n, n/2, ..., 2, then the bit-reversal
// exchange into natural order. The twiddle of butterfly index d in a span c is
// e^(i sign_factor * angle) with angle = -(d * (6.283185308 / c)) rounded to
// single precision and its exponential evaluated in single precision.
void transform(Complex* data, std::int32_t n, std::ptrdiff_t stride, float sign_factor) {
  auto at = [&](std::int32_t j) -> Complex& { return data[static_cast<std::ptrdiff_t>(j - 1) * stride]; };
  for (std::int32_t c = n; c / 2 >= 1; c /= 2) {
    const std::int32_t h = c / 2;
    const double step = 6.283185308 / static_cast<double>(c);
    for (std::int32_t d = 0; d < h; ++d) {
      const float angle = static_cast<float>(-(static_cast<double>(d) * step)) * sign_factor;
      const double wr = static_cast<double>(std::cos(angle));
      const double wi = static_cast<double>(std::sin(angle));
      for (std::int32_t j = d + 1; j <= n; j += c) {
        Complex& xa = at(j);
        Complex& xb = at(j + h);
        const Complex a = xa;
        const Complex b = xb;
        xa = a + b;
        const double dr = a.real() - b.real();
        const double di = a.imag() - b.imag();
        xb = Complex(dr * wr - di * wi, dr * wi + di * wr);
      }
    }
  }
  std::int32_t j = 1;
  for (std::int32_t i = 1; i <= n - 1; ++i) {
    if (i < j) std::swap(at(i), at(j));
    std::int32_t m = n / 2;
    while (m < j) {
      j -= m;
      m /= 2;
    }
    j += m;
  }
}

void copy_in(const Complex* input, Complex* output, std::int32_t n) {
  for (std::int32_t i = 0; i < n; ++i) output[i] = input[i];
}

}  // namespace

void compute_forward_fft(const Complex* input, Complex* output, std::int32_t n) {
  if (n <= 0) return;
  copy_in(input, output, n);
  if (is_power_of_two(n)) transform(output, n, 1, 1.0f);
}

void compute_inverse_fft(const Complex* input, Complex* output, std::int32_t n) {
  if (n <= 0) return;
  copy_in(input, output, n);
  if (!is_power_of_two(n)) return;
  transform(output, n, 1, -1.0f);
  const double scale = static_cast<double>(n);
  for (std::int32_t i = 0; i < n; ++i) output[i] = Complex(output[i].real() / scale, output[i].imag() / scale);
}

void compute_fft_in_place(Complex* data, std::int32_t n, std::ptrdiff_t stride, std::int32_t sign) {
  if (is_power_of_two(n)) transform(data, n, stride, static_cast<float>(sign));
}

}  // namespace tb
