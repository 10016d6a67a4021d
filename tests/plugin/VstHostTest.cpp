// A small VST 2.4 host of our own: it loads the built plug-in library, calls
// VSTPluginMain and drives the plug-in through the AEffect interface as a
// host does. Opcodes the headers had wrong are sent as the numbers hosts
// send, so the test cannot share the plug-in's mistake.
#include "KorvixAudioProcessor.h"
#include "MallocCount.h"
#include "QmParam.h"

#include <gtest/gtest.h>

#define FST_DONT_DEPRECATE_UNKNOWN 1
#include <pluginterfaces/vst2.x/aeffectx.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace
{
    /** The MIDI events the plug-in has sent the host. */
    std::atomic<int> eventsFromPlugin { 0 };

    VstIntPtr hostCallback (AEffect*, int opcode, int, VstIntPtr, void* ptr, float)
    {
        static VstTimeInfo time {};

        if (opcode == audioMasterProcessEvents && ptr != nullptr)
            eventsFromPlugin += ((VstEvents*) ptr)->numEvents;

        return opcode == audioMasterVersion ? 2400 : opcode == audioMasterGetTime ? (VstIntPtr) &time : 0;
    }

    /** One plug-in instance as the host sees it. The library stays loaded, as
        a host keeps it while it may create instances. */
    struct HostedPlugin
    {
        /** Opened and started with blocks of at most 512. */
        explicit HostedPlugin (float sampleRate = 44100.0f)
        {
            static void* library = dlopen (VORLAN_VST_PATH, RTLD_NOW | RTLD_LOCAL);
            auto entry = library != nullptr ? (AEffect* (*) (audioMasterCallback)) dlsym (library, "VSTPluginMain") : nullptr;
            effect = entry != nullptr ? entry (hostCallback) : nullptr;

            if (effect != nullptr)
            {
                dispatch (effOpen);
                dispatch (effSetSampleRate, 0, 0, nullptr, sampleRate);
                dispatch (effSetBlockSize, 0, 512);
                dispatch (effMainsChanged, 0, 1);
            }
        }

        ~HostedPlugin()  { if (effect != nullptr) dispatch (effClose); }

        VstIntPtr dispatch (int opcode, int index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
            { return effect->dispatcher (effect, opcode, index, value, ptr, opt); }

        struct Message { unsigned char bytes[3]; int position; };

        void sendMidi (unsigned char status, unsigned char data1, unsigned char data2)
        {
            EventList list ({ { status, data1, data2, 0 } });
            dispatch (effProcessEvents, 0, 0, list.get());
        }

        /** A host's list of MIDI events. */
        struct EventList
        {
            explicit EventList (const std::vector<Message>& messages)
                : events (messages.size()),
                  storage ((offsetof (VstEvents, events) + messages.size() * sizeof (VstEvent*)) / sizeof (VstIntPtr) + 1)
            {
                get()->numEvents = (int) messages.size();

                for (size_t i = 0; i < messages.size(); ++i)
                {
                    events[i].type = kVstMidiType;
                    events[i].byteSize = (int) sizeof (VstMidiEvent);
                    events[i].deltaFrames = messages[i].position;
                    std::memcpy (events[i].midiData, messages[i].bytes, 3);
                    get()->events[i] = (VstEvent*) &events[i];
                }
            }

            VstEvents* get()    { return (VstEvents*) storage.data(); }

            std::vector<VstMidiEvent> events;
            std::vector<VstIntPtr> storage;
        };

        /** Renders blocks of 512; returns the left channel's peak magnitude. */
        float process (int blocks = 1)
        {
            float peak = 0.0f;

            for (int block = 0; block < blocks; ++block)
            {
                std::fill (left.begin(), left.end(), 9.0f);
                std::fill (right.begin(), right.end(), 9.0f);
                float* outputs[] = { left.data(), right.data() };
                effect->processReplacing (effect, nullptr, outputs, 512);

                for (auto s : left)
                    peak = std::max (peak, std::abs (s));
            }

            return peak;
        }

        AEffect* effect = nullptr;
        std::vector<float> left = std::vector<float> (512), right = left;
    };
}

TEST (VstHost, OpensTwiceDescribesItselfAnswersTheOpcodesHostsSendByNumberAndLeavesNoNoteHeld)
{
    // The wrapper runs a message thread of its own: instances come and go,
    // one after the other and side by side.
    for (int round = 0; round < 2; ++round)
    {
        HostedPlugin plugin, other (48000.0f);
        ASSERT_NE (plugin.effect, nullptr) << dlerror();
        ASSERT_NE (other.effect, nullptr) << round;
        other.process();

        auto* p = plugin.effect;
        EXPECT_EQ (std::tuple (p->magic, p->numInputs, p->numOutputs, p->numPrograms, p->numParams, p->uniqueID, p->version),
                   std::tuple (kEffectMagic, 0, 2, 1, 44, CCONST ('V', 'R', 'L', 'N'), 100));
        EXPECT_EQ (p->flags & (effFlagsIsSynth | effFlagsCanReplacing | effFlagsProgramChunks | effFlagsCanDoubleReplacing),
                   effFlagsIsSynth | effFlagsCanReplacing | effFlagsProgramChunks);
        EXPECT_EQ (std::pair (plugin.dispatch (effGetPlugCategory), plugin.dispatch (effCanDo, 0, 0, (void*) "receiveVstMidiEvent")), std::pair ((VstIntPtr) kPlugCategSynth, (VstIntPtr) 1));

        // Tail (0 s), keys wanted by the editor (hosts read 0 so), 16 MIDI
        // channels each way.
        EXPECT_EQ (std::tuple (plugin.dispatch (52), plugin.dispatch (57), plugin.dispatch (78), plugin.dispatch (79)), std::tuple (0, 0, 16, 16));
        EXPECT_EQ (plugin.process(), 0.0f);

        // One instance's chunk restores every value in another.
        for (int i = 0; i < QmParam::count; ++i)
            p->setParameter (p, i, (float) ((i * 37) % 100) / 100.0f + 0.0012345f);

        char* data = nullptr;
        const auto size = plugin.dispatch (effGetChunk, 0, 0, &data);
        ASSERT_NE (data, nullptr);
        other.dispatch (effSetChunk, 0, size, data);

        for (int i = 0; i < QmParam::count; ++i)
            EXPECT_NEAR (other.effect->getParameter (other.effect, i), p->getParameter (p, i), 1.0e-6f) << i;
    }

    // Notes are released by bypass, which ignores notes played meanwhile; on
    // any channel, whatever channel they came on; by a host's suspend and
    // resume, after which the instance starts from silence.
    HostedPlugin plugin;
    ASSERT_NE (plugin.effect, nullptr);
    const std::vector<std::pair<const char*, std::function<void()>>> releases {
        { "bypass", [&plugin]
            {
                EXPECT_EQ (plugin.dispatch (44, 0, 1), 1);
                plugin.sendMidi (0x90, 64, 100);
                EXPECT_EQ (plugin.process (4), 0.0f);

                // Released during a bypass of 4.3 s: nothing of it is left
                // when the bypass ends.
                plugin.sendMidi (0x80, 60, 0);
                EXPECT_EQ (plugin.process (370), 0.0f);
                plugin.dispatch (44, 0, 0);
                EXPECT_LT (plugin.process(), 1.0e-4f);
            } },
        { "all notes off", [&plugin] { plugin.sendMidi (0xbf, 123, 0); } },
        { "all sound off", [&plugin] { plugin.sendMidi (0xb4, 120, 0); } },
        { "suspend and resume", [&plugin]
            {
                // The engine stood still meanwhile: nothing of the note's
                // release is left to play on from where it stopped.
                plugin.dispatch (effMainsChanged, 0, 0);
                plugin.dispatch (effMainsChanged, 0, 1);
                EXPECT_EQ (plugin.process (20), 0.0f);
            } } };

    for (const auto& [name, release] : releases)
    {
        plugin.sendMidi (0x90, 60, 100);
        const float sounding = plugin.process (8);
        ASSERT_GT (sounding, 1.0e-3f) << name;
        EXPECT_EQ (plugin.left, plugin.right) << name;

        release();
        plugin.process (200);
        EXPECT_LT (plugin.process(), sounding * 0.01f) << name;
    }
}

TEST (VstHost, FirstFullEmptyOversizedAndFreshThreadBlocksStayInsideTheirBuffersAndAllocateNothing)
{
    eventsFromPlugin = 0;
    HostedPlugin plugin;
    ASSERT_NE (plugin.effect, nullptr);

    // Notes, controllers and bends over the whole block, as many as the
    // plug-in takes, the first block after the host resumed it, from a thread
    // of its own. The input goes on to the host, and nothing else ever did.
    std::vector<HostedPlugin::Message> messages;
    for (int i = 0; i < KorvixAudioProcessor::maxEventsPerBlock; ++i)
    {
        const unsigned char status[] = { 0x90, 0x80, 0xb0, 0xe0 };
        messages.push_back ({ (unsigned char) (status[i % 4] | (i % 16)), (unsigned char) (i % 128), 100, i % 512 });
    }

    HostedPlugin::EventList list (messages);
    int firstMallocs = -1;
    std::thread ([&] { firstMallocs = mallocsIn ([&] { plugin.dispatch (effProcessEvents, 0, 0, list.get()); plugin.process(); }); }).join();
    EXPECT_EQ (eventsFromPlugin.load(), KorvixAudioProcessor::maxEventsPerBlock);

    // No frames, no buffers: nothing is touched.
    float* none[] = { nullptr, nullptr };
    plugin.effect->processReplacing (plugin.effect, nullptr, none, 0);
    plugin.effect->processReplacing (plugin.effect, nullptr, nullptr, 0);

    // Then blocks eight times the declared size, with guard zones around them;
    // also with a channel left out (missing, or the same buffer twice).
    plugin.sendMidi (0x90, 60, 100);
    const int n = 4096, guard = 64;
    std::vector<float> left ((size_t) (n + 2 * guard)), right = left;
    float* both[] = { left.data() + guard, right.data() + guard };
    float* leftOut[] = { both[0], nullptr };
    float* repeated[] = { both[0], both[0] };

    for (auto* channels : { both, both, leftOut, repeated })
    {
        std::fill (left.begin(), left.end(), 5.0f);
        std::fill (right.begin(), right.end(), 5.0f);
        plugin.effect->processReplacing (plugin.effect, nullptr, channels, n);

        for (auto* side : { &left, &right })
            EXPECT_EQ (std::count (side->begin(), side->begin() + guard, 5.0f) + std::count (side->end() - guard, side->end(), 5.0f), 2 * guard)
                << (side == &left ? "left" : "right");

        EXPECT_NE (left[(size_t) guard], 5.0f);
        EXPECT_GT (std::abs (left[(size_t) (guard + n - 1)]), 0.0f);
        EXPECT_TRUE (channels != both || left == right);
    }

    // Hosts move rendering between worker threads: no block allocates, each
    // thread's first included.
    if (! VORLAN_COUNTS_MALLOC)
        GTEST_SKIP() << "allocations are not counted under a sanitizer";

    int mallocs = 0;
    for (int round = 0; round < 4; ++round)
        std::thread ([&] { mallocs += mallocsIn ([&] { plugin.effect->processReplacing (plugin.effect, nullptr, both, 512); }); }).join();

    EXPECT_EQ (firstMallocs, 0);
    EXPECT_EQ (mallocs, 0);
    EXPECT_GT (std::abs (left[(size_t) guard + 511]), 0.0f);

    // A suspend frees the wrapper's list; the resume sizes it again.
    plugin.dispatch (effMainsChanged, 0, 0);
    plugin.dispatch (effMainsChanged, 0, 1);
    eventsFromPlugin = 0;
    std::thread ([&] { mallocs = mallocsIn ([&] { plugin.dispatch (effProcessEvents, 0, 0, list.get()); plugin.process(); }); }).join();
    EXPECT_EQ (mallocs, 0);
    EXPECT_EQ (eventsFromPlugin.load(), KorvixAudioProcessor::maxEventsPerBlock);
}
