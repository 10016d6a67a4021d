#pragma once

/** What block rendering needs of MIDI learn: the engine looks every
    controller event up here, or binds it while learning. Kept narrow so the
    engine needs no singleton, message loop or data folder. */
class QmMidiLearnHandler
{
public:
    virtual ~QmMidiLearnHandler() = default;

    virtual bool isLearnMode() = 0;
    virtual int getLearnTarget() = 0;
    virtual int getParameterForController (int controller) = 0;
    virtual void assignController (int controller, int parameterIndex) = 0;

    /** In learn mode, binds the controller to the learn target. A handler
        whose mode can end on another thread checks both where it binds. */
    virtual void learnController (int controller)
    {
        if (isLearnMode())
            assignController (controller, getLearnTarget());
    }
};
