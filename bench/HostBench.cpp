// Further instances of the built plug-in as a host sees them, through
// VSTPluginMain and the effect's dispatcher: how long one takes to load
// (created, opened, set up and resumed), how much resident memory it adds once
// it has played a note, and what a suspend and resume cost. The plug-in finds
// its skin and factory bank as installed, in a data folder of the run's own.
#include "ResidentMemory.h"

#include <benchmark/benchmark.h>

#define FST_DONT_DEPRECATE_UNKNOWN 1
#include <pluginterfaces/vst2.x/aeffectx.h>

#include <dlfcn.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{
    constexpr int hostBlock = 512;

    VstIntPtr hostCallback (AEffect*, int opcode, int, VstIntPtr, void*, float)
    {
        static VstTimeInfo time {};
        return opcode == audioMasterVersion ? 2400 : opcode == audioMasterGetTime ? (VstIntPtr) &time : 0;
    }

    using Entry = AEffect* (*) (audioMasterCallback);

    /** The plug-in's entry, loaded once, on a home folder of its own. */
    Entry entry()
    {
        static const Entry loaded = []
        {
            std::string base = "/tmp/vorlan-bench-XXXXXX";
            if (mkdtemp (base.data()) == nullptr)
                return Entry();

            const std::string common = base + "/common";
            setenv ("HOME", base.c_str(), 1);
            setenv ("VORLAN_COMMON_DATA_DIR", common.c_str(), 1);
            if (mkdir (common.c_str(), 0700) != 0 || symlink (VORLAN_RESOURCES_DIR, (common + "/Resources").c_str()) != 0)
                return Entry();

            void* library = dlopen (VORLAN_VST_PATH, RTLD_NOW | RTLD_LOCAL);
            return library != nullptr ? (Entry) dlsym (library, "VSTPluginMain") : Entry();
        }();

        return loaded;
    }

    struct Instance
    {
        /** Created, opened, set to 44.1 kHz and blocks of 512, resumed. */
        Instance() : effect (entry() != nullptr ? entry() (hostCallback) : nullptr)
        {
            if (effect == nullptr)
                return;

            dispatch (effOpen);
            dispatch (effSetSampleRate, 0, 0, nullptr, 44100.0f);
            dispatch (effSetBlockSize, 0, hostBlock);
            dispatch (effMainsChanged, 0, 1);
        }

        ~Instance()
        {
            if (effect != nullptr)
            {
                dispatch (effMainsChanged, 0, 0);
                dispatch (effClose);
            }
        }

        VstIntPtr dispatch (int opcode, int index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
            { return effect->dispatcher (effect, opcode, index, value, ptr, opt); }

        /** A note, then blocks of it. */
        void play (int blocks)
        {
            VstMidiEvent note {};
            note.type = kVstMidiType;
            note.byteSize = (int) sizeof (VstMidiEvent);
            note.midiData[0] = (char) 0x90;
            note.midiData[1] = 48;
            note.midiData[2] = 100;
            VstEvents events {};
            events.numEvents = 1;
            events.events[0] = (VstEvent*) &note;
            dispatch (effProcessEvents, 0, 0, &events);

            float* outputs[] = { left.data(), right.data() };
            for (int block = 0; block < blocks; ++block)
                effect->processReplacing (effect, nullptr, outputs, hostBlock);
        }

        AEffect* effect;
        std::vector<float> left = std::vector<float> (hostBlock), right = left;
    };

    double secondsSince (std::chrono::steady_clock::time_point start)
    {
        return std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
    }
}

// Each further instance is kept, so that it takes fresh memory as in a host.
static void BM_HostInstanceLoad (benchmark::State& state)
{
    Instance first;
    if (first.effect == nullptr)
    {
        state.SkipWithError ("the plug-in did not load");
        return;
    }

    std::vector<std::unique_ptr<Instance>> further;
    malloc_trim (0);

    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        further.push_back (std::make_unique<Instance>());
        state.SetIterationTime (secondsSince (start));
    }
}
BENCHMARK (BM_HostInstanceLoad)->UseManualTime()->Iterations (16)->Unit (benchmark::kMillisecond);

// Resident memory each further instance adds once it has played a note:
// "MB_per_instance", over eight instances loaded after a first one.
static void BM_HostInstanceMemory (benchmark::State& state)
{
    constexpr int further = 8;
    Instance first;
    if (first.effect == nullptr)
    {
        state.SkipWithError ("the plug-in did not load");
        return;
    }

    first.play (100);
    double perInstance = 0.0;

    for (auto _ : state)
    {
        std::vector<std::unique_ptr<Instance>> instances;
        malloc_trim (0);
        const double before = residentBytes();

        for (int i = 0; i < further; ++i)
        {
            instances.push_back (std::make_unique<Instance>());
            instances.back()->play (100);
        }

        perInstance = (residentBytes() - before) / further;
    }

    state.counters["MB_per_instance"] = perInstance / (1024.0 * 1024.0);
}
BENCHMARK (BM_HostInstanceMemory)->Iterations (1)->Unit (benchmark::kMillisecond);

// A host's suspend and resume (effMainsChanged off, then on) of an instance
// that has played.
static void BM_HostResume (benchmark::State& state)
{
    Instance first, instance;
    if (instance.effect == nullptr)
    {
        state.SkipWithError ("the plug-in did not load");
        return;
    }

    instance.play (10);

    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        instance.dispatch (effMainsChanged, 0, 0);
        instance.dispatch (effMainsChanged, 0, 1);
        state.SetIterationTime (secondsSince (start));
    }
}
BENCHMARK (BM_HostResume)->UseManualTime()->Iterations (64)->Unit (benchmark::kMillisecond);
