// The wire under the link: sends whole frames and hands received ones to the receive
// thread. The capture library's implementation serves the field; an in-memory pair lets
// the link and a test peer talk without privileges.
//
// Wait and Send may run at the same time on different threads; Next, Open, Close and
// Stats are called under the link's capture lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// One received frame: `caplen` bytes at `data` of a frame `len` bytes long. Valid until
// the next call of Next.
struct FrameView {
    const std::uint8_t* data = nullptr;
    std::uint32_t caplen = 0;
    std::uint32_t len = 0;
};

struct CaptureStats {
    std::uint64_t received = 0;
    std::uint64_t dropped = 0;    // no room in the capture buffer
    std::uint64_t ifDropped = 0;  // dropped by the interface
};

enum TransportOpenResult : int {
    kTransportOpened = 0,
    kTransportPermissionDenied = 1,  // capture not permitted for this user
    kTransportFailed = 2,            // no such device, device down, other failures
};

class FrameTransport {
public:
    virtual ~FrameTransport() = default;

    // Opens the capture on `device` (an interface name). On failure `error` holds the
    // capture library's own words.
    virtual int Open(const std::string& device, std::string& error) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // 0 sent, -1 the send failed.
    virtual int Send(const std::uint8_t* frame, std::size_t len) = 0;

    // Waits up to `timeoutMs` for frames: 1 frames are there, 0 none came (or Wake was
    // called), -1 the capture failed (the adapter is gone).
    virtual int Wait(int timeoutMs) = 0;
    // Takes the next frame without waiting: 1 a frame is in `out`, 0 none, -1 failed.
    virtual int Next(FrameView& out) = 0;
    // Makes a Wait in progress return at once.
    virtual void Wake() = 0;

    virtual CaptureStats Stats() = 0;
};
