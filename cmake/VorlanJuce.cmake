# JUCE's modules are compiled once, into vorlan_juce, which the engine, the
# plug-in, the tests and the benchmarks all link.
add_library(vorlan_juce STATIC)

target_link_libraries(vorlan_juce
    PRIVATE
        juce::juce_core
        juce::juce_events
        juce::juce_data_structures
        juce::juce_graphics
        juce::juce_gui_basics
        juce::juce_gui_extra
        juce::juce_audio_basics
        juce::juce_audio_processors
    PUBLIC
        juce::juce_recommended_config_flags)

# The plug-in target sets JUCE_STANDALONE_APPLICATION itself; the modules are
# compiled as for a plug-in.
target_compile_definitions(vorlan_juce PRIVATE JUCE_STANDALONE_APPLICATION=0)

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
target_compile_definitions(vorlan_juce PUBLIC ${VORLAN_JUCE_SETTINGS})

# Consumers see the module headers and settings, not the module sources.
target_include_directories(vorlan_juce INTERFACE
    $<TARGET_PROPERTY:vorlan_juce,INCLUDE_DIRECTORIES>)

# Debian's JUCE decodes images with the system's libpng and libjpeg, which
# everything that links the compiled modules needs after them.
if(TARGET juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
    target_link_libraries(vorlan_juce INTERFACE juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
endif()
