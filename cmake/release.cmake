# What the shipped modules carry and what the release archive needs (tools/package.sh), from
# the one version number of project(). Included by the top CMakeLists.txt once every target
# exists, so that the modules' own folders need no edit for it.

# tessavel_version_info(target DESCRIPTION text [MANIFEST template]): the file properties
# (VERSIONINFO) of a shipped module and, for a program, its application manifest.
function(tessavel_version_info target)
  cmake_parse_arguments(ARG "" "DESCRIPTION;MANIFEST" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  if(type STREQUAL EXECUTABLE)
    set(TESSAVEL_FILE_TYPE VFT_APP)
    set(suffix ${CMAKE_EXECUTABLE_SUFFIX})
  else()
    set(TESSAVEL_FILE_TYPE VFT_DLL)
    get_target_property(suffix ${target} SUFFIX)
    if(NOT suffix)
      set(suffix ${CMAKE_SHARED_LIBRARY_SUFFIX})
    endif()
  endif()
  set(TESSAVEL_FILE_DESCRIPTION ${ARG_DESCRIPTION})
  set(TESSAVEL_INTERNAL_NAME ${output_name})
  set(TESSAVEL_ORIGINAL_FILENAME ${output_name}${suffix})
  set(dir ${CMAKE_BINARY_DIR}/release/${target})
  set(TESSAVEL_MANIFEST_RESOURCE "")
  set(depends ${CMAKE_SOURCE_DIR}/packaging/version_info.rc.in)
  if(ARG_MANIFEST)
    configure_file(${ARG_MANIFEST} ${dir}/${output_name}.manifest @ONLY)
    # 1 = CREATEPROCESS_MANIFEST_RESOURCE_ID, 24 = RT_MANIFEST: the manifest Windows reads
    # when it starts the program.
    set(TESSAVEL_MANIFEST_RESOURCE "1 24 \"${dir}/${output_name}.manifest\"")
    list(APPEND depends ${dir}/${output_name}.manifest)
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/packaging/version_info.rc.in ${dir}/version_info.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/version_info.rc)
  # windres reports no dependencies: rebuild the resource when the manifest changes.
  set_source_files_properties(${dir}/version_info.rc TARGET_DIRECTORY ${target}
    PROPERTIES OBJECT_DEPENDS "${depends}")
endfunction()

# tessavel_ship_licence(name file): a licence text of something linked into the shipped
# modules; tools/package.sh puts it into the archive's licences folder as <name>.txt.
function(tessavel_ship_licence name file)
  set_property(GLOBAL APPEND PROPERTY TESSAVEL_LICENCES "${name}=${file}")
endfunction()

# The release's facts for tools/package.sh, written once every folder has added its licences.
function(tessavel_write_release_info)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(text "version=${PROJECT_VERSION}\ntarget=win64\n")
  else()
    set(text "version=${PROJECT_VERSION}\ntarget=win32\n")
  endif()
  string(APPEND text "strip=${CMAKE_STRIP}\n")
  get_property(licences GLOBAL PROPERTY TESSAVEL_LICENCES)
  foreach(licence IN LISTS licences)
    string(APPEND text "licence=${licence}\n")
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/release-info.txt "${text}")
endfunction()

# The shipped modules' resources and the toolchain's licences, once every target exists.
function(tessavel_release_setup)
  # FILEVERSION wants four numbers; the manifest's assemblyIdentity four dotted ones.
  set(TESSAVEL_VERSION_COMMAS
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  set(TESSAVEL_VERSION_DOTS
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")

  tessavel_version_info(tesrun DESCRIPTION "Tessavel command-line converter"
    MANIFEST ${CMAKE_SOURCE_DIR}/packaging/tesrun.manifest.in)
  tessavel_version_info(tesfront DESCRIPTION "Tessavel front-end"
    MANIFEST ${CMAKE_SOURCE_DIR}/packaging/tesfront.manifest.in)
  tessavel_version_info(script DESCRIPTION "Tessavel script engine")
  tessavel_version_info(ifnetpbm DESCRIPTION "Susie plug-in for Netpbm pictures (Tessavel)")
  tessavel_version_info(iftga DESCRIPTION "Susie plug-in for TGA pictures (Tessavel)")
  tessavel_version_info(ifjpeg DESCRIPTION "Susie plug-in for JPEG pictures (Tessavel)")
  tessavel_version_info(ifpng DESCRIPTION "Susie plug-in for PNG pictures (Tessavel)")
  tessavel_version_info(ifwebp DESCRIPTION "Susie plug-in for WebP pictures (Tessavel)")
  tessavel_version_info(ifheif DESCRIPTION "Susie plug-in for HEIC and AVIF pictures (Tessavel)")
  tessavel_version_info(ifjxl DESCRIPTION "Susie plug-in for JPEG XL pictures (Tessavel)")

  # Everything linked statically into every module: the MinGW-w64 C runtime and winpthreads,
  # and GCC's libgcc and libstdc++ (GPL-3 with the GCC Runtime Library Exception, whose GPL
  # text Debian keeps apart). Debian's copyright files name each part and its licence.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(mingw_arch x86-64)
  else()
    set(mingw_arch i686)
  endif()
  tessavel_ship_licence(mingw-w64-runtime /usr/share/doc/mingw-w64-${mingw_arch}-dev/copyright)
  tessavel_ship_licence(gcc-runtime
    /usr/share/doc/gcc-mingw-w64-${mingw_arch}-posix-runtime/copyright)
  tessavel_ship_licence(GPL-3 /usr/share/common-licenses/GPL-3)
  tessavel_write_release_info()
endfunction()

if(WIN32)
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tessavel_release_setup)
endif()
