#include "sim/SimLog.h"

#include <cerrno>
#include <cmath>
#include <cstring>

void SimJson::Key(const char* key)
{
    if (m_text.size() > 1)
        m_text += ',';
    m_text += Quote(key);
    m_text += ':';
}

std::string SimJson::Quote(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

SimJson& SimJson::Num(const char* key, int64_t v)
{
    Key(key);
    m_text += std::to_string(v);
    return *this;
}

SimJson& SimJson::Real(const char* key, double v)
{
    Key(key);
    if (!std::isfinite(v)) {
        m_text += Quote(std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf"));
        return *this;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    m_text += text;
    return *this;
}

SimJson& SimJson::Str(const char* key, const std::string& v)
{
    Key(key);
    m_text += Quote(v);
    return *this;
}

SimJson& SimJson::Bool(const char* key, bool v)
{
    Key(key);
    m_text += v ? "true" : "false";
    return *this;
}

SimJson& SimJson::Nums(const char* key, const std::vector<int64_t>& v)
{
    Key(key);
    m_text += '[';
    for (size_t i = 0; i < v.size(); ++i) {
        if (i)
            m_text += ',';
        m_text += std::to_string(v[i]);
    }
    m_text += ']';
    return *this;
}

SimJson& SimJson::Strs(const char* key, const std::vector<std::string>& v)
{
    Key(key);
    m_text += '[';
    for (size_t i = 0; i < v.size(); ++i) {
        if (i)
            m_text += ',';
        m_text += Quote(v[i]);
    }
    m_text += ']';
    return *this;
}

SimJson& SimJson::Raw(const char* key, const std::string& json)
{
    Key(key);
    m_text += json;
    return *this;
}

CSimLog::~CSimLog() { Close(); }

bool CSimLog::Open(const std::string& path, std::string& error)
{
    Close();
    if (path.empty())
        return true;
    if (path == "-") {
        m_out = stdout;
        m_owned = false;
        return true;
    }
    m_out = std::fopen(path.c_str(), "w");
    if (!m_out) {
        error = "cannot write log '" + path + "': " + std::strerror(errno);
        return false;
    }
    m_owned = true;
    return true;
}

void CSimLog::Close()
{
    if (m_out && m_owned)
        std::fclose(m_out);
    else if (m_out)
        std::fflush(m_out);
    m_out = nullptr;
    m_owned = false;
}

void CSimLog::Write(const SimJson& line)
{
    if (!m_out)
        return;
    if (m_holding)
        m_held.push_back(line.Text());
    else
        Put(line.Text());
}

void CSimLog::Put(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

void CSimLog::Hold()
{
    m_holding = true;
}

void CSimLog::Release(const std::vector<SimJson>& first)
{
    m_holding = false;
    if (m_out) {
        for (const SimJson& j : first)
            Put(j.Text());
        for (const std::string& text : m_held)
            Put(text);
    }
    m_held.clear();
}
