#pragma once

#include <cstdint>

namespace VorlanCommon
{
    /** The editor's commands, as the menu reports them and the processor
        runs them (Init and Randomize; Help is the editor's own). */
    enum Action : int32_t
    {
        Init = 1,
        Randomize = 2,
        Help = 3
    };
}
