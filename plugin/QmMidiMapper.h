#pragma once

#include "QmMidiComponent.h"
#include "QmMidiLearnHandler.h"
#include "QmParam.h"

#include <juce_events/juce_events.h>

#include <array>
#include <atomic>

/** MIDI learn: binds MIDI controllers to engine parameters, in both
    directions, keeps the registry of learnable widgets, the learn mode and
    the learn target, reads and writes the bindings file "midimapper.mrb" in
    the per-user data folder, and repaints the overlays of widgets whose
    binding changed.

    One process-wide instance, deleted at the framework's shut-down (saving its
    file as it goes). It is created on the message thread (it reads a file and
    starts a timer); the audio thread only looks controllers up and, in learn
    mode, assigns them. One lock guards the bindings, the registry and the
    repaint queue; the audio thread holds it for one event at a time, and no
    file is touched while it is held. The audio thread never allocates here:
    the repaint queue keeps room for every registered widget and the bindings
    are fixed-size tables.

    Other instances (in other processes) share the file: only the changes of
    this one, those made since it last read or wrote the file, are written,
    under the data folder's lock, onto what the file holds then. The timer
    writes them soon after a change; an instance that changed nothing never
    writes.
*/
class QmMidiMapper : public juce::DeletedAtShutdown,
                     public juce::Timer,
                     public QmMidiLearnHandler
{
public:
    /** The instance, created on first use; null when called from inside its
        own construction. */
    static QmMidiMapper* getInstance();

    ~QmMidiMapper() override;

    static constexpr int numControllers = 128;

    /** The parameter the controller drives, -1 when it drives none. */
    int getParameterForController (int controller) override;

    /** Binds the controller to the parameter: the controller leaves any other
        parameter and the parameter leaves any other controller. Only
        parameters that have a registered widget can be learnt; a controller of
        -1 unbinds the parameter. */
    void assignController (int controller, int parameterIndex) override;

    /** The controller bound to the parameter, -1 for none. */
    int getControllerForParameter (int parameterIndex);

    void registerComponent (QmMidiComponent* component);
    void unregisterComponent (QmMidiComponent* component);

    /** A copy of the registry, in registration order. */
    juce::Array<QmMidiComponent*> getComponents();

    /** Mode and target change under the lock: once learning is switched off,
        no controller the audio thread is handling can still bind. */
    void setLearnMode (bool shouldLearn);
    bool isLearnMode() override                         { return learnMode; }
    void setLearnTarget (int parameterIndex);
    int getLearnTarget() override                       { return learnTarget; }

    /** Binds the controller to the target if learning is still on. */
    void learnController (int controller) override;

    /** Takes the bindings of the file, with this instance's changes not yet
        written kept on top; a missing file changes nothing, an unreadable one
        leaves only those changes. Entries naming no engine parameter or no
        controller are dropped. */
    void load();

    /** Writes this instance's changes, if any, onto what the file holds now,
        replacing it only once the new content is complete; the bindings then
        are the file's. On failure the old file is kept, the changes stay in
        memory to be written later, takeLastFailure tells and the result is
        false. An unreadable file is left as it is until a binding changes; it
        is then kept beside the new one as a backup. */
    bool save();

    /** Why the last save failed, once; empty when it did not. */
    juce::String takeLastFailure();

    /** "midimapper.mrb" in the per-user data folder. */
    static juce::File getMapFile();

    /** Writes changes made since the last try and repaints the overlays
        queued by binding changes (message thread). */
    void timerCallback() override;

    static juce::CriticalSection singletonLock;

    /** Both directions of the bindings, fixed size so that the audio thread
        never allocates. A parameter entry of -1 marks a lost binding (it is
        saved), noEntry marks none (not saved). */
    struct Bindings
    {
        static constexpr int noEntry = -2;

        Bindings();
        int parameterFor (int controller) const noexcept;
        int controllerFor (int parameterIndex) const noexcept;

        /** Binds and returns the parameter that lost the controller, or -1. */
        int bind (int controller, int parameterIndex) noexcept;

        /** onto with the changes that lead from base to changed: bindings
            dropped there go unless onto bound them otherwise, bindings made
            there replace onto's for the same parameter or controller. */
        static Bindings merge (const Bindings& base, const Bindings& changed, Bindings onto) noexcept;

        std::array<int, QmParam::count> parameterToController;
        std::array<int, numControllers> controllerToParameter;
    };

    /** Reads a map document into bindings. False when the document is
        unreadable: it does not parse, or its root holds anything but one
        "dict" element. Entries whose parameter or controller is not a number,
        names no engine parameter or binds no controller are dropped. */
    static bool readMap (juce::InputStream& input, Bindings& bindings);

    /** The map document of the bindings. */
    static juce::MemoryBlock writeMap (const Bindings& bindings);

    /** Where an unreadable map file is kept once a changed binding is saved. */
    static juce::File getBackupFile();

private:
    QmMidiMapper();

    enum class FileState { missing, readable, unreadable };

    /** Reads the map file; only regular files are opened. */
    static FileState readMapFile (const juce::File& file, Bindings& read);

    /** Under the lock: the bindings become those on file with the changes from
        base to the bindings on top; base becomes what is on file. */
    void takeFileBindings (const Bindings& onFile, const Bindings& base);

    void queueRepaint (QmMidiComponent* component) noexcept;
    void reserveQueue();

    juce::Array<QmMidiComponent*> repaintQueue;

    // The bindings in use, and those the file held when last read or written.
    Bindings bindings, fileBindings;
    juce::Array<QmMidiComponent*> components;
    std::atomic<bool> learnMode { false };
    std::atomic<int> learnTarget { -1 };
    std::atomic<bool> unreadableTold { false }, writeDue { false };
    juce::String lastFailure;
    juce::CriticalSection lock;

    static std::atomic<QmMidiMapper*> instance;
    static bool creating;

    JUCE_DECLARE_NON_COPYABLE (QmMidiMapper)
};
