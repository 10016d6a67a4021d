#include "QmDecimator.h"

#include <benchmark/benchmark.h>

#include <cmath>
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
