#include "tools/boxsim/ts_writer.h"

#include <algorithm>

#include "tools/boxsim/h264_source.h"

namespace {

constexpr std::size_t PES_HEADER_SIZE = 14;  // start code .. 5-byte PTS
constexpr std::size_t PCR_FIELD_SIZE = 8;    // adaptation length, flags, 6 PCR bytes
constexpr std::size_t PAYLOAD_ROOM = TS_PACKET_SIZE - 4;
constexpr std::size_t MIN_FILLER_NAL = 6;

void AppendCrc(std::vector<std::uint8_t>& section)
{
    const std::uint32_t crc = MpegCrc32(section.data(), section.size());
    section.insert(section.end(), {static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
                                   static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)});
}

// table_id, section_syntax_indicator, section_length (counts the CRC), id, version 0.
std::vector<std::uint8_t> SectionHeader(std::uint8_t tableId, std::size_t bodyBytes, std::uint16_t id)
{
    const std::size_t length = 5 + bodyBytes + 4;
    return {tableId, static_cast<std::uint8_t>(0xB0 | length >> 8), static_cast<std::uint8_t>(length),
            static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id),
            0xC1,  // version 0, current_next_indicator 1
            0x00, 0x00};  // section_number, last_section_number
}

// Writes one packet; room before the payload becomes the adaptation field
// (with a PCR when pcr is given, otherwise just stuffing).
void AppendPacket(std::vector<std::uint8_t>& out, std::uint16_t pid, bool unitStart, std::uint8_t& counter,
                  const std::uint8_t* payload, std::size_t length, const std::uint64_t* pcr,
                  std::uint8_t adaptationFlags)
{
    const std::size_t adaptation = PAYLOAD_ROOM - length;
    out.push_back(0x47);
    out.push_back(static_cast<std::uint8_t>((unitStart ? 0x40 : 0x00) | pid >> 8));
    out.push_back(static_cast<std::uint8_t>(pid));
    out.push_back(static_cast<std::uint8_t>((adaptation > 0 ? 0x30 : 0x10) | counter));
    counter = static_cast<std::uint8_t>((counter + 1) & 0x0F);
    if (adaptation > 0) {
        out.push_back(static_cast<std::uint8_t>(adaptation - 1));
        if (adaptation > 1) {
            out.push_back(static_cast<std::uint8_t>(adaptationFlags | (pcr != nullptr ? 0x10 : 0x00)));
            std::size_t used = 2;
            if (pcr != nullptr) {
                const std::uint64_t base = *pcr & 0x1FFFFFFFFull;
                out.insert(out.end(), {static_cast<std::uint8_t>(base >> 25), static_cast<std::uint8_t>(base >> 17),
                                       static_cast<std::uint8_t>(base >> 9), static_cast<std::uint8_t>(base >> 1),
                                       static_cast<std::uint8_t>((base & 1) << 7 | 0x7E), 0x00});
                used += 6;
            }
            out.insert(out.end(), adaptation - used, 0xFF);
        }
    }
    out.insert(out.end(), payload, payload + length);
}

void AppendPesHeader(std::vector<std::uint8_t>& out, std::uint64_t pts)
{
    pts &= 0x1FFFFFFFFull;
    out.insert(out.end(), {0x00, 0x00, 0x01, 0xE0,  // video stream 0
                           0x00, 0x00,              // length 0: unbounded, allowed for video
                           0x84,                    // data_alignment_indicator
                           0x80,                    // PTS only
                           0x05,
                           static_cast<std::uint8_t>(0x21 | (pts >> 29 & 0x0E)),
                           static_cast<std::uint8_t>(pts >> 22),
                           static_cast<std::uint8_t>((pts >> 14 & 0xFE) | 1),
                           static_cast<std::uint8_t>(pts >> 7),
                           static_cast<std::uint8_t>((pts << 1 & 0xFE) | 1)});
}

}  // namespace

