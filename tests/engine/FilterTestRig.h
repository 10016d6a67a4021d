#pragma once

// A context without hum for driving the filter modules directly: their inputs
// have no sources, so each reads its own signal, which the rig fills.

#include "QmHPFilterModule.h"
#include "QmHumNoiseSource.h"
#include "QmMultiFilterModule.h"
#include "QmProcessContext.h"
#include "QmRandom.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <map>
#include <type_traits>
#include <vector>

namespace filtertest
{
    constexpr double pi = 3.141592653589793;

    struct Rig
    {
        explicit Rig (float rate = 88200.0f) : hum (88200)
        {
            context.sampleRate = rate, context.humNoise = &hum;
            std::memset (hum.hum, 0, QmHumNoiseSource::bufferSize * sizeof (float));
        }

        QmProcessContext context;
        QmHumNoiseSource hum;
    };

    // One rig per rate for the whole process.
    inline Rig& sharedRig (float rate = 88200.0f)
    {
        static std::map<float, Rig> rigs;
        return rigs.try_emplace (rate, rate).first->second;
    }

    struct LowPassSettings { float cutoff = 6.0f; float res = 0.0f; int type = 0; float drive = 0.0f; };   // cutoff in octaves
    struct HighPassSettings { float cutoff = 6.0f; float resonance = 0.0f; bool track = false; float kbd = 5.0f; };

    // Fill the control inputs for n samples; return the audio buffer the module reads.
    inline float* load (QmMultiFilterModule& f, const LowPassSettings& s, int n)
    {
        std::fill_n (f.freqIn->own->buffer, n, s.cutoff), std::fill_n (f.resIn->own->buffer, n, s.res);
        f.typeIn->own->index = s.type, f.driveIn->own->value = s.drive;
        return f.audioIn->own->buffer;
    }

    inline float* load (QmHPFilterModule& f, const HighPassSettings& s, int n)
    {
        std::fill_n (f.freqIn->own->buffer, n, s.cutoff), std::fill_n (f.kbdIn->own->buffer, n, s.kbd);
        f.resonanceIn->own->value = s.resonance, f.trackIn->own->index = s.track ? 1 : 0;
        return f.input->own->buffer;
    }

    inline const float* result (QmMultiFilterModule& f) { return f.outSignal.buffer; }
    inline const float* result (QmHPFilterModule& f) { return f.input->own->buffer; }   // filters in place

    template <typename Filter>
    using SettingsOf = std::conditional_t<std::is_same_v<Filter, QmHPFilterModule>, HighPassSettings, LowPassSettings>;

    // Renders in through the filter in blocks of blockSize.
    template <typename Filter>
    std::vector<float> render (Filter& filter, const std::vector<float>& in, const SettingsOf<Filter>& s, int blockSize = 256)
    {
        std::vector<float> out (in.size());

        for (size_t start = 0; start < in.size(); start += (size_t) blockSize)
        {
            const int n = (int) std::min ((size_t) blockSize, in.size() - start);
            filter.context->blockLength = n;
            std::copy_n (in.begin() + (long) start, n, load (filter, s, n));
            filter.process();
            std::copy_n (result (filter), n, out.begin() + (long) start);
        }

        return out;
    }

    inline std::vector<float> sine (double hz, float amplitude, int length, double rate = 88200.0)
    {
        std::vector<float> s ((size_t) length);

        for (int i = 0; i < length; ++i)
            s[(size_t) i] = amplitude * (float) std::sin (2.0 * pi * hz * i / rate);

        return s;
    }

    // Amplitude of the tone of frequency hz in the second half of x (Hann
    // window, so neither a partial cycle nor a slow offset leaks in).
    inline double toneAmplitude (const std::vector<float>& x, double hz, double rate = 88200.0)
    {
        const size_t start = x.size() / 2, length = x.size() - start;
        std::complex<double> sum;
        double weight = 0.0;

        for (size_t i = start; i < x.size(); ++i)
        {
            const double w = 0.5 - 0.5 * std::cos (2.0 * pi * (double) (i - start) / (double) length);
            sum += w * x[i] * std::polar (1.0, 2.0 * pi * hz * (double) i / rate);
            weight += w;
        }

        return 2.0 * std::abs (sum) / weight;
    }

    inline double decibels (double ratio) { return 20.0 * std::log10 (ratio); }

    // Octaves of the cutoff inputs for a frequency in Hz (2^o x 16.3516 x 0.5).
    inline float octavesFor (double hz) { return (float) std::log2 (hz / (16.3516 * 0.5)); }

    inline bool allFinite (const std::vector<float>& x, float limit)
    {
        return std::all_of (x.begin(), x.end(), [limit] (float v) { return std::isfinite (v) && std::abs (v) < limit; });
    }
}
