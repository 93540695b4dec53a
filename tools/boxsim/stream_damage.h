// Known damage put into a box's transport stream on request (the control command DAMAGE),
// so that tests can check what a recorder counts against what was done to the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

enum class DamageKind {
    DROP,           // count consecutive packets with payload of pid left out: one continuity error
    DUPLICATE,      // one packet with payload of pid sent count more times: the first repeat is
                    // allowed, every further one is a continuity error
    DISCONTINUITY,  // the discontinuity indicator set on a packet of pid with an adaptation
                    // field, and pid's counter jumping by 8 from there on: no error
    SYNC            // a null packet inserted whose sync byte is 0: one loss of sync, no packet missing
};

struct Damage {
    DamageKind kind = DamageKind::DROP;
    std::uint16_t pid = 0;
    int count = 1;
};

// "drop|dup|discontinuity|sync [PID [COUNT]]": PID defaults to the video PID, COUNT (1..15) to 1.
bool ParseDamage(const std::string& argument, Damage& damage, std::string& why);
std::string DescribeDamage(const Damage& damage);

// Damage asked for and not yet taken by a stream: the next stream to send a chunk takes all.
class DamageQueue {
public:
    void Push(const Damage& damage);
    std::vector<Damage> TakeAll();
    void Clear();

private:
    std::mutex mutex_;
    std::deque<Damage> pending_;
};

// One stream's damage: applied to the chunks it sends, packet-aligned, never to its first
// chunk (a recorder has nothing to compare the first packets with), and one damage per chunk
// at most, so that no two of them meet (a drop next to a repeat would hide both). Damage that
// finds no fitting packet in a chunk waits for the next. Each damage done is logged.
class StreamDamager {
public:
    StreamDamager(DamageQueue& queue, const std::string& peer) : queue_(queue), peer_(peer) {}

    // The bytes to send in place of the chunk: the chunk itself while there is nothing to do.
    const std::uint8_t* Apply(const std::uint8_t* chunk, std::size_t& size);

private:
    struct Waiting {
        Damage damage;
        int left;  // packets still to drop
    };
    // Appends what is sent for one packet of the chunk.
    void Pass(const std::uint8_t* packet);

    DamageQueue& queue_;
    std::string peer_;
    bool firstChunk_ = true;
    std::deque<Waiting> waiting_;  // the front one is done first
    bool doneInChunk_ = false;
    std::vector<std::uint8_t> counterShift_ = std::vector<std::uint8_t>(8192, 0);
    bool anyShift_ = false;
    std::vector<std::uint8_t> damaged_;
};
