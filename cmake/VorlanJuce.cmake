# JUCE's modules are compiled once each, into two libraries:
#   vorlan_juce_audio  core, events and audio basics, all the engine needs;
#   vorlan_juce_gui    data structures, graphics, the GUI modules and audio
#                      processors, for the plug-in, the editor and their tests.
# Each module's sources are taken from its target and compiled in the library
# that owns it; the module targets then carry only their usage requirements,
# so linking one never compiles a module a second time.
set(VORLAN_JUCE_AUDIO_MODULES juce_core juce_events juce_audio_basics)
set(VORLAN_JUCE_GUI_MODULES juce_data_structures juce_graphics juce_gui_basics
                            juce_gui_extra juce_audio_processors)

set(VORLAN_JUCE_SETTINGS
        JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
        JUCE_WEB_BROWSER=0
        JUCE_USE_CURL=0
        JUCE_PLUGINHOST_VST=0
        JUCE_PLUGINHOST_VST3=0
        JUCE_PLUGINHOST_LADSPA=0
        JUCE_PLUGINHOST_LV2=0
        JUCE_MODAL_LOOPS_PERMITTED=1
        JUCE_DISPLAY_SPLASH_SCREEN=0
        JUCE_REPORT_APP_USAGE=0
        JUCE_CHECK_MEMORY_LEAKS=0
        JUCE_USE_XRANDR=0
        JUCE_USE_XINERAMA=0)

function(vorlan_add_juce_library target)
    add_library(${target} STATIC)

    foreach(module IN LISTS ARGN)
        get_target_property(sources ${module} INTERFACE_SOURCES)
        if(sources)
            target_sources(${target} PRIVATE ${sources})
        endif()
        set_property(TARGET ${module} PROPERTY INTERFACE_SOURCES "")
        target_link_libraries(${target} PRIVATE juce::${module})
    endforeach()

    target_link_libraries(${target} PUBLIC juce::juce_recommended_config_flags)

    # The plug-in target sets JUCE_STANDALONE_APPLICATION itself; the modules
    # are compiled as for a plug-in.
    target_compile_definitions(${target}
        PRIVATE JUCE_STANDALONE_APPLICATION=0
        PUBLIC ${VORLAN_JUCE_SETTINGS})

    # Consumers see the module headers and settings, not the module sources.
    target_include_directories(${target} INTERFACE
        $<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>)
endfunction()

vorlan_add_juce_library(vorlan_juce_audio ${VORLAN_JUCE_AUDIO_MODULES})
vorlan_add_juce_library(vorlan_juce_gui ${VORLAN_JUCE_GUI_MODULES})
target_link_libraries(vorlan_juce_gui PUBLIC vorlan_juce_audio)

# Debian's JUCE decodes images with the system's libpng and libjpeg, which
# everything that links the compiled graphics module needs after it.
if(TARGET juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
    target_link_libraries(vorlan_juce_gui INTERFACE juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
endif()
