# Compiler settings shared by every target of ours.

add_library(tessavel_options INTERFACE)
target_compile_options(tessavel_options INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wshadow -Wconversion -Wno-sign-conversion
  $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Wold-style-cast>)

if(WIN32)
  # ANSI entry points on purpose: paths and texts are narrow strings in the system code page.
  target_compile_definitions(tessavel_options INTERFACE
    WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # No MinGW runtime DLL: the program directory runs on a bare Windows.
  target_link_options(tessavel_options INTERFACE -static -static-libgcc -static-libstdc++)
  # Sections aligned to pages in the file too: Wine maps such a module from its file, and
  # only the pages used become memory; a module aligned to 512 bytes is read whole into
  # memory of its own (its debugging sections included), in every process.
  target_link_options(tessavel_options INTERFACE -Wl,--file-alignment=4096)
endif()

# A configure that once ran without its compiler (before the MinGW packages were installed)
# leaves the build type's flags cached empty, and everything builds unoptimised, silently.
string(TOUPPER "${CMAKE_BUILD_TYPE}" build_type)
if(build_type MATCHES "^(RELEASE|RELWITHDEBINFO|MINSIZEREL)$" AND
   NOT CMAKE_CXX_FLAGS_${build_type} MATCHES "-O")
  message(WARNING "CMAKE_CXX_FLAGS_${build_type} is \"${CMAKE_CXX_FLAGS_${build_type}}\": "
    "the build is not optimised. Delete ${CMAKE_BINARY_DIR}/CMakeCache.txt and configure again.")
endif()

option(TESSAVEL_SANITIZE "Build with AddressSanitizer and UBSan (native only)" OFF)
if(TESSAVEL_SANITIZE AND NOT WIN32)
  target_compile_options(tessavel_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(tessavel_options INTERFACE -fsanitize=address,undefined)
endif()

# Runs a target program: through Wine for the Windows builds.
if(WIN32)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run CACHE FILEPATH "" FORCE)
endif()

option(TESSAVEL_FUZZERS "Build the libFuzzer targets of tests/fuzz (native clang only)" OFF)
if(TESSAVEL_FUZZERS AND NOT WIN32)
  # Every native target records coverage for libFuzzer (only the fuzz targets link it), at
  # -O1: unoptimised code fuzzes four times slower, and the sanitizers' reports stay exact.
  target_compile_options(tessavel_options INTERFACE -fsanitize=fuzzer-no-link -O1)
endif()
