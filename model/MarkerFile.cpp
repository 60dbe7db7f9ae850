#include "model/MarkerFile.h"

#include "model/Numbers.h"

#include <cctype>
#include <cstdio>
#include <limits>
#include <string_view>
#include <unistd.h>

namespace {

constexpr std::string_view kHeaderLine = "HEADER VERSION:100\r\n";

// Reads a text file line by line and tells whether each line was ended by a line feed.
class EndedLineReader {
public:
    explicit EndedLineReader(const std::string& path) : m_file(path.empty() ? nullptr : std::fopen(path.c_str(), "rbe")) {}
    ~EndedLineReader()
    {
        if (m_file)
            std::fclose(m_file);
    }
    EndedLineReader(const EndedLineReader&) = delete;
    EndedLineReader& operator=(const EndedLineReader&) = delete;

    bool isOpen() const { return m_file != nullptr; }
    // A read failed (a failing disk, a folder in the file's place): what was read is not the file.
    bool failed() const { return std::ferror(m_file) != 0; }
    // The next line without its CR LF, at most `cap` + 1 characters of it (so a longer one
    // shows as longer); false at the end of the file.
    bool next(std::string& line, bool& ended, std::size_t cap)
    {
        line.clear();
        ended = false;
        bool any = false;
        int c;
        while ((c = std::getc(m_file)) != EOF) {
            any = true;
            if (c == '\n') {
                ended = true;
                break;
            }
            if (line.size() <= cap + 1)
                line.push_back(static_cast<char>(c));
        }
        if (!line.empty() && line.back() == '\r' && line.size() <= cap + 1)
            line.pop_back();
        return any;
    }

private:
    std::FILE* m_file;
};

// A marker field: a decimal number after optional blanks; false when it is none.
bool FieldNumber(std::string_view field, std::int64_t& value)
{
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\r'))
        ++i;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        ++i;
    if (i >= field.size() || !std::isdigit(static_cast<unsigned char>(field[i])))
        return false;
    value = LeadingInt(field);
    return true;
}

} // namespace

int CMarkerFile::Create()
{
    Close(true);
    if (m_File.CreateNew(m_strPath) != 0)
        return 5;
    if (!m_File.Append(kHeaderLine.data(), kHeaderLine.size())) {
        m_File.Close();
        ::unlink(m_strPath.c_str());
        return 5;
    }
    return 0;
}

int CMarkerFile::AddMarker(std::uint32_t trace, std::uint16_t value, std::uint16_t type)
{
    if (type == CMarker::kPending) {
        for (CMarker& m : m_Markers) {
            if (m.m_nType == CMarker::kPending) {
                m.m_nTrace = trace;
                m.m_nValue = value;
                return 0;
            }
        }
        m_Markers.push_back({trace, value, type});
        return 0;
    }
    m_Markers.push_back({trace, value, type});
    if (!m_File.IsOpen())
        return 6;
    const std::string line = FormatC("%d\t%d\t%d\r\n", static_cast<std::int32_t>(trace),
                                     static_cast<std::int16_t>(value), static_cast<std::int16_t>(type));
    return m_File.Append(line.data(), line.size()) ? 0 : 6;
}

void CMarkerFile::Close(bool freeMarkers)
{
    if (m_File.IsOpen()) {
        // Nothing but this method writes a pending line, and only here at the end of the
        // file, so it is simply appended.
        for (const CMarker& m : m_Markers) {
            if (m.m_nType == CMarker::kPending) {
                const std::string line = FormatC("%06d\t%04d\t-1\r\n", static_cast<std::int32_t>(m.m_nTrace),
                                                 static_cast<int>(m.m_nValue));
                // The stop has synced the file already: this line comes after it.
                if (m_File.Append(line.data(), line.size()))
                    m_File.Sync();
                break;
            }
        }
        m_File.Close();
    }
    if (freeMarkers)
        m_Markers.clear();
}

int CMarkerFile::Read()
{
    Close(true);
    EndedLineReader in(m_strPath);
    if (!in.isOpen())
        return 5;
    std::string line;
    bool ended = false;
    const bool header = in.next(line, ended, kLineMax);
    while (header && in.next(line, ended, kLineMax)) {
        if (!ended || line.size() > kLineMax)
            continue;
        // Fields are separated by TABs; a run of TABs counts as one separator.
        std::string_view fields[3];
        int n = 0;
        std::string_view rest = line;
        while (n < 3) {
            std::size_t b = rest.find_first_not_of('\t');
            if (b == std::string_view::npos)
                break;
            rest.remove_prefix(b);
            std::size_t e = rest.find('\t');
            fields[n++] = rest.substr(0, e);
            rest = e == std::string_view::npos ? std::string_view() : rest.substr(e);
        }
        if (n < 3)
            continue;
        std::int64_t trace, value, type;
        if (!FieldNumber(fields[0], trace) || trace < 0 || trace > std::numeric_limits<std::int32_t>::max())
            continue;
        if (!FieldNumber(fields[1], value) || static_cast<std::int16_t>(value) < 0)
            continue;
        if (!FieldNumber(fields[2], type))
            type = -1;
        m_Markers.push_back({static_cast<std::uint32_t>(trace), static_cast<std::uint16_t>(value),
                             static_cast<std::uint16_t>(type)});
    }
    if (in.failed()) {
        m_Markers.clear();
        return 5;
    }
    return 0;
}
