#include "tools/boxsim/probe_record.h"

#include <algorithm>
#include <map>

#include "tools/boxsim/net_util.h"

void ProbeRecord::Add(std::int64_t arrivedMs, Ipv4Host destination, bool broadcast)
{
    std::lock_guard<std::mutex> lock(mutex_);
    arrivals_.push_back({arrivedMs, destination, broadcast});
}

void ProbeRecord::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    arrivals_.clear();
}

std::vector<ProbeRecord::Arrival> ProbeRecord::Since(std::int64_t sinceMs) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Arrival> arrivals;
    for (const Arrival& arrival : arrivals_) {
        if (arrival.ms >= sinceMs) arrivals.push_back(arrival);
    }
    return arrivals;
}

std::string ProbeRecord::Summary(std::int64_t sinceMs, std::int64_t windowMs) const
{
    std::vector<std::int64_t> times;
    std::vector<Ipv4Host> unicast;
    for (const Arrival& arrival : Since(sinceMs)) {
        times.push_back(arrival.ms);
        if (!arrival.broadcast) unicast.push_back(arrival.destination);
    }
    std::sort(times.begin(), times.end());
    std::size_t peak = 0;
    for (std::size_t first = 0, last = 0; last < times.size(); ++last) {
        while (times[last] - times[first] >= windowMs) ++first;
        peak = std::max(peak, last - first + 1);
    }
    const std::size_t unicastCount = unicast.size();
    std::sort(unicast.begin(), unicast.end());
    const auto distinct = std::unique(unicast.begin(), unicast.end()) - unicast.begin();
    return "count=" + std::to_string(times.size()) + " unicast=" + std::to_string(unicastCount) +
           " addresses=" + std::to_string(distinct) + " peak=" + std::to_string(peak) +
           " first=" + std::to_string(times.empty() ? 0 : times.front()) +
           " last=" + std::to_string(times.empty() ? 0 : times.back());
}

std::vector<std::string> ProbeRecord::PerAddress(std::int64_t sinceMs) const
{
    std::map<Ipv4Host, std::size_t> counts;
    for (const Arrival& arrival : Since(sinceMs)) ++counts[arrival.destination];
    std::vector<std::string> lines;
    for (const auto& [destination, count] : counts) {
        lines.push_back(Ipv4Text(destination) + " " + std::to_string(count));
    }
    return lines;
}
