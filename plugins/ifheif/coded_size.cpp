#include "plugins/ifheif/coded_size.h"

#include "plugins/shared/byte_reader.h"

namespace {

constexpr int kHevcSps = 33;          // NAL unit type
constexpr int kAv1SequenceHeader = 1; // OBU type

// A bit reader over a bounded buffer: reads past its end give zeros and set failed.
struct BitReader {
    const unsigned char* data;
    size_t size;
    size_t bit = 0;
    bool failed = false;
};

uint32_t Bits(BitReader& r, int count) { // count <= 32
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        if (r.bit >= r.size * 8) {
            r.failed = true;
            return 0;
        }
        value = value << 1 | (r.data[r.bit / 8] >> (7 - r.bit % 8) & 1u);
        ++r.bit;
    }
    return value;
}

void SkipBits(BitReader& r, size_t count) {
    if (count > r.size * 8 - r.bit)
        r.failed = true;
    else
        r.bit += count;
}

// ue(v); longer codes than 32 bits are taken as unreadable.
uint64_t ExpGolomb(BitReader& r) {
    int zeros = 0;
    while (Bits(r, 1) == 0 && !r.failed)
        if (++zeros > 32) {
            r.failed = true;
            return 0;
        }
    return (uint64_t{1} << zeros) - 1 + Bits(r, zeros);
}

void Widen(uint64_t width, uint64_t height, CodedSize* coded) {
    if (width > coded->width)
        coded->width = width;
    if (height > coded->height)
        coded->height = height;
}

void AddSpsSize(const unsigned char* nal, size_t size, CodedSize* coded) {
    if (size < 2 || (nal[0] >> 1 & 0x3f) != kHevcSps || (nal[0] & 1) != 0 || nal[1] >> 3 != 0)
        return; // not an SPS, or one of a layer above the base, which libde265 drops
    // The fields up to the size without emulation-prevention bytes (00 00 03): at most 121
    // bytes, with seven sub-layers' profiles.
    unsigned char rbsp[160];
    size_t length = 0;
    int zeros = 0;
    for (size_t at = 2; at < size && length < sizeof rbsp; ++at) {
        if (zeros >= 2 && nal[at] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal[at] == 0 ? zeros + 1 : 0;
        rbsp[length++] = nal[at];
    }
    BitReader r{rbsp, length};
    Bits(r, 4);                            // sps_video_parameter_set_id
    const uint32_t subLayers = Bits(r, 3); // sps_max_sub_layers_minus1
    Bits(r, 1);                            // sps_temporal_id_nesting_flag
    SkipBits(r, 96);                       // the general profile, tier and level
    if (subLayers > 0) {
        // Two flags for each sub-layer below the highest, padded to eight pairs, then the
        // profile (88 bits) and the level (8 bits) of each that has them.
        const uint32_t present = Bits(r, 16);
        for (uint32_t i = 0; i < subLayers; ++i)
            SkipBits(r, (present >> (15 - 2 * i) & 1) * 88 + (present >> (14 - 2 * i) & 1) * 8);
    }
    ExpGolomb(r);                         // sps_seq_parameter_set_id
    if (ExpGolomb(r) == 3)                // chroma_format_idc: 4:4:4
        Bits(r, 1);                       // separate_colour_plane_flag
    const uint64_t width = ExpGolomb(r);  // pic_width_in_luma_samples
    const uint64_t height = ExpGolomb(r); // pic_height_in_luma_samples
    if (r.failed || subLayers > 6)
        coded->unreadable = true;
    else
        Widen(width, height, coded);
}

void AddSequenceHeaderSize(const unsigned char* obu, size_t size, CodedSize* coded) {
    BitReader r{obu, size};
    Bits(r, 4);            // seq_profile, still_picture
    if (Bits(r, 1) != 0) { // reduced_still_picture_header
        Bits(r, 5);        // seq_level_idx
    } else {
        bool decoderModel = false;
        size_t delayBits = 0;
        if (Bits(r, 1) != 0) {     // timing_info_present_flag
            SkipBits(r, 64);       // num_units_in_display_tick, time_scale
            if (Bits(r, 1) != 0) { // equal_picture_interval: num_ticks_per_picture_minus_1,
                int zeros = 0;     // uvlc(); dav1d ends a code of 32 zeros otherwise
                while (Bits(r, 1) == 0 && !r.failed)
                    if (++zeros > 31)
                        r.failed = true;
                SkipBits(r, zeros);
            }
            decoderModel = Bits(r, 1) != 0; // decoder_model_info_present_flag
            if (decoderModel) {
                delayBits = Bits(r, 5) + 1; // buffer_delay_length_minus_1
                SkipBits(r, 42);            // num_units_in_decoding_tick and two more lengths
            }
        }
        const bool displayDelay = Bits(r, 1) != 0; // initial_display_delay_present_flag
        const uint32_t points = Bits(r, 5) + 1;    // operating_points_cnt_minus_1
        for (uint32_t i = 0; i < points && !r.failed; ++i) {
            SkipBits(r, 12);    // operating_point_idc
            if (Bits(r, 5) > 7) // seq_level_idx
                Bits(r, 1);     // seq_tier
            if (decoderModel && Bits(r, 1) != 0)
                SkipBits(r, 2 * delayBits + 1); // the buffer delays, low_delay_mode_flag
            if (displayDelay && Bits(r, 1) != 0)
                SkipBits(r, 4); // initial_display_delay_minus_1
        }
    }
    const int widthBits = static_cast<int>(Bits(r, 4)) + 1;
    const int heightBits = static_cast<int>(Bits(r, 4)) + 1;
    const uint64_t width = Bits(r, widthBits) + uint64_t{1}; // max_frame_width_minus_1
    const uint64_t height = Bits(r, heightBits) + uint64_t{1};
    if (r.failed)
        coded->unreadable = true;
    else
        Widen(width, height, coded);
}

} // namespace

