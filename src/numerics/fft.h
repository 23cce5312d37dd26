// Radix-2 fast Fourier transforms of double-precision complex sequences.
//
// Position 1 (index 0 here) holds frequency 0; position p holds frequency
// p - 1 up to N/2 + 1 and the negative frequency p - 1 - N above it. The data
// and the butterflies are double precision; the twiddle factors are evaluated
// in single precision, so a forward and inverse pair reproduces a sequence to
// about seven significant digits.
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>

namespace tb {

using Complex = std::complex<double>;

// output(k) = sum over j of input(j) e^(-i 2 pi (j-1)(k-1)/n), unscaled. The
// input is copied into the output and transformed there; n is a power of two
// (other lengths are copied untransformed), n <= 0 does nothing.
void compute_forward_fft(const Complex* input, Complex* output, std::int32_t n);

// output(j) = (1/n) sum over k of input(k) e^(+i 2 pi (j-1)(k-1)/n).
void compute_inverse_fft(const Complex* input, Complex* output, std::int32_t n);

// In place on n elements lying stride elements apart: data(k) := sum over j
// of data(j) e^(-i s 2 pi (j-1)(k-1)/n), unscaled (s = 1 forward, s = -1 the
// inverse without its 1/n).
void compute_fft_in_place(Complex* data, std::int32_t n, std::ptrdiff_t stride, std::int32_t sign);

}  // namespace tb
