// Line-oriented text files of settings and data sets: lines end in CR LF when written,
// CR LF or LF are accepted when read, and a save never leaves a half-written file behind.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Writes `bytes` to "<path>.tmp", checking every write, the sync and the close, then renames
// it over `path`. On any failure the temporary file is removed, the old file is untouched,
// and false is returned.
bool SaveFileAtomically(const std::string& path, std::string_view bytes);

// Collects the lines of a text file in memory; Save() stores them atomically.
class TextWriter {
public:
    void line(std::string_view text)
    {
        m_text.append(text);
        m_text.append("\r\n");
    }
    const std::string& text() const { return m_text; }
    bool save(const std::string& path) const { return SaveFileAtomically(path, m_text); }

private:
    std::string m_text;
};

// Reads a text file line by line. A line longer than the cap keeps its first `cap`
// characters and the rest of it is skipped, so later lines still read as themselves.
// A CR before the LF is dropped; a file of CR-only line ends reads as one line.
class LineReader {
public:
    LineReader(const std::string& path, size_t cap);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool isOpen() const { return m_file != nullptr; }
    // False at the end of the file when no character was left to read.
    bool next(std::string& line);

private:
    std::FILE* m_file = nullptr;
    size_t m_cap;
};

// The settings readers split a line into key and value at the first colon; a line without
// one has an empty key.
struct KeyValue {
    std::string_view key;
    std::string_view value;
};
KeyValue SplitKeyValue(std::string_view line);
