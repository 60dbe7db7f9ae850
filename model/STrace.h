// One radar trace: signed 16-bit samples and their count. The display caches, the trace
// information bar and the filter manager pass traces around in this form.
#pragma once

#include <cstdint>
#include <vector>

class CSTrace {
public:
    static constexpr int kMaxSamples = 2048;

    CSTrace() : CSTrace(kMaxSamples) {}
    explicit CSTrace(int count);
    ~CSTrace() = default;
    CSTrace(const CSTrace&) = default;
    CSTrace(CSTrace&&) = default;

    // Copies min(own count, other count) samples from `other` and keeps this trace's own
    // count and every sample past the copied ones. So assigning a 400-sample trace to a
    // 2048-sample one changes only samples 0..399: the display caches rely on this to
    // keep fixed 2048-sample entries whatever the measurement's sample count is.
    CSTrace& operator=(const CSTrace& other);

    // Reads GetCount() samples (little-endian) from the descriptor's current position;
    // returns the number of bytes read, or -1 as the read returned it.
    int Read(int fd);
    void Zero();
    // Reallocates `count` zeroed samples. A negative count gives an empty trace and a
    // count above kMaxSamples is cut to it, as no trace holds more.
    void Resize(std::int16_t count);
    // The 32-bit sum of the samples divided by their count, truncated toward zero;
    // 0 for a trace without samples.
    int GetMean() const;

    int GetCount() const { return static_cast<int>(m_samples.size()); }
    std::int16_t* Data() { return m_samples.data(); }
    const std::int16_t* Data() const { return m_samples.data(); }
    std::int16_t& operator[](int i) { return m_samples[static_cast<std::size_t>(i)]; }
    std::int16_t operator[](int i) const { return m_samples[static_cast<std::size_t>(i)]; }

private:
    std::vector<std::int16_t> m_samples;
};
