#include "recording/ReadDeadlines.h"

ReadDeadlines::ReadDeadlines(Milliseconds silenceLimit, Milliseconds returnPeriod, Milliseconds receiveSlice,
                             Clock::time_point now)
    : m_silenceLimit(silenceLimit), m_returnAfter(returnPeriod - receiveSlice), m_readBegan(now), m_lastArrival(now)
{
}

// Silence is measured from the last arrival, not by counting time-outs: a box that sends a
// byte now and then is slow, not silent.
ReadDeadlines::Next ReadDeadlines::AfterReceive(Clock::time_point now, bool gotBytes)
{
    if (gotBytes)
        m_lastArrival = now;
    else if (now - m_lastArrival >= m_silenceLimit)
        return Next::SILENT;
    return now - m_readBegan >= m_returnAfter ? Next::RETURN : Next::RECEIVE;
}
