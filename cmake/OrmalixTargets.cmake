# Subsystem sources are collected per folder, so a new file needs no edit here.
set(ORMALIX_SUBSYSTEMS wizard headtracker audio view archive)

set(core_sources "")
foreach(dir ${ORMALIX_SUBSYSTEMS})
  file(GLOB dir_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  list(APPEND core_sources ${dir_sources})
endforeach()

# Embedded resources: the head model and the illustrations.
file(GLOB resource_files CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/resources/*.png
  ${PROJECT_SOURCE_DIR}/resources/*.obj)
juce_add_binary_data(ormalix_resources
  HEADER_NAME BinaryData.h
  NAMESPACE BinaryData
  SOURCES ${resource_files})
set_target_properties(ormalix_resources PROPERTIES POSITION_INDEPENDENT_CODE TRUE)
# The framework's binary-data step watches the list of files, not their contents.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${resource_files})

add_library(ormalix_core STATIC ${core_sources})
target_include_directories(ormalix_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(ormalix_core PUBLIC ormalix_juce ormalix_resources Eigen3::Eigen Threads::Threads)

# Simulated devices: head tracker on a pseudo-terminal, sound card as an audio device type.
file(GLOB sim_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/sim/*.cpp)
if(sim_sources)
  add_library(ormalix_sim STATIC ${sim_sources})
  set(sim_scope PUBLIC)
else()
  add_library(ormalix_sim INTERFACE)
  set(sim_scope INTERFACE)
endif()
target_include_directories(ormalix_sim ${sim_scope} ${PROJECT_SOURCE_DIR})
target_link_libraries(ormalix_sim ${sim_scope} ormalix_core)
if(NOT APPLE)
  target_link_libraries(ormalix_sim ${sim_scope} util)   # openpty
endif()

juce_add_gui_app(OrmalixApp PRODUCT_NAME "OrmalixApp" VERSION 3.0 COMPANY_NAME "Ormalix"
  MICROPHONE_PERMISSION_ENABLED TRUE)
target_sources(OrmalixApp PRIVATE app/Main.cpp)
target_link_libraries(OrmalixApp PRIVATE ormalix_core)

if(EXISTS ${PROJECT_SOURCE_DIR}/app/DemoMain.cpp)
  juce_add_gui_app(OrmalixDemo PRODUCT_NAME "OrmalixDemo" VERSION 3.0 COMPANY_NAME "Ormalix")
  target_sources(OrmalixDemo PRIVATE app/DemoMain.cpp)
  target_link_libraries(OrmalixDemo PRIVATE ormalix_sim)
endif()

# Companion command-line tool; each subcommand lives in its own file and registers itself.
file(GLOB tool_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/ormalix-tool/*.cpp)
add_executable(ormalix-tool ${tool_sources})
target_link_libraries(ormalix-tool PRIVATE ormalix_sim)

# Generators of the embedded resources (run by hand; their output is committed).
file(GLOB generator_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/generators/*.cpp)
foreach(src ${generator_sources})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE ormalix_juce Eigen3::Eigen)
endforeach()

if(ORMALIX_BUILD_TESTS)
  enable_testing()
  add_subdirectory(tests)
endif()

if(ORMALIX_BUILD_BENCH)
  add_subdirectory(bench)
endif()
