// The libheif functions ifheif calls, reached through one table. In the plug-in the table is
// bound at run time to the libheif.dll beside the plug-in or in the program's folder
// (heif_library_windows.cpp), so a user can replace that LGPL library; natively (the
// fuzz target) it is bound to the linked library (heif_library_linked.cpp).
#pragma once

#include <libheif/heif.h>

#define TESSAVEL_HEIF_FUNCTIONS(X)                                                                 \
    X(heif_context_alloc)                                                                          \
    X(heif_context_free)                                                                           \
    X(heif_context_read_from_memory_without_copy)                                                  \
    X(heif_context_get_primary_image_handle)                                                       \
    X(heif_image_handle_release)                                                                   \
    X(heif_image_handle_get_width)                                                                 \
    X(heif_image_handle_get_height)                                                                \
    X(heif_image_handle_has_alpha_channel)                                                         \
    X(heif_image_handle_is_premultiplied_alpha)                                                    \
    X(heif_image_handle_get_raw_color_profile_size)                                                \
    X(heif_image_handle_get_raw_color_profile)                                                     \
    X(heif_image_handle_get_list_of_metadata_block_IDs)                                            \
    X(heif_image_handle_get_metadata_size)                                                         \
    X(heif_image_handle_get_metadata)                                                              \
    X(heif_decoding_options_alloc)                                                                 \
    X(heif_decoding_options_free)                                                                  \
    X(heif_decode_image)                                                                           \
    X(heif_image_release)                                                                          \
    X(heif_image_get_width)                                                                        \
    X(heif_image_get_height)                                                                       \
    X(heif_image_get_plane_readonly)

// Writing AVIF: a table of its own, so that a libheif.dll without them still reads.
#define TESSAVEL_HEIF_ENCODING_FUNCTIONS(X)                                                        \
    X(heif_context_alloc)                                                                          \
    X(heif_context_free)                                                                           \
    X(heif_context_get_encoder_for_format)                                                         \
    X(heif_encoder_release)                                                                        \
    X(heif_encoder_set_lossy_quality)                                                              \
    X(heif_encoder_set_lossless)                                                                   \
    X(heif_encoder_set_parameter_string)                                                           \
    X(heif_encoder_set_parameter_integer)                                                          \
    X(heif_image_create)                                                                           \
    X(heif_image_add_plane)                                                                        \
    X(heif_image_get_plane)                                                                        \
    X(heif_image_release)                                                                          \
    X(heif_image_set_raw_color_profile)                                                            \
    X(heif_image_set_nclx_color_profile)                                                           \
    X(heif_nclx_color_profile_alloc)                                                               \
    X(heif_nclx_color_profile_free)                                                                \
    X(heif_encoding_options_alloc)                                                                 \
    X(heif_encoding_options_free)                                                                  \
    X(heif_context_encode_image)                                                                   \
    X(heif_image_handle_release)                                                                   \
    X(heif_context_add_exif_metadata)                                                              \
    X(heif_context_write)

#define TESSAVEL_HEIF_MEMBER(name) decltype(&::name) name = nullptr;
struct HeifLibrary {
    TESSAVEL_HEIF_FUNCTIONS(TESSAVEL_HEIF_MEMBER)
};
struct HeifEncodingLibrary {
    TESSAVEL_HEIF_ENCODING_FUNCTIONS(TESSAVEL_HEIF_MEMBER)
};
#undef TESSAVEL_HEIF_MEMBER

// The bound table, or nullptr when libheif cannot be had (the DLL is missing or lacks a
// function). Safe to call from several threads at once.
const HeifLibrary* Heif();
// The same for writing: nullptr also when the libheif found cannot write.
const HeifEncodingLibrary* HeifEncoding();

// Why Heif() is null, one line naming the plug-in and the DLL it lacks; empty while bound.
const char* HeifUnavailableReason();
