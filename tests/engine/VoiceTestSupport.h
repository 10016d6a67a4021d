#pragma once

// Voice module test helpers: event builders, a probe that taps any output of
// a built engine, a source module for small graphs, and a rig that renders
// host blocks and collects the tapped signals at the engine's doubled rate.

#include "QmControlModule.h"
#include "QmParameter.h"
#include "QmSynthEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace voicetest
{
    constexpr double pi = 3.141592653589793;

    inline bool sameBits (float a, float b) { return std::memcmp (&a, &b, sizeof (a)) == 0; }

    inline QmMidiEvent noteOn (int note, float velocity, int pos) { return { QmMidiEvent::typeNote, note, 1, pos, velocity }; }
    inline QmMidiEvent noteOff (int note, int pos) { return { QmMidiEvent::typeNote, note, 0, pos, 1.0f }; }
    inline QmMidiEvent controller (int number, float value, int pos) { return { QmMidiEvent::typeController, 0, 0, pos, value, number }; }
    inline QmMidiEvent pitchBend (float value, int pos) { return { QmMidiEvent::typePitchWheel, 0, 0, pos, value }; }

    /** Nothing pulls it by itself: each tapped output hands it a copy of what
        it pushes (it is connected last), readable after the block. */
    struct Probe : QmModule
    {
        explicit Probe (QmProcessContext* c) : QmModule (c) { name = "Probe"; }

        int tap (QmOutputSocket* output) { output->connect (addInput ("Probe", output->kind)); return (int) inputs.size() - 1; }
        const float* samples (int tapIndex) const { return inputs[(size_t) tapIndex]->getSignal()->buffer; }
    };

    /** One output whose signal the test fills. */
    struct Source : QmModule
    {
        explicit Source (QmProcessContext* c, uint32_t kind = QmSignal::block) : QmModule (c), out (addOutput ("Out", kind)), signal (kind, c) {}
        void process() override { out->pushSignal (&signal); }
        QmOutputSocket* out;
        QmSignal signal;
    };

    /** One block of a hand-built graph whose sink is `module`. */
    inline void pull (QmModule& module, int engineSamples)
    {
        module.context->advanceTick();
        module.context->blockLength = engineSamples;
        module.clear();
        module.requestSignal();
    }

    struct Rig
    {
        Rig() : probe (engine.context) {}

        int tap (QmModule* module, const char* output, int nth = 0) { collected.emplace_back(); return probe.tap (module->findOutput (output, nth)); }

        void set (int parameter, float value) { engine.parameters[parameter]->setValue (value); }
        void choose (int parameter, int option) { set (parameter, (float) option / (float) (engine.parameters[parameter]->steps - 1)); }

        /** Renders in host blocks of at most blockSize, each with the events
            whose positions fall inside it; collects only this call's output. */
        void render (int hostSamples, const std::vector<QmMidiEvent>& events = {}, int blockSize = 2048)
        {
            std::vector<float> left ((size_t) blockSize), right ((size_t) blockSize);
            for (auto& c : collected)
                c.clear();

            for (int start = 0; start < hostSamples; start += blockSize)
            {
                const int n = std::min (blockSize, hostSamples - start);
                std::vector<QmMidiEvent> blockEvents;
                for (auto e : events)
                    if (e.position >= start && e.position < start + n)
                        blockEvents.push_back ((e.position -= start, e));

                // Tapped modules off the audio path are cleared and pulled here.
                engine.context->blockLength = 2 * n, probe.clear();
                engine.renderBlock (left.data(), right.data(), blockEvents, n);
                probe.requestSignal();

                for (size_t t = 0; t < collected.size(); ++t)
                    collected[t].insert (collected[t].end(), probe.samples ((int) t), probe.samples ((int) t) + 2 * n);
            }
        }

        const std::vector<float>& at (int tapIndex) const { return collected[(size_t) tapIndex]; }

        QmSynthEngine engine;
        Probe probe;
        std::vector<std::vector<float>> collected;
    };

    /** First index whose sample is at least `level`, or -1. */
    inline int firstReaching (const std::vector<float>& s, float level)
    {
        const auto it = std::find_if (s.begin(), s.end(), [level] (float v) { return v >= level; });
        return it == s.end() ? -1 : (int) (it - s.begin());
    }

    inline float maxOf (const std::vector<float>& s, size_t from = 0) { return *std::max_element (s.begin() + (std::ptrdiff_t) from, s.end()); }
}
