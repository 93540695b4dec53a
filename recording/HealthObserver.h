// Hands what a recorder receives to its recording's health.
#pragma once

#include "recording/RecordingHealth.h"
#include "recording/StreamReceiver.h"

#include <memory>
#include <utility>

// Recorder thread. Keeps the health alive for as long as the recorder runs.
class HealthObserver : public BodyObserver {
public:
    explicit HealthObserver(std::shared_ptr<RecordingHealth> health) : m_health(std::move(health)) {}
    void OnBodyBytes(const char* bytes, std::size_t count) override
    {
        m_health->OnArrival(bytes, count, RecordingHealth::Clock::now());
    }

private:
    std::shared_ptr<RecordingHealth> m_health;
};
