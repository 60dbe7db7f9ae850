#include "model/EM_Data.h"

#include "model/Numbers.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

int CEM_Data::Create()
{
    Close();
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_File.CreateNew(m_strPath) == 0 ? 0 : 5;
}

void CEM_Data::Close()
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    for (auto& v : m_Values)
        v.clear();
    m_File.Close();
}

int CEM_Data::WriteRecord(int trace, std::int16_t v1, std::int16_t v2, std::int16_t v3, std::int16_t v4)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    int result = 6;
    if (m_File.IsOpen()) {
        const std::string line = FormatC("%d\t%d\t%d\t%d\t%d\r\n", trace, v1, v2, v3, v4);
        if (m_File.Append(line.data(), line.size()))
            result = 0;
    }
    AddRecord(v1, v2, v3, v4);
    return result;
}

bool CEM_Data::Sync()
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_File.Sync();
}

void CEM_Data::AddRecord(std::int16_t v1, std::int16_t v2, std::int16_t v3, std::int16_t v4)
{
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_Values[0].push_back(v1);
    m_Values[1].push_back(v2);
    m_Values[2].push_back(v3);
    m_Values[3].push_back(v4);
}

int CEM_Data::Read()
{
    Close();
    std::FILE* in = m_strPath.empty() ? nullptr : std::fopen(m_strPath.c_str(), "rbe");
    if (!in)
        return 5;
    // Only a number's leading characters decide its value, so long tokens are kept short.
    constexpr std::size_t kTokenKeep = 4096;
    std::int16_t record[5];
    int filled = 0;
    std::string token;
    bool inToken = false;
    auto endToken = [&] {
        record[filled++] = static_cast<std::int16_t>(LeadingInt(token));
        token.clear();
        inToken = false;
        if (filled == 5) {
            AddRecord(record[1], record[2], record[3], record[4]);
            filled = 0;
        }
    };
    int c;
    while ((c = std::getc(in)) != EOF) {
        if (std::isspace(c)) {
            if (inToken)
                endToken();
        } else {
            inToken = true;
            if (token.size() < kTokenKeep)
                token.push_back(static_cast<char>(c));
        }
    }
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) {
        // A failing disk or a folder in the file's place: the records read so far are not the file.
        Close();
        return 5;
    }
    if (inToken)
        endToken();
    return 0;
}

float CEM_Data::LogDiff(int index, int a, int b) const
{
    if (index < 0 || index >= GetCount())
        return 0.0f;
    int sum = 0;
    for (int i = std::max(index - 2, 0); i <= index; ++i)
        sum += m_Values[a][static_cast<std::size_t>(i)] - m_Values[b][static_cast<std::size_t>(i)];
    const float m = static_cast<float>(sum) / 3.0f;
    if (m == 0.0f)
        return 0.0f;
    return m > 0.0f ? std::log10(m) : -std::log10(-m);
}

float CEM_Data::GetLogDiff13(int index) const
{
    return LogDiff(index, 0, 2);
}

float CEM_Data::GetLogDiff24(int index) const
{
    return LogDiff(index, 1, 3);
}
