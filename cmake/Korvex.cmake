# Helpers shared by every subsystem folder.

# korvex_object_library(NAME) — the sources of one folder of the core, compiled
# once and linked into the shared core library. Every *.cpp of the folder
# belongs to it.
function(korvex_object_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} OBJECT ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# korvex_test_suite(NAME LABEL [LIBS ...]) — one test program per subsystem,
# made of every *.cpp in the calling folder, its cases discovered by CTest and
# labelled so that `ctest -L LABEL` runs one group.
function(korvex_test_suite name label)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${label})
endfunction()
