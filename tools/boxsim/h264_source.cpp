#include "tools/boxsim/h264_source.h"

#include "tools/boxsim/bit_writer.h"

namespace {

constexpr int WIDTH_MBS = VIDEO_WIDTH / 16;
constexpr int HEIGHT_MBS = VIDEO_HEIGHT / 16;
constexpr int LOG2_MAX_FRAME_NUM = 5;  // frame_num counts 0..31 within a group

enum NalType : std::uint8_t {
    NAL_SLICE = 1,
    NAL_IDR_SLICE = 5,
    NAL_SPS = 7,
    NAL_PPS = 8,
    NAL_AUD = 9,
    NAL_FILLER = 12,
};

// Start code, header byte, then the payload with emulation prevention bytes,
// so that no 00 00 0x (x <= 3) run inside the payload looks like a start code.
void AppendNal(std::vector<std::uint8_t>& out, std::uint8_t refIdc, NalType type,
               const std::vector<std::uint8_t>& rbsp)
{
    out.insert(out.end(), {0x00, 0x00, 0x00, 0x01, static_cast<std::uint8_t>(refIdc << 5 | type)});
    int zeros = 0;
    for (std::uint8_t byte : rbsp) {
        if (zeros >= 2 && byte <= 3) {
            out.push_back(0x03);
            zeros = 0;
        }
        out.push_back(byte);
        zeros = byte == 0 ? zeros + 1 : 0;
    }
}

std::vector<std::uint8_t> SequenceParameterSet()
{
    BitWriter w;
    w.Bits(66, 8);    // profile_idc: baseline
    w.Bits(0xC0, 8);  // constraint_set0 and set1
    w.Bits(30, 8);    // level 3.0
    w.Ue(0);          // seq_parameter_set_id
    w.Ue(LOG2_MAX_FRAME_NUM - 4);
    w.Ue(2);          // pic_order_cnt_type 2: order follows frame_num, no B pictures
    w.Ue(1);          // max_num_ref_frames
    w.Bit(0);         // gaps_in_frame_num_value_allowed_flag
    w.Ue(WIDTH_MBS - 1);
    w.Ue(HEIGHT_MBS - 1);
    w.Bit(1);  // frame_mbs_only_flag
    w.Bit(1);  // direct_8x8_inference_flag
    w.Bit(0);  // frame_cropping_flag
    w.Bit(0);  // vui_parameters_present_flag
    return w.Finish();
}

std::vector<std::uint8_t> PictureParameterSet()
{
    BitWriter w;
    w.Ue(0);     // pic_parameter_set_id
    w.Ue(0);     // seq_parameter_set_id
    w.Bit(0);    // entropy_coding_mode_flag: CAVLC
    w.Bit(0);    // bottom_field_pic_order_in_frame_present_flag
    w.Ue(0);     // num_slice_groups_minus1
    w.Ue(0);     // num_ref_idx_l0_default_active_minus1
    w.Ue(0);     // num_ref_idx_l1_default_active_minus1
    w.Bit(0);    // weighted_pred_flag
    w.Bits(0, 2);  // weighted_bipred_idc
    w.Se(0);     // pic_init_qp_minus26
    w.Se(0);     // pic_init_qs_minus26
    w.Se(0);     // chroma_qp_index_offset
    w.Bit(0);    // deblocking_filter_control_present_flag
    w.Bit(0);    // constrained_intra_pred_flag
    w.Bit(0);    // redundant_pic_cnt_present_flag
    return w.Finish();
}

// Every macroblock is I_PCM: raw samples, no transform or entropy coding needed.
std::vector<std::uint8_t> IdrSlice(std::uint32_t idrPicId, std::uint8_t shade)
{
    BitWriter w;
    w.Ue(0);  // first_mb_in_slice
    w.Ue(7);  // slice_type: I, and so are all slices of the picture
    w.Ue(0);  // pic_parameter_set_id
    w.Bits(0, LOG2_MAX_FRAME_NUM);  // frame_num
    w.Ue(idrPicId);
    w.Bit(0);  // no_output_of_prior_pics_flag
    w.Bit(0);  // long_term_reference_flag
    w.Se(0);   // slice_qp_delta
    // Zero samples were forbidden in early editions of the standard; keep clear of them.
    const std::uint8_t luma = shade == 0 ? 1 : shade;
    for (int mb = 0; mb < WIDTH_MBS * HEIGHT_MBS; ++mb) {
        w.Ue(25);  // mb_type I_PCM
        w.ZeroUntilAligned();
        for (int i = 0; i < 256; ++i) w.Bits(luma, 8);
        for (int i = 0; i < 128; ++i) w.Bits(128, 8);
    }
    return w.Finish();
}

// A P picture that repeats its reference: one run skips every macroblock.
std::vector<std::uint8_t> SkippedSlice(std::uint32_t frameNum)
{
    BitWriter w;
    w.Ue(0);  // first_mb_in_slice
    w.Ue(5);  // slice_type: P, and so are all slices of the picture
    w.Ue(0);  // pic_parameter_set_id
    w.Bits(frameNum, LOG2_MAX_FRAME_NUM);
    w.Bit(0);  // num_ref_idx_active_override_flag
    w.Bit(0);  // ref_pic_list_modification_flag_l0
    w.Bit(0);  // adaptive_ref_pic_marking_mode_flag
    w.Se(0);   // slice_qp_delta
    w.Ue(WIDTH_MBS * HEIGHT_MBS);  // mb_skip_run
    return w.Finish();
}

std::vector<std::uint8_t> AccessUnitDelimiter(bool intraOnly)
{
    BitWriter w;
    w.Bits(intraOnly ? 0 : 1, 3);  // primary_pic_type: I, or I and P
    return w.Finish();
}

}  // namespace

bool IsKeyFrame(std::uint64_t frameIndex)
{
    return frameIndex % FRAMES_PER_GOP == 0;
}

std::vector<std::uint8_t> MakeAccessUnit(std::uint64_t frameIndex, std::uint8_t shade)
{
    std::vector<std::uint8_t> out;
    const bool key = IsKeyFrame(frameIndex);
    AppendNal(out, 0, NAL_AUD, AccessUnitDelimiter(key));
    if (key) {
        // Parameter sets before every key frame, so a client may start at any group.
        AppendNal(out, 3, NAL_SPS, SequenceParameterSet());
        AppendNal(out, 3, NAL_PPS, PictureParameterSet());
        // Neighbouring IDR pictures must differ in idr_pic_id.
        const auto idrPicId = static_cast<std::uint32_t>((frameIndex / FRAMES_PER_GOP) & 1u);
        AppendNal(out, 3, NAL_IDR_SLICE, IdrSlice(idrPicId, shade));
    } else {
        const auto frameNum = static_cast<std::uint32_t>(frameIndex % FRAMES_PER_GOP);
        AppendNal(out, 2, NAL_SLICE, SkippedSlice(frameNum));
    }
    return out;
}

void AppendFillerNal(std::vector<std::uint8_t>& out, std::size_t totalBytes)
{
    // Start code (4), header (1), 0xFF bytes, then the trailing 0x80.
    out.insert(out.end(), {0x00, 0x00, 0x00, 0x01, NAL_FILLER});
    out.insert(out.end(), totalBytes - 6, 0xFF);
    out.push_back(0x80);
}
