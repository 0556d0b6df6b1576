# JUCE's modules compiled once into a static library that the app, the test executable and every
# product's installer link.
set(JUCE_DIR "/usr/lib/x86_64-linux-gnu/cmake/JUCE-7.0.5" CACHE PATH "Debian's JUCE package")
find_package(JUCE CONFIG REQUIRED)

find_library(INSTALLER_PNG_LIBRARY NAMES libpng16.a png16 png REQUIRED)
find_library(INSTALLER_JPEG_LIBRARY NAMES libjpeg.a jpeg REQUIRED)
find_library(INSTALLER_ZLIB_LIBRARY NAMES libz.a z REQUIRED)

add_library(juce_lib STATIC)
target_link_libraries(juce_lib
    PRIVATE
        juce::juce_core
        juce::juce_events
        juce::juce_data_structures
        juce::juce_graphics
        juce::juce_gui_basics
    PUBLIC
        juce::juce_recommended_config_flags
        ${INSTALLER_PNG_LIBRARY} ${INSTALLER_JPEG_LIBRARY} ${INSTALLER_ZLIB_LIBRARY})

target_include_directories(juce_lib PUBLIC "${JUCE_MODULES_DIR}")
target_compile_definitions(juce_lib PUBLIC
    JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1
    JUCE_STANDALONE_APPLICATION=1
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_MODAL_LOOPS_PERMITTED=1
    JUCE_MODULE_AVAILABLE_juce_core=1
    JUCE_MODULE_AVAILABLE_juce_events=1
    JUCE_MODULE_AVAILABLE_juce_data_structures=1
    JUCE_MODULE_AVAILABLE_juce_graphics=1
    JUCE_MODULE_AVAILABLE_juce_gui_basics=1)
# JUCE's own sources are not ours to warn about.
target_compile_options(juce_lib PRIVATE -w)

# Flags for the project's own targets.
add_library(installer_warnings INTERFACE)
target_compile_options(installer_warnings INTERFACE -Wall -Wextra)

# Every executable is linked statically: it must import nothing but Windows system DLLs, and at
# start only KnownDLLs (the others at first use, see DelayLoad.cmake). Its
# sections start on page boundaries in the file as in memory, so that a loader can map them from
# the file page by page: with the default 512-byte alignment Wine reads the whole image, payload
# included, into memory at start.
include(DelayLoad)
set(INSTALLER_STATIC_LINK_OPTIONS -static -static-libgcc -static-libstdc++ -Wl,--file-alignment,0x1000
    "-L${INSTALLER_DELAYLOAD_DIR}")
