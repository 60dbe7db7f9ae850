// Line-oriented text files of settings and data sets: lines end in CR LF when written,
// CR LF or LF are accepted when read, and a save never leaves a half-written file behind.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Writes `bytes` to a temporary file of its own beside `path` (so two saves of one file never
// share one; its name fits wherever the file's own name does), checking every write, the
// sync and the close, then renames it over `path` with the old file's permissions and syncs
// the folder, so that the new file is on the disk once this returns. A file that exists but
// is closed to writing by us is refused, as a direct write would be. On any failure before
// the rename the temporary file is removed, the old file is untouched, and false is
// returned; false too when the folder could not be synced after the rename.
bool SaveFileAtomically(const std::string& path, std::string_view bytes);

// SaveFileAtomically, except that when the temporary file cannot be written for lack of room
// (a full disk, a quota, a file-size limit) an existing `path` is rewritten in place, provided
// the new bytes fit in the blocks it already has: a small file rewritten at every stop of a
// measurement must not keep stale contents because the disk filled up. False when that fails
// too (the old bytes are then put back as far as the disk allows).
bool SaveFileAtomicallyOrInPlace(const std::string& path, std::string_view bytes);

// The longest file name `folder` surely takes, in bytes: its own limit, at most 255.
std::size_t FileNameLimit(const std::string& folder);

// Puts what was written through `fd` on the disk: 0, or the error of the sync.
int SyncDescriptor(int fd);

// Puts the entries of the folder that holds `path` (a rename, a new or removed file) on the
// disk, so that they survive a power cut. False when that failed.
bool SyncFolderOf(const std::string& path);

// Collects the lines of a text file in memory; Save() stores them atomically. A CR or LF
// inside a line (a name typed with a line break) becomes a blank: it would end the line early
// and shift or inject the lines after it.
class TextWriter {
public:
    void line(std::string_view text)
    {
        const size_t from = m_text.size();
        m_text.append(text);
        for (size_t i = from; i < m_text.size(); ++i)
            if (m_text[i] == '\r' || m_text[i] == '\n')
                m_text[i] = ' ';
        m_text.append("\r\n");
    }
    const std::string& text() const { return m_text; }
    bool save(const std::string& path) const { return SaveFileAtomically(path, m_text); }

private:
    std::string m_text;
};

// The whole of a regular file, read at once. False, with `bytes` empty, when the file is
// missing, is no regular file, is larger than `limit`, or a read fails.
bool ReadWholeFile(const std::string& path, std::string& bytes, size_t limit);

// Reads a text file line by line. A line longer than the cap keeps its first `cap`
// characters and the rest of it is skipped, so later lines still read as themselves.
// A CR before the LF is dropped; a file of CR-only line ends reads as one line.
// The file is read whole when the reader is made, so a read error (or a folder in the
// file's place) leaves the reader closed, as a missing file does, and never a part loaded.
class LineReader {
public:
    // Larger than any settings, header or list file the program writes.
    static constexpr size_t kFileLimit = 64u << 20;

    LineReader(const std::string& path, size_t cap);

    bool isOpen() const { return m_open; }
    // False at the end of the file when no character was left to read.
    bool next(std::string& line);

private:
    std::string m_bytes;
    size_t m_pos = 0;
    size_t m_cap;
    bool m_open = false;
};

// The settings readers split a line into key and value at the first colon; a line without
// one has an empty key.
struct KeyValue {
    std::string_view key;
    std::string_view value;
};
KeyValue SplitKeyValue(std::string_view line);
