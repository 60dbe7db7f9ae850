// The display window of one channel: up to 2000 consecutive traces, filled by the
// acquisition while measuring and read back from the channel's .rd3 file on demand
// otherwise. The radargram view, the trace information bar and the filter manager take
// their traces from here, under the display lock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class CChannelData;
class CSTrace;

class CTraceCache {
public:
    static constexpr int kCapacity = 2000;
    static constexpr int kEntrySamples = 2048;

    // An empty window (newest -1, first 0, last -1) of kCapacity zeroed entries.
    CTraceCache();
    ~CTraceCache() = default;
    CTraceCache(const CTraceCache&) = delete;
    CTraceCache& operator=(const CTraceCache&) = delete;

    // The channel whose file and trace count a reload reads. A cache without one never
    // reloads.
    void Bind(const CChannelData* source) { m_pSource = source; }
    // Asked before a reload: while a measurement runs the window is never reloaded.
    void SetMeasuringQuery(std::function<bool()> isMeasuring) { m_isMeasuring = std::move(isMeasuring); }

    // Back to the empty window with every entry zeroed.
    void Reset();
    // The trace becomes the newest entry (at most kEntrySamples of its samples are copied,
    // the rest of the entry keeps what it held); the oldest trace leaves a full window.
    void AddTrace(const CSTrace& trace);
    // The kEntrySamples samples of the entry of trace `i`. Outside the window it first
    // reloads around `i` when no measurement runs; while measuring it returns the entry
    // that trace `i` would occupy, so callers keep to the window then. The pointer stays
    // valid until the next change of the window.
    const std::int16_t* GetTrace(int i);
    // Refills the window from the file: up to kCapacity / 2 traces before `i` and as many
    // as the window holds from there, ending at the channel's trace count.
    void Reload(int i);

    int GetFirst() const { return m_nFirst; }
    int GetLast() const { return m_nLast; }
    int GetNewest() const { return m_nNewest; }
    int GetCapacity() const { return kCapacity; }
    // Whether a reload since the last call met a file that held fewer traces than the
    // header promised (those traces read as zeros); clears the mark. The caller that can
    // show a message reports it once.
    bool TakeReadError();

private:
    struct Unmap {
        void operator()(std::int16_t* p) const;
    };
    std::int16_t* Entry(std::int64_t index);

    std::unique_ptr<std::int16_t[], Unmap> m_entries;
    int m_nNewest = -1;
    int m_nFirst = 0;
    int m_nLast = -1;
    int m_nDirtyWidth = 0;  // no entry holds a non-zero sample at or past this index
    bool m_bReadError = false;
    const CChannelData* m_pSource = nullptr;
    std::function<bool()> m_isMeasuring;
};
