#include <benchmark/benchmark.h>

// Registered once main runs: they read the factory bank, which needs the
// framework's static objects built.
void registerFactoryPresetBenchmarks();

int main (int argc, char** argv)
{
    registerFactoryPresetBenchmarks();
    benchmark::Initialize (&argc, argv);

    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
