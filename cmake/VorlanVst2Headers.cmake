# The VST 2.4 interface comes from the fst headers. fst gives the names it has
# not identified placeholder values (100000 plus a line number, or 0 for flags),
# and JUCE's wrapper compiles its opcode dispatch and host calls against them:
# hosts' numbers would never match. vorlan_write_vst2_headers writes a copy of
# fst.h in which every such name the wrapper uses has the value hosts use, and
# forwards JUCE's pluginterfaces/vst2.x includes to it.

# Name, fst's kind of entry, value (a bit number for flags).
set(VORLAN_VST2_VALUES
    audioMasterIOChanged            HOST_OPCODE     13
    audioMasterVendorSpecific       HOST_OPCODE     35
    audioMasterUpdateDisplay        HOST_OPCODE     42
    effSetBypass                    EFFECT_OPCODE   44
    effGetTailSize                  EFFECT_OPCODE   52
    effKeysRequired                 EFFECT_OPCODE   57
    effGetNumMidiInputChannels      EFFECT_OPCODE   78
    effGetNumMidiOutputChannels     EFFECT_OPCODE   79
    kSpeakerArrStereoSurround       SPEAKER         2
    kSpeakerArrStereoCenter         SPEAKER         3
    kSpeakerArrStereoSide           SPEAKER         4
    kSpeakerArrStereoCLfe           SPEAKER         5
    kSpeakerArr30Cine               SPEAKER         6
    kSpeakerArr30Music              SPEAKER         7
    kSpeakerArr31Cine               SPEAKER         8
    kSpeakerArr31Music              SPEAKER         9
    kSpeakerArr40Cine               SPEAKER         10
    kSpeakerArr40Music              SPEAKER         11
    kSpeakerArr41Cine               SPEAKER         12
    kSpeakerArr41Music              SPEAKER         13
    kSpeakerArr50                   SPEAKER         14
    kSpeakerArr51                   SPEAKER         15
    kSpeakerArr60Cine               SPEAKER         16
    kSpeakerArr60Music              SPEAKER         17
    kSpeakerArr61Cine               SPEAKER         18
    kSpeakerArr61Music              SPEAKER         19
    kSpeakerArr70Cine               SPEAKER         20
    kSpeakerArr70Music              SPEAKER         21
    kSpeakerArr71Cine               SPEAKER         22
    kSpeakerArr71Music              SPEAKER         23
    kSpeakerArr80Cine               SPEAKER         24
    kSpeakerArr80Music              SPEAKER         25
    kSpeakerArr81Cine               SPEAKER         26
    kSpeakerArr81Music              SPEAKER         27
    kSpeakerC                       SPEAKER         3
    kSpeakerLfe                     SPEAKER         4
    kSpeakerLs                      SPEAKER         5
    kSpeakerRs                      SPEAKER         6
    kSpeakerLc                      SPEAKER         7
    kSpeakerRc                      SPEAKER         8
    kSpeakerS                       SPEAKER         9
    kSpeakerSl                      SPEAKER         10
    kSpeakerSr                      SPEAKER         11
    kSpeakerTm                      SPEAKER         12
    kSpeakerTfl                     SPEAKER         13
    kSpeakerTfc                     SPEAKER         14
    kSpeakerTfr                     SPEAKER         15
    kSpeakerTrl                     SPEAKER         16
    kSpeakerTrc                     SPEAKER         17
    kSpeakerTrr                     SPEAKER         18
    kSpeakerLfe2                    SPEAKER         19
    kVstPinIsActive                 FLAG            0
    kVstPinIsStereo                 FLAG            1
    kVstPinUseSpeaker               FLAG            2
    kVstSmpte24fps                  CONSTANT        0
    kVstSmpte25fps                  CONSTANT        1
    kVstSmpte2997fps                CONSTANT        2
    kVstSmpte30fps                  CONSTANT        3
    kVstSmpte2997dfps               CONSTANT        4
    kVstSmpte30dfps                 CONSTANT        5
    kVstSmpteFilm16mm               CONSTANT        6
    kVstSmpteFilm35mm               CONSTANT        7
    kVstSmpte239fps                 CONSTANT        10
    kVstSmpte249fps                 CONSTANT        11
    kVstSmpte599fps                 CONSTANT        12
    kVstSmpte60fps                  CONSTANT        13)

