#include "QmAudioOutModule.h"

QmAudioOutModule::QmAudioOutModule (QmProcessContext* c)
    : QmModule (c)
{
    name = "Audio out";

    for (auto*& input : audioIn)
        input = addInput ("Audio in", QmSignal::block);

    numVoices = addInput ("Num voices", QmSignal::scalar);
    decimator = new QmDecimator();
    mix = new QmSignal (QmSignal::block, c);
}

QmAudioOutModule::~QmAudioOutModule()
{
    delete mix;
    delete decimator;
}
