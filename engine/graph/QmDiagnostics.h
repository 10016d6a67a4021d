#pragma once

/** The engine's diagnostic messages. The audio thread only records them
    (atomics: no lock, no allocation, no I/O); flush prints what is pending
    on stdout, from the message thread.
*/
class QmDiagnostics
{
public:
    enum Message
    {
        oscillatorNaN,      // "nan osc", at most once per block and module
        stepTooLate,        // "chuuj ", a step placed more than a sample ahead, dropped
        numMessages
    };

    /** Counts one more of the message; safe on the audio thread. */
    static void record (Message message) noexcept;

    /** Keeps the engine's new sample rate; only the latest is printed. */
    static void recordSampleRate (int rate) noexcept;

    /** Prints what was recorded since the last flush, each message as often
        as it was recorded. Never call it from the audio thread. */
    static void flush();
};
