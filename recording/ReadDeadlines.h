// When a body read that waits for the box hands control back to the recorder, and when it
// gives the box up as silent. The read can look at the clock only between receives, and a
// receive blocks for at most one slice (the socket's receive time-out): so the read hands
// control back once less than a slice is left of its period, and is back within the period.
// Times are passed in, so that the rules can be tested without waiting.
#pragma once

#include <chrono>

class ReadDeadlines {
public:
    using Clock = std::chrono::steady_clock;
    using Milliseconds = std::chrono::milliseconds;

    // now: when the body began, the last arrival so far.
    ReadDeadlines(Milliseconds silenceLimit, Milliseconds returnPeriod, Milliseconds receiveSlice, Clock::time_point now);

    enum class Next {
        RECEIVE,  // go on receiving
        RETURN,   // hand control back to the recorder, the block not yet whole
        SILENT    // nothing arrived for the silence limit
    };

    // A read (a call that fills a block, or goes on filling one) begins.
    void ReadBegins(Clock::time_point now) { m_readBegan = now; }
    // A receive ended at now, with bytes or by the time-out.
    Next AfterReceive(Clock::time_point now, bool gotBytes);

private:
    const Milliseconds m_silenceLimit;
    const Milliseconds m_returnAfter;  // the period less one slice
    Clock::time_point m_readBegan;
    Clock::time_point m_lastArrival;
};
