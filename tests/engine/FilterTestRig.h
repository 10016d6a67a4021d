#pragma once

// A context without hum for driving the filter modules directly: their inputs
// have no sources, so each reads its own signal, which the rig fills.

#include "QmHPFilterModule.h"
#include "QmHumNoiseSource.h"
#include "QmDriftGenerator.h"
#include "QmMultiFilterModule.h"
#include "QmProcessContext.h"
#include "QmRandom.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace filtertest
{
    constexpr double pi = 3.141592653589793;

    struct Rig
    {
        explicit Rig (float rate = 88200.0f) : hum (88200)
        {
            context.sampleRate = rate;
            context.humNoise = &hum;
            std::memset (hum.hum, 0, QmHumNoiseSource::bufferSize * sizeof (float));
        }

        QmProcessContext context;
        QmHumNoiseSource hum;
    };

    /** One rig per rate for the whole process: building the drift tables of a
        context is the slow part of a test. */
    inline Rig& sharedRig (float rate = 88200.0f)
    {
        static std::vector<std::unique_ptr<Rig>> rigs;

        for (auto& r : rigs)
            if (r->context.sampleRate == rate)
                return *r;

        rigs.push_back (std::make_unique<Rig> (rate));
        return *rigs.back();
    }

    struct LowPassSettings
    {
        float cutoff = 6.0f;    // octaves
        float res = 0.0f;
        int type = 0;
        float drive = 0.0f;
    };

    /** Renders in through the multi filter in blocks of blockSize. */
    inline std::vector<float> render (QmMultiFilterModule& filter, const std::vector<float>& in,
                                      const LowPassSettings& s, int blockSize = 256)
    {
        std::vector<float> out (in.size());
        auto& context = *filter.context;

        for (size_t start = 0; start < in.size(); start += (size_t) blockSize)
        {
            const int n = (int) std::min ((size_t) blockSize, in.size() - start);
            context.blockLength = n;
            std::copy (in.begin() + (long) start, in.begin() + (long) start + n, filter.audioIn->own->buffer);
            std::fill (filter.freqIn->own->buffer, filter.freqIn->own->buffer + n, s.cutoff);
            std::fill (filter.resIn->own->buffer, filter.resIn->own->buffer + n, s.res);
            filter.typeIn->own->index = s.type;
            filter.driveIn->own->value = s.drive;
            filter.process();
            std::copy (filter.outSignal.buffer, filter.outSignal.buffer + n, out.begin() + (long) start);
        }

        return out;
    }

    struct HighPassSettings
    {
        float cutoff = 6.0f;    // octaves
        float resonance = 0.0f;
        bool track = false;
        float kbd = 5.0f;       // octaves
    };

    inline std::vector<float> render (QmHPFilterModule& filter, const std::vector<float>& in,
                                      const HighPassSettings& s, int blockSize = 256)
    {
        std::vector<float> out (in.size());
        auto& context = *filter.context;

        for (size_t start = 0; start < in.size(); start += (size_t) blockSize)
        {
            const int n = (int) std::min ((size_t) blockSize, in.size() - start);
            context.blockLength = n;
            std::copy (in.begin() + (long) start, in.begin() + (long) start + n, filter.input->own->buffer);
            std::fill (filter.freqIn->own->buffer, filter.freqIn->own->buffer + n, s.cutoff);
            std::fill (filter.kbdIn->own->buffer, filter.kbdIn->own->buffer + n, s.kbd);
            filter.resonanceIn->own->value = s.resonance;
            filter.trackIn->own->index = s.track ? 1 : 0;
            filter.process();
            std::copy (filter.input->own->buffer, filter.input->own->buffer + n, out.begin() + (long) start);
        }

        return out;
    }

    inline std::vector<float> sine (double hz, float amplitude, int length, double rate)
    {
        std::vector<float> s ((size_t) length);

        for (int i = 0; i < length; ++i)
            s[(size_t) i] = amplitude * (float) std::sin (2.0 * pi * hz * i / rate);

        return s;
    }

    /** Amplitude of the tone of frequency hz in the second half of x
        (Hann window, so neither a partial cycle nor a slow offset leaks in). */
    inline double toneAmplitude (const std::vector<float>& x, double hz, double rate)
    {
        double re = 0.0, im = 0.0, weight = 0.0;
        const size_t start = x.size() / 2;
        const double length = (double) (x.size() - start);

        for (size_t i = start; i < x.size(); ++i)
        {
            const double w = 0.5 - 0.5 * std::cos (2.0 * pi * (double) (i - start) / length);
            re += w * x[i] * std::cos (2.0 * pi * hz * (double) i / rate);
            im += w * x[i] * std::sin (2.0 * pi * hz * (double) i / rate);
            weight += w;
        }

        return 2.0 * std::sqrt (re * re + im * im) / weight;
    }

    inline double decibels (double ratio) { return 20.0 * std::log10 (ratio); }

    /** Octaves of the cutoff inputs for a frequency in Hz (2^o x 16.3516 x 0.5). */
    inline float octavesFor (double hz) { return (float) std::log2 (hz / (16.3516 * 0.5)); }

    inline bool allFinite (const std::vector<float>& x, float limit)
    {
        return std::all_of (x.begin(), x.end(), [limit] (float v) { return std::isfinite (v) && std::abs (v) < limit; });
    }
}
