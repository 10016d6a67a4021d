#pragma once

#include "QmDecimator.h"
#include "QmModule.h"

/** The sink of the graph: sums the voices into its mix and owns the 2:1
    decimator. QmSynthEngine::renderBlock drives it. */
class QmAudioOutModule : public QmModule
{
public:
    explicit QmAudioOutModule (QmProcessContext* context);
    ~QmAudioOutModule() override;

    static constexpr int maxVoices = 4;

    QmInputSocket* audioIn[maxVoices];
    QmInputSocket* numVoices;
    QmDecimator* decimator;
    QmSignal* mix;
};
