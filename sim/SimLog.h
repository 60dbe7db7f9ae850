// The simulated unit's JSON-lines log: one object per request received and per message or
// stand-alone frame sent, so a run can be checked afterwards line by line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Builds one JSON object on a single line.
class SimJson {
public:
    SimJson& Num(const char* key, int64_t v);
    SimJson& Real(const char* key, double v);
    SimJson& Str(const char* key, const std::string& v);
    SimJson& Bool(const char* key, bool v);
    SimJson& Nums(const char* key, const std::vector<int64_t>& v);
    SimJson& Strs(const char* key, const std::vector<std::string>& v);
    SimJson& Raw(const char* key, const std::string& json);   // an already built value
    std::string Text() const { return m_text + "}"; }

    static std::string Quote(const std::string& s);

private:
    void Key(const char* key);
    std::string m_text = "{";
};

class CSimLog {
public:
    CSimLog() = default;
    ~CSimLog();
    CSimLog(const CSimLog&) = delete;
    CSimLog& operator=(const CSimLog&) = delete;

    // "-" writes to standard output; an empty path switches the log off.
    bool Open(const std::string& path, std::string& error);
    void Close();
    bool Enabled() const { return m_out != nullptr; }
    void Write(const SimJson& line);
    // Lines written between Hold and Release come out after the lines Release is given, so
    // a request's line can precede the messages that handling it sent.
    void Hold();
    void Release(const std::vector<SimJson>& first);

private:
    void Put(const std::string& text);
    bool m_holding = false;
    std::vector<std::string> m_held;
    FILE* m_out = nullptr;
    bool m_owned = false;
};