std::uint32_t MpegCrc32(const std::uint8_t* bytes, std::size_t length)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= static_cast<std::uint32_t>(bytes[i]) << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
    }
    return crc;
}

void TsWriter::AppendSection(std::vector<std::uint8_t>& out, std::uint16_t pid, std::uint8_t& counter,
                             const std::vector<std::uint8_t>& section)
{
    std::vector<std::uint8_t> payload(PAYLOAD_ROOM, 0xFF);
    payload[0] = 0x00;  // pointer_field: the section starts right here
    std::copy(section.begin(), section.end(), payload.begin() + 1);
    AppendPacket(out, pid, true, counter, payload.data(), payload.size(), nullptr, 0);
}

void TsWriter::AppendPat(std::vector<std::uint8_t>& out)
{
    std::vector<std::uint8_t> section = SectionHeader(0x00, 4, 1);  // transport_stream_id 1
    section.insert(section.end(), {0x00, 0x01,  // program_number 1
                                   static_cast<std::uint8_t>(0xE0 | PMT_PID >> 8), static_cast<std::uint8_t>(PMT_PID)});
    AppendCrc(section);
    AppendSection(out, 0x0000, patCounter_, section);
}

void TsWriter::AppendPmt(std::vector<std::uint8_t>& out)
{
    std::vector<std::uint8_t> section = SectionHeader(0x02, 4 + 5, 1);  // program_number 1
    section.insert(section.end(), {static_cast<std::uint8_t>(0xE0 | VIDEO_PID >> 8), static_cast<std::uint8_t>(VIDEO_PID),
                                   0xF0, 0x00,  // program_info_length 0
                                   0x1B,        // stream_type: H.264
                                   static_cast<std::uint8_t>(0xE0 | VIDEO_PID >> 8), static_cast<std::uint8_t>(VIDEO_PID),
                                   0xF0, 0x00});  // ES_info_length 0
    AppendCrc(section);
    AppendSection(out, PMT_PID, pmtCounter_, section);
}

int TsWriter::PacketsFor(std::size_t accessUnitBytes)
{
    const std::size_t pes = PES_HEADER_SIZE + accessUnitBytes;
    const std::size_t firstRoom = PAYLOAD_ROOM - PCR_FIELD_SIZE;
    if (pes <= firstRoom) return 1;
    return 1 + static_cast<int>((pes - firstRoom + PAYLOAD_ROOM - 1) / PAYLOAD_ROOM);
}

void TsWriter::AppendVideoFrame(std::vector<std::uint8_t>& out, std::vector<std::uint8_t> accessUnit,
                                std::uint64_t pts, std::uint64_t pcr, bool keyFrame, bool timeDiscontinuity,
                                int minPackets)
{
    const int packets = std::max(minPackets, PacketsFor(accessUnit.size()));
    const std::size_t room = packets * PAYLOAD_ROOM - PCR_FIELD_SIZE;
    const std::size_t spare = room - PES_HEADER_SIZE - accessUnit.size();
    if (spare >= MIN_FILLER_NAL) {
        AppendFillerNal(accessUnit, spare);
    }

    std::vector<std::uint8_t> pes;
    pes.reserve(PES_HEADER_SIZE + accessUnit.size());
    AppendPesHeader(pes, pts);
    pes.insert(pes.end(), accessUnit.begin(), accessUnit.end());

    const std::uint8_t flags = static_cast<std::uint8_t>((timeDiscontinuity ? 0x80 : 0) | (keyFrame ? 0x40 : 0));
    std::size_t offset = 0;
    for (int i = 0; i < packets; ++i) {
        const std::size_t limit = i == 0 ? PAYLOAD_ROOM - PCR_FIELD_SIZE : PAYLOAD_ROOM;
        const std::size_t length = std::min(limit, pes.size() - offset);
        AppendPacket(out, VIDEO_PID, i == 0, videoCounter_, pes.data() + offset, length,
                     i == 0 ? &pcr : nullptr, i == 0 ? flags : 0);
        offset += length;
    }
}
