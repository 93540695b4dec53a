// Watches a transport stream as it passes, without copying it: counts continuity errors per
// PID and losses of sync. Fed with whatever arrived, in any slicing: a packet split across
// two calls is put together first. One thread feeds it; nothing here locks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr std::size_t TS_PACKET_SIZE = 188;
constexpr std::uint8_t TS_SYNC_BYTE = 0x47;
constexpr std::uint16_t TS_NULL_PID = 0x1FFF;

class TsContinuity {
public:
    TsContinuity();

    void Feed(const std::uint8_t* bytes, std::size_t size);

    // Packets of one PID (null packets excluded) whose continuity counter is not the
    // expected one: the counter advances by one from packet to packet with payload; a packet
    // without payload does not advance it; one repeat of a packet is allowed (a second
    // repeat is an error); a packet whose adaptation field sets the discontinuity indicator
    // may take any value. A gap of any length counts once.
    std::uint64_t ContinuityErrors() const { return m_continuityErrors; }
    // Times a packet did not begin with the sync byte where one was due. Each loss counts
    // once: nothing more is counted until the stream is in step again, that is until three
    // sync bytes 188 bytes apart are found (the packets in between are not analysed).
    std::uint64_t SyncLosses() const { return m_syncLosses; }

private:
    // Lost sync at a packet start: rest are the bytes behind its wrong first byte.
    void LoseSync(const std::uint8_t* rest, std::size_t size);
    // Searches the bytes kept since sync was lost; true when the stream is in step again.
    bool Resync();
    void CheckPacket(const std::uint8_t* packet);
    // Whole packets from bytes; returns how many bytes it used (it stops at a lost sync).
    std::size_t TakePackets(const std::uint8_t* bytes, std::size_t size);

    // Per PID: bit 4 set once a packet with payload was seen, bits 0-3 its counter, bit 5
    // set when that packet has been repeated once already.
    std::vector<std::uint8_t> m_pidState;
    std::uint8_t m_partial[TS_PACKET_SIZE];  // the beginning of a packet split across calls
    std::size_t m_partialSize = 0;
    bool m_inSync = true;
    std::vector<std::uint8_t> m_hunted;  // bytes since sync was lost, not yet in step
    std::uint64_t m_continuityErrors = 0;
    std::uint64_t m_syncLosses = 0;
};
