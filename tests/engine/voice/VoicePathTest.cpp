#include "QmHumNoiseSource.h"
#include "QmRandom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{
    bool sameBits (float a, float b) { return std::memcmp (&a, &b, sizeof (a)) == 0; }
}

TEST (VoicePath, HumAndNoiseMatchThePlainStepToTheBitAndTheTroughClips)
{
    for (const int rate : { 44100, 96000 })
    {
        qmSrand (12345);
        QmHumNoiseSource source (rate);
        QmOnePole highPass = source.highPass;
        float phase = 0.0f;
        unsigned int random = qmRandState();

        // Odd lengths, lengths below and at the lane count, and enough blocks
        // to wrap the 50 Hz phase several times.
        for (const int n : { 7, 8, 9, 0, 8192, 3001 })
        {
            source.fill (n);
            for (int i = 0; i < n; ++i)
            {
                float hum, noise;
                QmHumNoiseSource::plainStep (phase, highPass, random, rate, hum, noise);
                ASSERT_TRUE (sameBits (source.hum[i], hum)) << rate << " n " << n << " sample " << i << ": " << source.hum[i] << " vs " << hum;
                ASSERT_EQ (source.noise[i], noise) << rate << " n " << n << " sample " << i;
            }
            phase = std::fabs (phase);
            ASSERT_EQ (source.phase, phase);
            ASSERT_EQ (qmRandState(), random) << "one draw per sample";
        }
    }

    // Every float phase between the sine's -0.5 crossings (7/12 and 11/12) and
    // the bounds where computing it starts is clipped anyway.
    auto clipped = [] (float p) { return QmHumNoiseSource::trough (p) == -0.5f; };

    for (float p = 0.5f; p < QmHumNoiseSource::clippedBelow; p = std::nextafter (p, 1.0f))
        ASSERT_TRUE (clipped (p)) << p;
    for (float p = 1.0f; p > QmHumNoiseSource::clippedAbove; p = std::nextafter (p, 0.0f))
        ASSERT_TRUE (clipped (p)) << p;
    EXPECT_FALSE (clipped (0.5834f));     // tight: a little further in it is computed
    EXPECT_FALSE (clipped (0.9166f));
}
