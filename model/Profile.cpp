#include "model/Profile.h"

#include "model/Numbers.h"

#include <algorithm>

std::int32_t ValueProfile::getInt(const std::string& section, const std::string& key, std::int32_t def) const
{
    Value v;
    if (!ReadValue(section, key, v))
        return def;
    if (auto i = std::get_if<std::int32_t>(&v))
        return *i;
    // A text that holds a whole number is taken, as the INI store reads every number.
    std::int32_t word;
    if (auto s = std::get_if<std::string>(&v); s && ParseProfileWord(*s, word))
        return word;
    return def;
}

std::string ValueProfile::getString(const std::string& section, const std::string& key,
                                    const std::string& def) const
{
    Value v;
    if (!ReadValue(section, key, v))
        return def;
    if (auto s = std::get_if<std::string>(&v))
        return *s;
    if (auto i = std::get_if<std::int32_t>(&v))
        return std::to_string(*i);
    return def;
}

bool ValueProfile::getBinary(const std::string& section, const std::string& key,
                             std::vector<std::uint8_t>& out) const
{
    out.clear();
    Value v;
    if (!ReadValue(section, key, v))
        return false;
    auto b = std::get_if<std::vector<std::uint8_t>>(&v);
    if (!b)
        return false;
    out = *b;
    return true;
}

bool ValueProfile::writeInt(const std::string& section, const std::string& key, std::int32_t value)
{
    return WriteValue(section, key, value);
}

bool ValueProfile::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    return WriteValue(section, key, value);
}

bool ValueProfile::writeBinary(const std::string& section, const std::string& key,
                               const std::vector<std::uint8_t>& value)
{
    return WriteValue(section, key, value);
}

const MemoryProfile::Value* MemoryProfile::find(const std::string& section, const std::string& key) const
{
    auto s = m_values.find(section);
    if (s == m_values.end())
        return nullptr;
    auto v = s->second.find(key);
    return v == s->second.end() ? nullptr : &v->second;
}

bool MemoryProfile::ReadValue(const std::string& section, const std::string& key, Value& out) const
{
    const Value* v = find(section, key);
    if (v)
        out = *v;
    return v != nullptr;
}

bool MemoryProfile::WriteValue(const std::string& section, const std::string& key, const Value& value)
{
    m_values[section][key] = value;
    auto entry = std::make_pair(section, key);
    if (std::find(m_order.begin(), m_order.end(), entry) == m_order.end())
        m_order.push_back(entry);
    return true;
}
