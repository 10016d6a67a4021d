#pragma once

#include "QmMidiComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <functional>

class QmParameter;

/** The base of every widget that shows and edits one engine parameter.

    It installs itself as the parameter's change callback. The callback may
    run on any thread (host automation, the audio thread's MIDI learn, a
    restored state), so it only raises an atomic flag; the editor's timer then
    calls deliverPendingUpdate on the message thread, which re-reads the
    parameter once however many changes came in between. Updates set the
    widget without notification, so they never write the parameter back.
*/
class QmComponent : public QmMidiComponent
{
public:
    explicit QmComponent (QmParameter* parameter = nullptr);
    virtual ~QmComponent();

    /** Shows a normalised value without writing the parameter. */
    virtual void setNormalisedValue (float value) = 0;

    /** Stores the pointer only: the change callback stays where it is. */
    virtual void setParameter (QmParameter* p)                  { parameter = p; }
    virtual QmParameter* getParameter() const                   { return parameter; }

    /** Re-reads the parameter into the widget (message thread). */
    virtual void updateFromParameter()                          {}

    virtual juce::Label* getLabel()                             { return &label; }

    /** The change callback: raises the update flag, nothing else. */
    static void parameterChanged (void* widget);

    /** Calls updateFromParameter when a change came in since the last call. */
    void deliverPendingUpdate();

    bool hasPendingUpdate() const noexcept                      { return updatePending.load(); }

    /** Told of a user's click or choice once it has written the parameter,
        so the editor reports it to the host as one whole gesture. Update
        paths never call it. */
    std::function<void (QmComponent&)> onUserChange;

protected:
    /** Installs this widget as the parameter's callback again (the last
        installed is the one called). */
    void installCallback();

    /** Deletes the learn overlay; the widget's own destructor calls it while
        its component part still exists. */
    void deleteOverlay();

    /** A user's click or choice: writes the parameter, then tells
        onUserChange (message thread). */
    void setValueByUser (float value);

    QmParameter* parameter = nullptr;
    juce::Label label;

private:
    std::atomic<bool> updatePending { false };

    JUCE_DECLARE_NON_COPYABLE (QmComponent)
};
