#include "tools/boxsim/stream_damage.h"

#include <sstream>

#include "tools/boxsim/event_log.h"
#include "tools/boxsim/net_util.h"
#include "tools/boxsim/ts_writer.h"

namespace {

constexpr std::uint16_t NULL_PID = 0x1FFF;
constexpr int COUNTER_JUMP = 8;

std::uint16_t PidOf(const std::uint8_t* packet) { return static_cast<std::uint16_t>((packet[1] & 0x1F) << 8 | packet[2]); }
bool HasPayload(const std::uint8_t* packet) { return (packet[3] & 0x10) != 0; }
bool HasAdaptationRoom(const std::uint8_t* packet) { return (packet[3] & 0x20) != 0 && packet[4] > 0; }
// A flagged packet may take any counter, so repeating it would hide a repeat.
bool Flagged(const std::uint8_t* packet) { return HasAdaptationRoom(packet) && (packet[5] & 0x80) != 0; }

void ShiftCounter(std::uint8_t* packet, int by)
{
    packet[3] = static_cast<std::uint8_t>((packet[3] & 0xF0) | ((packet[3] + by) & 0x0F));
}

}  // namespace

bool ParseDamage(const std::string& argument, Damage& damage, std::string& why)
{
    std::istringstream words(argument);
    std::string kind, pidText, countText, extra;
    words >> kind >> pidText >> countText >> extra;
    damage = Damage{};
    damage.pid = VIDEO_PID;
    if (kind == "drop") damage.kind = DamageKind::DROP;
    else if (kind == "dup") damage.kind = DamageKind::DUPLICATE;
    else if (kind == "discontinuity") damage.kind = DamageKind::DISCONTINUITY;
    else if (kind == "sync") damage.kind = DamageKind::SYNC;
    else kind.clear();
    long long pid = damage.pid, count = 1;
    if (kind.empty() || !extra.empty() || (!pidText.empty() && !ParseInteger(pidText, 0, NULL_PID - 1, pid)) ||
        (!countText.empty() && !ParseInteger(countText, 1, 15, count))) {
        why = "usage: DAMAGE drop|dup|discontinuity|sync [PID [COUNT]]";
        return false;
    }
    damage.pid = static_cast<std::uint16_t>(pid);
    damage.count = static_cast<int>(count);
    return true;
}

std::string DescribeDamage(const Damage& damage)
{
    static const char* const NAMES[] = {"drop", "dup", "discontinuity", "sync"};
    std::string text = NAMES[static_cast<int>(damage.kind)];
    if (damage.kind != DamageKind::SYNC) text += " pid=" + std::to_string(damage.pid);
    if (damage.kind == DamageKind::DROP || damage.kind == DamageKind::DUPLICATE)
        text += " count=" + std::to_string(damage.count);
    return text;
}

void DamageQueue::Push(const Damage& damage)
{
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back(damage);
}

std::vector<Damage> DamageQueue::TakeAll()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Damage> taken(pending_.begin(), pending_.end());
    pending_.clear();
    return taken;
}

void DamageQueue::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.clear();
}

const std::uint8_t* StreamDamager::Apply(const std::uint8_t* chunk, std::size_t& size)
{
    if (firstChunk_) {
        firstChunk_ = false;
        return chunk;
    }
    for (const Damage& damage : queue_.TakeAll()) waiting_.push_back({damage, damage.count});
    if (waiting_.empty() && !anyShift_) return chunk;
    doneInChunk_ = false;
    damaged_.clear();
    damaged_.reserve(size + 16 * TS_PACKET_SIZE);
    std::size_t at = 0;
    for (; at + TS_PACKET_SIZE <= size; at += TS_PACKET_SIZE) Pass(chunk + at);
    damaged_.insert(damaged_.end(), chunk + at, chunk + size);
    size = damaged_.size();
    return damaged_.data();
}

void StreamDamager::Pass(const std::uint8_t* original)
{
    std::uint8_t packet[TS_PACKET_SIZE];
    std::copy(original, original + TS_PACKET_SIZE, packet);
    const std::uint16_t pid = PidOf(packet);
    if (counterShift_[pid] != 0) ShiftCounter(packet, counterShift_[pid]);
    int copies = 1;
    if (!waiting_.empty() && !doneInChunk_) {
        Waiting& waiting = waiting_.front();
        const Damage& damage = waiting.damage;
        const bool onPid = pid == damage.pid && HasPayload(packet);
        bool done = false;
        switch (damage.kind) {
        case DamageKind::DROP:
            if (onPid) {
                copies = 0;
                done = --waiting.left == 0;
            }
            break;
        case DamageKind::DUPLICATE:
            if (onPid && !Flagged(packet)) {
                copies += damage.count;
                done = true;
            }
            break;
        case DamageKind::DISCONTINUITY:
            if (onPid && HasAdaptationRoom(packet) && !Flagged(packet)) {
                packet[5] |= 0x80;
                ShiftCounter(packet, COUNTER_JUMP);
                counterShift_[pid] = static_cast<std::uint8_t>((counterShift_[pid] + COUNTER_JUMP) & 0x0F);
                anyShift_ = true;
                done = true;
            }
            break;
        case DamageKind::SYNC: {
            std::uint8_t broken[TS_PACKET_SIZE];
            std::fill(broken, broken + TS_PACKET_SIZE, 0xFF);
            broken[0] = 0x00;
            broken[1] = NULL_PID >> 8;
            broken[2] = NULL_PID & 0xFF;
            broken[3] = 0x10;
            damaged_.insert(damaged_.end(), broken, broken + TS_PACKET_SIZE);
            done = true;
            break;
        }
        }
        if (done) {
            LogLine("DAMAGE " + peer_ + " " + DescribeDamage(damage) + " done");
            waiting_.pop_front();
            doneInChunk_ = true;
        }
    }
    for (int i = 0; i < copies; ++i) damaged_.insert(damaged_.end(), packet, packet + TS_PACKET_SIZE);
}
