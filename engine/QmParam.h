#pragma once

/** The parameters' indices, as the host, presets and MIDI learn see them,
    named after their group and name. The order is fixed: saved states and
    banks store values by index. */
namespace QmParam
{
    enum Index : int
    {
        modulatorWave,          // 0
        modulatorFreq,
        modulatorMode,
        modulatorAdsrSync,
        modulatorWheel,
        modulatorSync,
        modulatorVelocity,
        vcoWave1,               // 7
        vcoWave2,
        vcoWidth1,
        vcoWidth2,
        vcoMod,
        vcoModTarget,
        lpfType,                // 13
        lpfDrive,
        lpfCutoff,
        lpfRes,
        lpfEnv,
        lpfKbd,
        lpfMod,
        lpfOscMod,
        lpfWheel,
        envA,                   // 22
        envD,
        envS,
        envR,
        shaperType,             // 26
        shaperDriveQ,
        shaperAmount,
        ampAmount,              // 29
        ampAmpMod,
        ampAmpMode,
        hpfCutoff,              // 32
        hpfRes,
        hpfTrack,
        paramsGlidePoly,        // 35
        paramsGlideAuto,
        paramsMode,
        paramsSpreadAuto,
        vcoTrig,                // 39
        vcoMix,
        vcoPhaseDetune,
        vcoOctave,
        vcoSync,

        count                   // 44
    };
}
