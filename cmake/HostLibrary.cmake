# The host's libraries (common, pluginhost, imaging, scripthost, driver, frontend) are built
# twice: once for the programs, and once with the test seams compiled in
# (TESSAVEL_TEST_SEAMS: planned allocation failures, the console sink, the pause, the save
# function, GDI+ record counts) as <name>_testing, which the tests link. The release programs carry none of the seams;
# tests/release checks their symbols.
set(TESSAVEL_HOST_LIBRARIES common pluginhost imaging scripthost driver frontend)

# tessavel_host_library(name SOURCES files... LIBRARIES libs... [PRIVATE_LIBRARIES libs...])
# Each host library named in LIBRARIES is linked as its own counterpart: <lib> into
# <name>, <lib>_testing into <name>_testing.
function(tessavel_host_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;PRIVATE_LIBRARIES" ${ARGN})
  foreach(variant IN ITEMS "" _testing)
    set(libraries "")
    foreach(library IN LISTS ARG_LIBRARIES)
      if(library IN_LIST TESSAVEL_HOST_LIBRARIES)
        list(APPEND libraries ${library}${variant})
      else()
        list(APPEND libraries ${library})
      endif()
    endforeach()
    add_library(${name}${variant} STATIC ${ARG_SOURCES})
    target_include_directories(${name}${variant} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name}${variant} PUBLIC ${libraries} tessavel_options
      PRIVATE ${ARG_PRIVATE_LIBRARIES})
  endforeach()
  target_compile_definitions(${name}_testing PUBLIC TESSAVEL_TEST_SEAMS)
endfunction()
