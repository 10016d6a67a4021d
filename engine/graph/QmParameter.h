#pragma once

#include "QmOutputSocket.h"

#include <atomic>
#include <string>
#include <vector>

/** The one change callback a parameter holds: a function and its context. */
struct QmParameterCallback
{
    void (*function) (void*) = nullptr;
    void* context = nullptr;
};

/** A named control normalised to 0..1, and at the same time an output socket
    that feeds module inputs with its value mapped into a range with a curve,
    optionally smoothed sample by sample. Choice parameters sit on the grid
    k / (steps - 1) and carry the option index beside the value. */
class QmParameter : public QmOutputSocket
{
public:
    /** A choice between options, starting on initialIndex. */
    QmParameter (std::string name, int initialIndex, std::vector<std::string> options, QmProcessContext* context);

    /** A continuous value, stored as given; it is also the default. */
    QmParameter (std::string name, float initialValue, uint8_t bipolar, QmProcessContext* context);

    /** A continuous value whose block signal glides towards its target. */
    QmParameter (std::string name, float initialValue, QmProcessContext* context);

    ~QmParameter() override;

    /** Clamps to 0..1 (anything non-finite becomes 0), quantises a choice,
        stores it and calls the callback, on any thread. The signal follows
        at the next pull, on the audio thread. */
    void setValue (float v);

    /** Installs the change callback, replacing any other (message thread). */
    void setCallback (void (*function) (void*), void* context);

    /** Removes the change callback; returns only once no call of it is in
        flight on another thread, so its context may go right after. */
    void clearCallback();

    bool hasCallback() const noexcept { return callback.load() != nullptr; }

    std::string getName() const { return name; }
    float getValue() const noexcept { return value.load (std::memory_order_relaxed); }

    /** The option index of the current value, or of a given one. */
    int getIndex() const;
    int getIndex (float v) const;
    std::string getText (float v) const;
    std::string getOptionText (int i) const;

    /** The current value, or a given one, mapped into minValue..maxValue
        through the curve. */
    float getMappedValue() const;
    float getMappedValue (float v) const;

    void connectTo (QmInputSocket* input);
    /** Writes the mapped value and the option index of one reading of the
        value into the signal, glides it when smoothing, and pushes it. */
    void requestSignal() override;

    /** One sample of the glide: a thousandth of the way to the target. */
    static float smoothStep (float state, float target) noexcept { return (float) ((double) state + (double) (target - state) * 0.001); }

    std::string name;
    std::atomic<float> value { 0.0f };     // written from any thread, read relaxed
    float defaultValue = 0.0f;
    int32_t steps = 0;
    uint8_t bipolar = 0;
    QmSignal* signal = nullptr;
    float minValue = 0.0f;
    float maxValue = 1.0f;
    int32_t curve = 0;
    uint8_t smooth = 0;
    float smoothState = 0.0f;
    uint8_t debug = 0;
    std::vector<std::string> options;

private:
    void callCallback();

    /** The mapped value and index of the last value read, with the value and
        range they came from: most blocks read the value they read before. */
    struct Mapping
    {
        uint32_t valueBits = 0xffffffffu;   // no value has these bits
        float minValue = 0.0f, maxValue = 0.0f;
        int32_t curve = 0, steps = 0;
        float mapped = 0.0f;
        int index = 0;
    };

    inline const Mapping& mappingOf (float v) noexcept;

    Mapping mapping;
    bool pushed = false;    // the inputs hold the current mapping

    // setValue reads the record through one atomic pointer, once, and counts
    // itself in flight meanwhile; setting or clearing waits for that count.
    QmParameterCallback callbackRecord;
    std::atomic<const QmParameterCallback*> callback { nullptr };
    std::atomic<int> callsInFlight { 0 };
};
