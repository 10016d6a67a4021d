#pragma once

// Spectrum measurements for the oscillator tests: a windowed DFT (radix-2
// FFT) and the split of its power into harmonics of a fundamental and the
// rest, which for a periodic tone is aliasing.

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
        const double twoPi = 2.0 * M_PI;
        std::vector<std::complex<double>> a (n);

        for (size_t i = 0; i < n; ++i)
        {
            const double t = twoPi * (double) i / (double) n;
            const double w = 0.35875 - 0.48829 * std::cos (t) + 0.14128 * std::cos (2 * t) - 0.01168 * std::cos (3 * t);
            a[i] = x[i] * w;
        }

        for (size_t i = 1, j = 0; i < n; ++i)
        {
            size_t bit = n >> 1;
            for (; j & bit; bit >>= 1)
                j ^= bit;
            j ^= bit;
            if (i < j)
                std::swap (a[i], a[j]);
        }

        for (size_t len = 2; len <= n; len <<= 1)
        {
            const std::complex<double> wl = std::polar (1.0, -twoPi / (double) len);
            for (size_t i = 0; i < n; i += len)
            {
                std::complex<double> w (1.0);
                for (size_t k = 0; k < len / 2; ++k)
                {
                    const auto u = a[i + k], v = a[i + k + len / 2] * w;
                    a[i + k] = u + v;
                    a[i + k + len / 2] = u - v;
                    w *= wl;
                }
            }
        }

        std::vector<double> p (n / 2 + 1);
        for (size_t k = 0; k <= n / 2; ++k)
            p[k] = std::norm (a[k]);
        return p;
    }

    struct Split
    {
        double harmonic = 0.0;
        double other = 0.0;

        double otherFraction() const { return other / (harmonic + other); }
    };

    /** Power below maxHz near multiples of f0 (within guard bins) and elsewhere; DC is skipped. */
    inline Split split (const std::vector<double>& p, double f0, double rate, double maxHz, int guard = 6)
    {
        const size_t n = (p.size() - 1) * 2;
        const double binHz = rate / (double) n;
        Split s;

        for (size_t k = (size_t) guard; k < p.size() && (double) k * binHz < maxHz; ++k)
        {
            const double f = (double) k * binHz;
            const double nearest = std::round (f / f0) * f0;
            if (nearest > 0.0 && std::abs (f - nearest) <= guard * binHz)
                s.harmonic += p[k];
            else
                s.other += p[k];
        }

        return s;
    }

    /** Frequency of the strongest bin above minHz, refined by a parabola through its neighbours. */
    inline double peakFrequency (const std::vector<double>& p, double rate, double minHz = 100.0)
    {
        const size_t n = (p.size() - 1) * 2;
        const double binHz = rate / (double) n;
        size_t best = std::max<size_t> (1, (size_t) std::ceil (minHz / binHz));

        for (size_t k = best; k + 1 < p.size(); ++k)
            if (p[k] > p[best])
                best = k;

        const double l = std::log (p[best - 1] + 1e-30), c = std::log (p[best] + 1e-30), r = std::log (p[best + 1] + 1e-30);
        const double shift = 0.5 * (l - r) / (l - 2 * c + r);
        return ((double) best + shift) * binHz;
    }
}
