# Third-party libraries of the Windows builds, built from Debian's source packages by
# tools/thirdparty/build.sh into a cache outside the work tree. Each becomes an imported
# target; its licence texts go to bin/licences/<package>/ in the program directory.
#
# TESSAVEL_THIRDPARTY_CACHE (a CMake variable, else the environment variable): the cache
# folder; when unset, both folders build.sh may choose are searched,
# /var/cache/tessavel-thirdparty first, then ~/.cache/tessavel-thirdparty.

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TESSAVEL_MINGW_TARGET x86_64-w64-mingw32)
else()
  set(TESSAVEL_MINGW_TARGET i686-w64-mingw32)
endif()

# Not a cache entry of its own: the environment is read at every configure.
if(NOT TESSAVEL_THIRDPARTY_CACHE)
  set(TESSAVEL_THIRDPARTY_CACHE "$ENV{TESSAVEL_THIRDPARTY_CACHE}")
endif()
if(TESSAVEL_THIRDPARTY_CACHE)
  set(thirdparty_folders ${TESSAVEL_THIRDPARTY_CACHE})
else()
  set(thirdparty_folders /var/cache/tessavel-thirdparty $ENV{HOME}/.cache/tessavel-thirdparty)
endif()

add_custom_target(thirdparty_licences ALL)

