// Two ends of an in-memory wire: what one end sends, the other receives, in order. Frames
// sent while the other end is closed are lost, as on a cable. Used by the tests and the
// in-process simulated unit; it also plays the faults of a real capture on demand.
#pragma once

#include "link/FrameTransport.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class MemoryTransport : public FrameTransport {
public:
    // A connected pair.
    static std::pair<std::unique_ptr<MemoryTransport>, std::unique_ptr<MemoryTransport>> MakePair();

    ~MemoryTransport() override;

    int Open(const std::string& device, std::string& error) override;
    void Close() override;
    bool IsOpen() const override;
    int Send(const std::uint8_t* frame, std::size_t len) override;
    int Wait(int timeoutMs) override;
    int Next(FrameView& out) override;
    void Wake() override;
    CaptureStats Stats() override;

    // Sends a frame of which the receiver captures only the first `caplen` bytes.
    int SendCaptured(const std::uint8_t* frame, std::uint32_t caplen, std::uint32_t len);

    // Faults. The next Open fails with `result` and `error` (until cleared with
    // kTransportOpened).
    void RefuseOpen(int result, const std::string& error);
    void FailSends(bool fail);
    // The adapter goes away: Wait and Next report failure until the next Open.
    void Break();

    // The device named at the last successful Open ("" while closed).
    std::string Device() const;
    // Frames waiting to be received by this end.
    std::size_t Pending() const;

private:
    struct Wire;
    MemoryTransport(std::shared_ptr<Wire> wire, int side);

    std::shared_ptr<Wire> m_wire;
    int m_side;
    std::vector<std::uint8_t> m_current;  // the frame handed out by the last Next
};
