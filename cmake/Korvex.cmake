# Helpers shared by every subsystem folder.

# korvex_object_library(NAME) — the sources of one folder of the core, compiled
# once and linked into the shared core library. Every *.cpp of the folder
# belongs to it.
function(korvex_object_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} OBJECT ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# korvex_test_suite(NAME LABEL [LIBS ...] [ENVIRONMENT VAR=VALUE ...]) — one
# test program per subsystem, made of every *.cpp in the calling folder, its
# cases discovered by CTest and labelled so that `ctest -L LABEL` runs one
# group. ENVIRONMENT is set for every case of the program.
function(korvex_test_suite name label)
  cmake_parse_arguments(ARG "" "" "LIBS;ENVIRONMENT" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  if(ARG_ENVIRONMENT)
    gtest_discover_tests(${name}
      DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS ${label} ENVIRONMENT "${ARG_ENVIRONMENT}")
  else()
    gtest_discover_tests(${name}
      DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS ${label})
  endif()
endfunction()

# korvex_add_file_plugin(NAME [OUTPUT_DIRECTORY dir] [NO_INSTALL] SOURCES...) —
# a file plug-in built against the SDK (plugins/sdk/KorvexPlugin.h). It lands
# in "FilePlugin" beside the programs of the build tree (bin/FilePlugin), where
# the viewer and korvex-cli find it, and is installed into "FilePlugin" beside
# the installed programs (lib/korvex/FilePlugin), finding the core library one
# folder up. OUTPUT_DIRECTORY and NO_INSTALL keep a plug-in (an
# example) out of both.
function(korvex_add_file_plugin name)
  cmake_parse_arguments(ARG "NO_INSTALL" "OUTPUT_DIRECTORY" "" ${ARGN})
  if(NOT ARG_OUTPUT_DIRECTORY)
    set(ARG_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/FilePlugin)
  endif()
  add_library(${name} MODULE ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE korvex_core)
  # Only the entry points leave the library; everything else stays private,
  # so two plug-ins can never bind to each other's helpers.
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY}
    INSTALL_RPATH "$ORIGIN/..")
  if(NOT ARG_NO_INSTALL)
    install(TARGETS ${name} LIBRARY DESTINATION lib/korvex/FilePlugin)
    # The plug-ins that ship with the viewer: scripts/run builds these and
    # the programs, nothing else.
    set_property(GLOBAL APPEND PROPERTY KORVEX_SHIPPED_PLUGINS ${name})
  endif()
endfunction()
