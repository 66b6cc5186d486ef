# JUCE's modules compiled once into one static library; every executable links it,
# so adding an executable never recompiles the framework.
add_library(ormalix_juce STATIC)

target_link_libraries(ormalix_juce
  PRIVATE
    juce::juce_core juce::juce_events juce::juce_data_structures
    juce::juce_graphics juce::juce_gui_basics juce::juce_gui_extra
    juce::juce_audio_basics juce::juce_audio_devices juce::juce_audio_formats
    juce::juce_audio_processors juce::juce_audio_utils juce::juce_opengl
  PUBLIC
    juce::juce_recommended_config_flags
    juce::juce_recommended_warning_flags)

target_compile_definitions(ormalix_juce
  PUBLIC
    JUCE_STANDALONE_APPLICATION=1
    JUCE_USE_FLAC=0
    JUCE_USE_OGGVORBIS=0
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0
    JUCE_MODAL_LOOPS_PERMITTED=0
    JUCE_STRICT_REFCOUNTEDPOINTER=1
  INTERFACE
    $<TARGET_PROPERTY:ormalix_juce,COMPILE_DEFINITIONS>)

# Debian's JUCE decodes images with the system's libpng and libjpeg; JUCE adds them only to
# targets made by its own juce_add_* functions.
if(TARGET juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
  target_link_libraries(ormalix_juce PUBLIC juce::pkgconfig_JUCE_IMG_LINUX_DEPS)
endif()

target_include_directories(ormalix_juce
  INTERFACE $<TARGET_PROPERTY:ormalix_juce,INCLUDE_DIRECTORIES>)

# The framework's own sources are not ours to fix; keep their warnings out of our build log.
target_compile_options(ormalix_juce PRIVATE -w)

set_target_properties(ormalix_juce PROPERTIES
  POSITION_INDEPENDENT_CODE TRUE
  VISIBILITY_INLINES_HIDDEN TRUE
  C_VISIBILITY_PRESET hidden
  CXX_VISIBILITY_PRESET hidden)