# tessavel_thirdparty_dir(package out [REVISION n]): the newest finished build of package
# for this target; empty on a Windows host without one (the MinGW shell's own packages
# serve there); otherwise a configure error that says how to make one. REVISION: the
# recipe's `revision` the build must come from (an older one lacks what this tree uses).
function(tessavel_thirdparty_dir package out)
  cmake_parse_arguments(ARG "" "REVISION" "" ${ARGN})
  foreach(folder IN LISTS thirdparty_folders)
    file(GLOB stamps LIST_DIRECTORIES false
      ${folder}/${package}-*-${TESSAVEL_MINGW_TARGET}/.tessavel-built)
    if(stamps)
      break()
    endif()
  endforeach()
  if(NOT stamps AND CMAKE_HOST_WIN32)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  if(NOT stamps)
    list(JOIN thirdparty_folders " or " searched)
    message(FATAL_ERROR "No build of ${package} for ${TESSAVEL_MINGW_TARGET} in "
      "${searched}: run tools/thirdparty/build-all.sh (with TESSAVEL_THIRDPARTY_CACHE set "
      "to the same folder for both, if you use another).")
  endif()
  list(SORT stamps COMPARE NATURAL ORDER DESCENDING)
  list(GET stamps 0 stamp)
  cmake_path(GET stamp PARENT_PATH dir)
  if(ARG_REVISION)
    file(STRINGS ${stamp} built LIMIT_COUNT 1)
    if(NOT built MATCHES " revision ${ARG_REVISION}$")
      message(FATAL_ERROR "The build of ${package} in ${dir} comes from an older recipe: "
        "run tools/thirdparty/build-all.sh to build it again.")
    endif()
  endif()
  message(STATUS "${package}: ${dir}")
  set(${out} ${dir} PARENT_SCOPE)
  add_custom_command(TARGET thirdparty_licences POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${dir}/licences ${TESSAVEL_BIN_DIR}/licences)
  # The release archives carry the same texts (tools/package.sh), as <library>-<file>.txt: a
  # build may carry the texts of libraries linked into it (libheif: libde265's, dav1d's).
  file(GLOB texts ${dir}/licences/*/*)
  foreach(text IN LISTS texts)
    cmake_path(GET text STEM stem)
    cmake_path(GET text PARENT_PATH folder)
    cmake_path(GET folder FILENAME library)
    tessavel_ship_licence(${library}-${stem} ${text})
  endforeach()
endfunction()

# tessavel_static_thirdparty(name package archive header): ThirdParty::<name> over the
# static library lib/<archive> of the cached build of package; on a Windows host without
# one, over MSYS2's mingw-w64-<arch>-<package> (the archive and header found by name, its
# licence texts copied from share/licenses/<package>).
function(tessavel_static_thirdparty name package archive header)
  tessavel_thirdparty_dir(${package} dir)
  add_library(ThirdParty::${name} STATIC IMPORTED GLOBAL)
  if(dir)
    set_target_properties(ThirdParty::${name} PROPERTIES
      IMPORTED_LOCATION ${dir}/lib/${archive}
      INTERFACE_INCLUDE_DIRECTORIES ${dir}/include)
    return()
  endif()
  find_library(TESSAVEL_${name}_STATIC NAMES ${archive} REQUIRED)
  find_path(TESSAVEL_${name}_INCLUDE ${header} REQUIRED)
  set_target_properties(ThirdParty::${name} PROPERTIES
    IMPORTED_LOCATION ${TESSAVEL_${name}_STATIC}
    INTERFACE_INCLUDE_DIRECTORIES ${TESSAVEL_${name}_INCLUDE})
  cmake_path(GET TESSAVEL_${name}_INCLUDE PARENT_PATH prefix)
  if(IS_DIRECTORY ${prefix}/share/licenses/${package})
    add_custom_command(TARGET thirdparty_licences POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${prefix}/share/licenses/${package}
        ${TESSAVEL_BIN_DIR}/licences/${package})
  endif()
endfunction()

tessavel_static_thirdparty(jpeg libjpeg-turbo libjpeg.a jpeglib.h)

tessavel_thirdparty_dir(libwebp webp_dir REVISION 2)
add_library(ThirdParty::webp INTERFACE IMPORTED GLOBAL)
if(webp_dir)
  # libwebpmux and libwebpdemux need libwebp after them; libwebp needs libsharpyuv when the
  # build has one.
  file(GLOB webp_libraries ${webp_dir}/lib/libwebpmux.a ${webp_dir}/lib/libwebpdemux.a
    ${webp_dir}/lib/libwebp.a ${webp_dir}/lib/libsharpyuv.a)
  list(SORT webp_libraries COMPARE STRING ORDER DESCENDING) # mux, demux, webp, sharpyuv
  set_target_properties(ThirdParty::webp PROPERTIES
    INTERFACE_LINK_LIBRARIES "${webp_libraries}"
    INTERFACE_INCLUDE_DIRECTORIES ${webp_dir}/include)
else()
  # Building on Windows: MSYS2's mingw-w64-<arch>-libwebp, its static libraries.
  find_library(TESSAVEL_WEBPMUX_STATIC NAMES libwebpmux.a REQUIRED)
  find_library(TESSAVEL_WEBPDEMUX_STATIC NAMES libwebpdemux.a REQUIRED)
  find_library(TESSAVEL_WEBP_STATIC NAMES libwebp.a REQUIRED)
  find_path(TESSAVEL_WEBP_INCLUDE webp/decode.h REQUIRED)
  set_target_properties(ThirdParty::webp PROPERTIES
    INTERFACE_LINK_LIBRARIES "${TESSAVEL_WEBPMUX_STATIC};${TESSAVEL_WEBPDEMUX_STATIC};${TESSAVEL_WEBP_STATIC}"
    INTERFACE_INCLUDE_DIRECTORIES ${TESSAVEL_WEBP_INCLUDE})
endif()

tessavel_thirdparty_dir(libheif heif_dir REVISION 4)
add_library(ThirdParty::heif INTERFACE IMPORTED GLOBAL)
if(heif_dir)
  # Headers only: ifheif binds libheif.dll at run time, from its own folder. The two LGPL
  # DLLs go beside the plug-ins, where a user can replace them.
  set_target_properties(ThirdParty::heif PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${heif_dir}/include)
  set(heif_dlls ${heif_dir}/bin/libheif.dll ${heif_dir}/bin/libde265.dll)
else()
  # Building on Windows: MSYS2's mingw-w64-<arch>-libheif and its libde265.
  find_path(TESSAVEL_HEIF_INCLUDE libheif/heif.h REQUIRED)
  find_program(TESSAVEL_HEIF_DLL NAMES libheif.dll REQUIRED)
  find_program(TESSAVEL_DE265_DLL NAMES libde265-0.dll libde265.dll REQUIRED)
  set_target_properties(ThirdParty::heif PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${TESSAVEL_HEIF_INCLUDE})
  set(heif_dlls ${TESSAVEL_HEIF_DLL} ${TESSAVEL_DE265_DLL})
endif()
add_custom_target(thirdparty_heif_dlls ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TESSAVEL_BIN_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${heif_dlls} ${TESSAVEL_BIN_DIR}
  VERBATIM)

tessavel_thirdparty_dir(jpeg-xl jxl_dir REVISION 2)
add_library(ThirdParty::jxl INTERFACE IMPORTED GLOBAL)
if(jxl_dir)
  # libjxl (encoder and decoder), then what it needs: highway, brotli, and Little CMS
  # (ThirdParty::lcms2, below) for the encoder's colours.
  set_target_properties(ThirdParty::jxl PROPERTIES
    INTERFACE_LINK_LIBRARIES "${jxl_dir}/lib/libjxl.a;${jxl_dir}/lib/libhwy.a;${jxl_dir}/lib/libbrotlienc.a;${jxl_dir}/lib/libbrotlidec.a;${jxl_dir}/lib/libbrotlicommon.a;ThirdParty::lcms2"
    INTERFACE_INCLUDE_DIRECTORIES ${jxl_dir}/include
    INTERFACE_COMPILE_DEFINITIONS JXL_STATIC_DEFINE)
else()
  # Building on Windows: MSYS2's mingw-w64-<arch>-libjxl, its static libraries.
  find_library(TESSAVEL_JXL_STATIC NAMES libjxl.a REQUIRED)
  find_library(TESSAVEL_HWY_STATIC NAMES libhwy.a REQUIRED)
  find_library(TESSAVEL_BROTLIENC_STATIC NAMES libbrotlienc.a REQUIRED)
  find_library(TESSAVEL_BROTLIDEC_STATIC NAMES libbrotlidec.a REQUIRED)
  find_library(TESSAVEL_BROTLICOMMON_STATIC NAMES libbrotlicommon.a REQUIRED)
  find_path(TESSAVEL_JXL_INCLUDE jxl/decode.h REQUIRED)
  set_target_properties(ThirdParty::jxl PROPERTIES
    INTERFACE_LINK_LIBRARIES "${TESSAVEL_JXL_STATIC};${TESSAVEL_HWY_STATIC};${TESSAVEL_BROTLIENC_STATIC};${TESSAVEL_BROTLIDEC_STATIC};${TESSAVEL_BROTLICOMMON_STATIC};ThirdParty::lcms2"
    INTERFACE_INCLUDE_DIRECTORIES ${TESSAVEL_JXL_INCLUDE}
    INTERFACE_COMPILE_DEFINITIONS JXL_STATIC_DEFINE)
endif()

tessavel_static_thirdparty(lcms2 lcms2 liblcms2.a lcms2.h)
tessavel_static_thirdparty(zlib zlib libz.a zlib.h)
tessavel_static_thirdparty(spng libspng libspng.a spng.h)
set_target_properties(ThirdParty::spng PROPERTIES
  INTERFACE_LINK_LIBRARIES ThirdParty::zlib INTERFACE_COMPILE_DEFINITIONS SPNG_STATIC)
