# The installed Korvex plug-in SDK: the Korvex::core library, its headers and
# korvex_add_file_plugin(NAME [OUTPUT_DIRECTORY dir] [NO_INSTALL] SOURCES...),
# which builds a file plug-in the viewer loads from "FilePlugin" beside itself
# (lib/korvex/FilePlugin under the install prefix, the core one folder up).
get_filename_component(KORVEX_SDK_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT TARGET Korvex::core)
  add_library(Korvex::core SHARED IMPORTED)
  set_target_properties(Korvex::core PROPERTIES
    IMPORTED_LOCATION "${KORVEX_SDK_PREFIX}/lib/korvex/libkorvexcore.so"
    INTERFACE_INCLUDE_DIRECTORIES "${KORVEX_SDK_PREFIX}/include/korvex"
    INTERFACE_COMPILE_FEATURES cxx_std_20)
endif()

function(korvex_add_file_plugin name)
  cmake_parse_arguments(ARG "NO_INSTALL" "OUTPUT_DIRECTORY" "" ${ARGN})
  if(NOT ARG_OUTPUT_DIRECTORY)
    set(ARG_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/FilePlugin)
  endif()
  add_library(${name} MODULE ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE Korvex::core)
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY}
    INSTALL_RPATH "$ORIGIN/..")
  if(NOT ARG_NO_INSTALL)
    install(TARGETS ${name} LIBRARY DESTINATION lib/korvex/FilePlugin)
  endif()
endfunction()
