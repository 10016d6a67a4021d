#include "QmBlep.h"
#include "QmDiagnostics.h"

#include <gtest/gtest.h>

// A naive unit step with its correction comes out 17 samples late, 0 before
// and 1 after the 16 corrected samples, the same wherever the ring index is.
// A step said to lie beyond the sample is refused with a message.
TEST (BandLimitedStep, StepsAreDelayedAndSmoothedWhereverTheRingIs)
{
    // The 40 samples from the step on, sample by sample or through runs of
    // 100 samples whose naive samples are all known before the corrector
    // takes them (to the bit the same).
    auto render = [] (int at, bool runs = false)
    {
        auto b = std::make_unique<QmBlep>();
        std::vector<float> out ((size_t) at + 40), naive (100);
        for (int start = 0; start < at + 40; start += 100)
        {
            const int m = std::min (100, at + 40 - start);
            if (runs)
                b->beginRun (naive.data());
            for (int i = 0; i < m; ++i)
            {
                if (start + i == at && runs)
                    b->seek (i);
                if (start + i == at)
                    b->addStep (0.3f, 1.0f);
                naive[(size_t) i] = start + i >= at ? 1.0f : 0.0f;
                if (! runs)
                    out[(size_t) (start + i)] = b->process (naive[(size_t) i]);
            }
            if (runs)
                b->endRun (out.data() + start, m);
        }
        return std::vector<float> (out.end() - 40, out.end());
    };

    const auto ref = render (100);
    for (size_t i = 0; i < ref.size(); ++i)
        EXPECT_NEAR (ref[i], i < 9 ? 0.0f : i >= 25 ? 1.0f : ref[i], 1e-6f) << i;
    EXPECT_NEAR (ref[17], 0.5f, 0.35f);
    for (int at : { 2045, 2048 + 3 })   // slots wrap forwards (w + 7) and backwards (w - 8, w - 17)
    {
        EXPECT_TRUE (std::equal (ref.begin(), ref.end(), render (at).begin(), [] (float x, float y) { return std::abs (x - y) < 1e-5f; })) << at;
        EXPECT_EQ (render (at, true), render (at)) << at;   // a run's slots wrap too
    }

    // The tables settle; their guard entries repeat the last value, then 0.
    // Every corrector reads one copy.
    auto b = std::make_unique<QmBlep>();
    EXPECT_EQ (b->step, std::make_unique<QmBlep>()->step);
    EXPECT_NEAR (b->step[2047], 1.0f, 1e-6f);
    EXPECT_NEAR (b->ramp[2047], 0.0f, 1e-5f);
    EXPECT_EQ (b->step[2048], b->step[2047]);
    EXPECT_EQ (b->ramp[2049], 0.0f);
    testing::internal::CaptureStdout();
    b->addStep (1.5f, 1.0f);
    QmDiagnostics::flush();
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "chuuj ");
    EXPECT_TRUE (std::all_of (b->ring, b->ring + 2048, [] (float r) { return r == 0.0f; }));
    b->addStep (1.0f, 1.0f);    // the last position reads the guard entries
    EXPECT_FALSE (std::all_of (b->ring, b->ring + 2048, [] (float r) { return r == 0.0f; }));
}
