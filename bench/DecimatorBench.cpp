#include "QmDecimator.h"
#include "QmFirInterpolator.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

// One engine block of 2:1 decimation, as the audio output runs it.
static void BM_DecimatorBlock (benchmark::State& state)
{
    constexpr int n = 512;
    std::vector<float> in (2 * n), out (n);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = std::sin (0.05f * (float) i);

    QmDecimator decimator;

    for (auto _ : state)
    {
        decimator.processBlock (in.data(), out.data(), n);
        benchmark::DoNotOptimize (out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK (BM_DecimatorBlock)->Unit (benchmark::kMicrosecond);

// The multi filter's 4x interpolation and 4:1 decimation of one 1024-sample
// engine block.
static void BM_FirInterpolateDecimate (benchmark::State& state)
{
    constexpr int n = 1024;
    std::vector<float> in (n), out (n);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = std::sin (0.05f * (float) i);

    auto fir = std::make_unique<QmFirInterpolator>();
    const bool decimating = state.range (0) != 0;

    for (auto _ : state)
    {
        if (decimating)
            fir->decimate (out.data(), n);
        else
            fir->interpolate (in.data(), fir->getDecimationInput(), n);

        benchmark::DoNotOptimize (out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK (BM_FirInterpolateDecimate)->ArgName ("decimate")->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);
