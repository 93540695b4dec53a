#include "recording/TsContinuity.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t PID_COUNT = 8192;
constexpr std::uint8_t PID_SEEN = 0x10;
constexpr std::uint8_t PID_REPEATED = 0x20;
constexpr std::uint8_t COUNTER_MASK = 0x0F;
// Sync is found again where this many sync bytes follow each other 188 bytes apart: one
// 0x47 in a payload is common, three in step are not.
constexpr std::size_t SYNC_BYTES_IN_STEP = 3;
constexpr std::size_t RESYNC_SPAN = (SYNC_BYTES_IN_STEP - 1) * TS_PACKET_SIZE + 1;

} // namespace

TsContinuity::TsContinuity() : m_pidState(PID_COUNT, 0) {}

void TsContinuity::Feed(const std::uint8_t* bytes, std::size_t size)
{
    if (m_inSync) {
        const std::size_t used = TakePackets(bytes, size);
        if (m_inSync)
            return;
        bytes += used;
        size -= used;
    }
    m_hunted.insert(m_hunted.end(), bytes, bytes + size);
    // Each pass either runs out of bytes while out of step or finds the stream again; found,
    // the bytes kept are fed as a stream again, and may lose sync once more.
    while (!m_inSync && Resync()) {
        std::vector<std::uint8_t> found;
        found.swap(m_hunted);
        const std::size_t used = TakePackets(found.data(), found.size());
        if (!m_inSync)
            m_hunted.insert(m_hunted.end(), found.begin() + used, found.end());
    }
}

// The packet split across calls is completed first; its first byte is checked once whole.
std::size_t TsContinuity::TakePackets(const std::uint8_t* bytes, std::size_t size)
{
    std::size_t used = 0;
    if (m_partialSize > 0) {
        used = std::min(TS_PACKET_SIZE - m_partialSize, size);
        std::memcpy(m_partial + m_partialSize, bytes, used);
        m_partialSize += used;
        if (m_partialSize < TS_PACKET_SIZE)
            return used;
        m_partialSize = 0;
        if (m_partial[0] != TS_SYNC_BYTE) {
            LoseSync(m_partial + 1, TS_PACKET_SIZE - 1);
            return used;
        }
        CheckPacket(m_partial);
    }
    for (; size - used >= TS_PACKET_SIZE; used += TS_PACKET_SIZE) {
        if (bytes[used] != TS_SYNC_BYTE) {
            LoseSync(nullptr, 0);
            return used + 1;
        }
        CheckPacket(bytes + used);
    }
    m_partialSize = size - used;
    std::memcpy(m_partial, bytes + used, m_partialSize);
    return size;
}

void TsContinuity::LoseSync(const std::uint8_t* rest, std::size_t size)
{
    ++m_syncLosses;
    m_inSync = false;
    m_partialSize = 0;
    m_hunted.assign(rest, rest + size);
}

bool TsContinuity::Resync()
{
    const std::uint8_t* begin = m_hunted.data();
    const std::size_t size = m_hunted.size();
    std::size_t at = 0;
    while (size >= RESYNC_SPAN && at <= size - RESYNC_SPAN) {
        const void* candidate = std::memchr(begin + at, TS_SYNC_BYTE, size - RESYNC_SPAN + 1 - at);
        if (!candidate)
            break;
        at = (std::size_t)(static_cast<const std::uint8_t*>(candidate) - begin);
        bool inStep = true;
        for (std::size_t k = 1; k < SYNC_BYTES_IN_STEP; ++k)
            inStep = inStep && begin[at + k * TS_PACKET_SIZE] == TS_SYNC_BYTE;
        if (inStep) {
            m_hunted.erase(m_hunted.begin(), m_hunted.begin() + (std::ptrdiff_t)at);
            m_inSync = true;
            return true;
        }
        ++at;
    }
    // Only the last bytes can still begin a packet that is in step; the rest is dropped.
    if (size >= RESYNC_SPAN)
        m_hunted.erase(m_hunted.begin(), m_hunted.end() - (std::ptrdiff_t)(RESYNC_SPAN - 1));
    return false;
}

void TsContinuity::CheckPacket(const std::uint8_t* packet)
{
    const unsigned pid = (unsigned)(packet[1] & 0x1F) << 8 | packet[2];
    const unsigned adaptationControl = packet[3] >> 4 & 3;
    const bool hasPayload = (adaptationControl & 1) != 0;
    if (pid == TS_NULL_PID || !hasPayload)
        return;
    const std::uint8_t counter = packet[3] & COUNTER_MASK;
    const bool discontinuity = (adaptationControl & 2) && packet[4] > 0 && (packet[5] & 0x80);
    std::uint8_t& state = m_pidState[pid];
    if ((state & PID_SEEN) && !discontinuity) {
        const std::uint8_t last = state & COUNTER_MASK;
        if (counter == last) {
            // A repeated packet: the first repeat is allowed, every further one is an error.
            if (state & PID_REPEATED)
                ++m_continuityErrors;
            state |= PID_REPEATED;
            return;
        }
        if (counter != ((last + 1) & COUNTER_MASK))
            ++m_continuityErrors;
    }
    state = PID_SEEN | counter;
}
