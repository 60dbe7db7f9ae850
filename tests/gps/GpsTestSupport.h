// Test peers for the GPS receiver: a pseudo-terminal that plays a receiver, a beat that
// runs the receiver thread one cycle at a time, and the recorded receiver streams.
#pragma once

#include "gps/GPSFix.h"
#include "gps/GpsCyclePacer.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// A pseudo-terminal pair. The program opens SlavePath() as its serial device; the test
// writes the receiver's bytes into the master. A second descriptor on the slave side lets
// the test see when written bytes are waiting for the reader.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }
    int SlaveFd() const { return m_slaveFd; }

    // Writes `bytes` (less than the line buffer, 4000 bytes) and waits until all of them
    // wait on the slave side, so that the next read of the program finds them.
    void Feed(const std::string& bytes);
    // Bytes waiting on the slave side.
    int Queued() const;
    // The receiver is unplugged: the slave side hangs up.
    void CloseMaster();

private:
    int m_masterFd = -1;
    int m_slaveFd = -1;
    std::string m_slavePath;
};

// Lets the receiver thread run exactly as many cycles as the test asks for.
class StepPacer : public GpsCyclePacer {
public:
    bool WaitForCycle() override;
    void Stop() override;
    void Restart() override;

    // Runs `cycles` cycles and waits until the thread has finished them; false when the
    // thread stopped first or did not get through them in a generous time.
    bool Run(int cycles);
    // Lets one cycle begin and waits until the thread is inside it, without waiting for
    // its end; false when the thread did not take it.
    bool Begin();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_permits = 0;
    long m_completed = 0;
    bool m_inCycle = false;
    bool m_stopped = false;
};

// Keeps every fix the receiver publishes, copied when the update is posted.
class FixRecorder {
public:
    void Add(const CGPSFix& fix);
    std::vector<CGPSFix> Take();
    std::size_t Count();

private:
    std::mutex m_mutex;
    std::vector<CGPSFix> m_fixes;
};

// A recorded stream of tests/data/gps without its '#' comment lines.
std::string RecordedStream(const std::string& name);
std::string RecordedCheckFile(const std::string& name);

// The lines of `text` split after each LF (the LF kept).
std::vector<std::string> SplitKeepingLf(const std::string& text);

// The NMEA checksum of `body` (the text between '$' and '*').
std::string NmeaWithChecksum(const std::string& body, const std::string& ending = "\r\n");

// TSIP framing of a packet: DLE, id, data with every DLE doubled, DLE, ETX.
std::string TsipPacket(std::uint8_t id, const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> BigEndianFloats(const std::vector<float>& values);

// Threads of this process now.
int ThreadCount();
// The thread count once it has come to `expected`, or the count after some seconds of
// waiting: a joined thread may still be listed by the kernel for a moment after the join.
int ThreadCountReaching(int expected);