# The prefix each kind of fst entry puts before its short name.
# Empty for the macros that name no enumerator.
function(_vorlan_vst2_prefix kind out)
    set(prefixes HOST_OPCODE audioMaster EFFECT_OPCODE eff EFFECT_CATEGORY kPlugCateg
                 SPEAKER kSpeaker CONSTANT kVst FLAG kVst)
    set(prefix "")
    list(FIND prefixes ${kind} at)
    if(at GREATER -1)
        math(EXPR at "${at} + 1")
        list(GET prefixes ${at} prefix)
    endif()
    set(${out} "${prefix}" PARENT_SCOPE)
endfunction()

function(vorlan_write_vst2_headers folder)
    find_file(VORLAN_FST_HEADER pluginterfaces/fst/fst.h REQUIRED)
    file(READ "${VORLAN_FST_HEADER}" header)

    set(values ${VORLAN_VST2_VALUES})
    while(values)
        list(POP_FRONT values name kind value)
        _vorlan_vst2_prefix(${kind} prefix)
        string(REGEX REPLACE "^${prefix}" "" short ${name})
        set(unknown "FST_${kind}_UNKNOWN(${short})")
        string(FIND "${header}" "${unknown}" at)
        if(at EQUAL -1)
            message(FATAL_ERROR "${VORLAN_FST_HEADER} has no ${unknown}: check the VST2 values for this fst version")
        endif()
        string(REPLACE "${unknown}" "FST_${kind}(${short}, ${value})" header "${header}")
    endwhile()

    # fst's notes to its own authors (#warning) are no concern of the build.
    string(REGEX REPLACE "#if defined\\(__GNUC__\\) \\|\\| defined\\(__clang__\\)\n# warning [^\n]*\n#endif\n" "" header "${header}")

    # Every name still without a value must be one that JUCE's wrapper never uses.
    get_target_property(modules juce::juce_audio_plugin_client INTERFACE_JUCE_MODULE_PATH)
    set(wrapper "")
    foreach(source juce_audio_plugin_client/VST/juce_VST_Wrapper.cpp
                   juce_audio_processors/format_types/juce_VSTCommon.h
                   juce_audio_processors/format_types/juce_VSTMidiEventList.h)
        file(READ "${modules}/${source}" text)
        string(APPEND wrapper "${text}")
    endforeach()

    string(REGEX MATCHALL "FST_[A-Z_]+_UNKNOWN\\( *[A-Za-z0-9_]+" leftovers "${header}")
    foreach(entry ${leftovers})
        string(REGEX REPLACE "FST_([A-Z_]+)_UNKNOWN\\( *([A-Za-z0-9_]+)" "\\1;\\2" parts "${entry}")
        list(GET parts 0 kind)
        list(GET parts 1 short)
        _vorlan_vst2_prefix(${kind} prefix)
        if(NOT prefix)
            continue()
        endif()
        string(REGEX MATCH "Vst2::${prefix}${short}[^A-Za-z0-9_]" used "${wrapper}")
        if(used)
            message(FATAL_ERROR "JUCE's VST wrapper uses ${prefix}${short}, which fst leaves without a value")
        endif()
    endforeach()

    # Written through a copy that changes only with its content, so a new
    # configure run rebuilds nothing.
    set(forward "#pragma once\n#define FST2VST 1\n#include \"fst.h\"\n")
    foreach(name fst.h aeffect.h aeffectx.h)
        if(name STREQUAL "fst.h")
            file(WRITE "${folder}/${name}.in" "${header}")
        else()
            file(WRITE "${folder}/${name}.in" "${forward}")
        endif()
        configure_file("${folder}/${name}.in" "${folder}/pluginterfaces/vst2.x/${name}" COPYONLY)
    endforeach()
endfunction()
