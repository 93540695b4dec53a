// Packs program tables and video access units into 188-byte transport stream
// packets, keeping one continuity counter per PID.
#pragma once

#include <cstdint>
#include <vector>

constexpr int TS_PACKET_SIZE = 188;
constexpr std::uint16_t PMT_PID = 0x1000;
constexpr std::uint16_t VIDEO_PID = 0x100;

// The MPEG-2 section CRC: polynomial 0x04C11DB7, start 0xFFFFFFFF, no reflection.
std::uint32_t MpegCrc32(const std::uint8_t* bytes, std::size_t length);

class TsWriter {
public:
    void AppendPat(std::vector<std::uint8_t>& out);
    void AppendPmt(std::vector<std::uint8_t>& out);

    // One PES packet with a PTS carrying accessUnit, spread over at least
    // minPackets packets; the first one carries the PCR. Unused room becomes
    // filler NAL data, so the video PID itself carries the stream's bit rate.
    void AppendVideoFrame(std::vector<std::uint8_t>& out, std::vector<std::uint8_t> accessUnit,
                          std::uint64_t pts, std::uint64_t pcr, bool keyFrame,
                          bool timeDiscontinuity, int minPackets);

    // How many packets AppendVideoFrame needs at least for an access unit of this size.
    static int PacketsFor(std::size_t accessUnitBytes);

private:
    void AppendSection(std::vector<std::uint8_t>& out, std::uint16_t pid, std::uint8_t& counter,
                       const std::vector<std::uint8_t>& section);

    std::uint8_t patCounter_ = 0;
    std::uint8_t pmtCounter_ = 0;
    std::uint8_t videoCounter_ = 0;
};
