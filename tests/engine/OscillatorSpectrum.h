#pragma once

// Windowed DFT (radix-2 FFT) of a tone, split into its partials and the rest,
// which for a periodic tone is aliasing.

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace oscspectrum
{
    /** Power per bin 0 .. N/2 of a Blackman-Harris windowed block; N a power of two. */
    inline std::vector<double> power (const std::vector<float>& x)
    {
        const size_t n = x.size();
        std::vector<std::complex<double>> a (n);
        for (size_t i = 0, j = 0; i < n; ++i)
        {
            const double t = 2 * M_PI * (double) i / (double) n;
            a[j] = x[i] * (0.35875 - 0.48829 * std::cos (t) + 0.14128 * std::cos (2 * t) - 0.01168 * std::cos (3 * t));
            size_t bit = n >> 1;     // j runs in bit-reversed order
            for (; j & bit; bit >>= 1) j ^= bit;
            j ^= bit;
        }
        for (size_t len = 2; len <= n; len <<= 1)
            for (size_t i = 0; i < n; i += len)
                for (size_t k = 0; k < len / 2; ++k)
                {
                    const auto u = a[i + k], v = a[i + k + len / 2] * std::polar (1.0, -2 * M_PI * (double) k / (double) len);
                    a[i + k] = u + v;
                    a[i + k + len / 2] = u - v;
                }
        std::vector<double> p (n / 2 + 1);
        std::transform (a.begin(), a.begin() + (long) p.size(), p.begin(), [] (auto c) { return std::norm (c); });
        return p;
    }

    /** Power below a quarter of the rate away from the multiples of f0 (by more than 6 bins), over the power near them. */
    inline double aliasRatio (const std::vector<float>& x, double f0, double rate)
    {
        const auto p = power (x);
        const double binHz = rate / (double) x.size();
        double harmonic = 0, other = 0;
        for (size_t k = 6; (double) k * binHz < rate / 4; ++k)
            (std::abs ((double) k * binHz - std::max (1.0, std::round (k * binHz / f0)) * f0) <= 6 * binHz ? harmonic : other) += p[k];
        return other / harmonic;
    }

    /** Frequency of the strongest bin above 100 Hz, refined by a parabola through its neighbours. */
    inline double peakFrequency (const std::vector<float>& x, double rate)
    {
        const auto p = power (x);
        const double binHz = rate / (double) x.size();
        const auto best = (size_t) (std::max_element (p.begin() + (long) std::ceil (100.0 / binHz), p.end() - 1) - p.begin());
        const double l = std::log (p[best - 1]), c = std::log (p[best]), r = std::log (p[best + 1]);
        return ((double) best + 0.5 * (l - r) / (l - 2 * c + r)) * binHz;
    }
}