void AddHevcConfigSizes(const unsigned char* hvcc, size_t size, CodedSize* coded) {
    // 22 bytes of profile and stream fields, then arrays of NAL units, each unit after its
    // length in 2 bytes. libde265 goes by each unit's own header, not by its array's type.
    ByteReader r{hvcc, size};
    Skip(r, 22);
    const int arrays = Get8(r);
    for (int i = 0; i < arrays && !r.failed; ++i) {
        Get8(r); // array_completeness, NAL_unit_type
        const int units = Get16BE(r);
        for (int u = 0; u < units && !r.failed; ++u) {
            const size_t length = Get16BE(r);
            if (r.failed || length > Remaining(r))
                return; // libheif reads no further either
            AddSpsSize(r.data + r.position, length, coded);
            Skip(r, length);
        }
    }
}

void AddHevcStreamSizes(const unsigned char* data, size_t size, CodedSize* coded) {
    ByteReader r{data, size};
    while (Remaining(r) >= 4) {
        const size_t high = Get16BE(r);
        const size_t length = high << 16 | Get16BE(r);
        if (length > Remaining(r))
            return; // libheif refuses the data here
        AddSpsSize(r.data + r.position, length, coded);
        Skip(r, length);
    }
}

void AddAv1ConfigSizes(const unsigned char* av1c, size_t size, CodedSize* coded) {
    if (size > 4) // the marker, version, profile, level and flags, then configOBUs
        AddAv1StreamSizes(av1c + 4, size - 4, coded);
}

void AddAv1StreamSizes(const unsigned char* data, size_t size, CodedSize* coded) {
    ByteReader r{data, size};
    while (Remaining(r) > 0) {
        const uint8_t header = Get8(r);
        if ((header & 4) != 0) // obu_extension_flag: the temporal and spatial ids
            Get8(r);
        uint64_t length = Remaining(r); // without obu_has_size_field, the rest
        if ((header & 2) != 0) {
            length = 0;
            for (int i = 0; i < 8; ++i) { // leb128
                const uint8_t byte = Get8(r);
                length |= uint64_t{byte & 0x7fu} << (7 * i);
                if ((byte & 0x80) == 0)
                    break;
            }
        }
        if (r.failed || length > Remaining(r))
            return; // dav1d refuses the data here
        if ((header >> 3 & 15) == kAv1SequenceHeader)
            AddSequenceHeaderSize(r.data + r.position, static_cast<size_t>(length), coded);
        Skip(r, static_cast<size_t>(length));
    }
}
