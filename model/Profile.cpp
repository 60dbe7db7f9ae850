#include "model/Profile.h"

#include "model/Numbers.h"

#include <algorithm>

const MemoryProfile::Value* MemoryProfile::find(const std::string& section,
                                                const std::string& key) const
{
    auto s = m_values.find(section);
    if (s == m_values.end())
        return nullptr;
    auto v = s->second.find(key);
    return v == s->second.end() ? nullptr : &v->second;
}

std::int32_t MemoryProfile::getInt(const std::string& section, const std::string& key,
                                   std::int32_t def) const
{
    const Value* v = find(section, key);
    if (!v)
        return def;
    if (auto i = std::get_if<std::int32_t>(v))
        return *i;
    // A string that holds a whole number is taken, as the INI store does.
    if (auto s = std::get_if<std::string>(v)) {
        std::int32_t word;
        if (ParseProfileWord(*s, word))
            return word;
    }
    return def;
}

std::string MemoryProfile::getString(const std::string& section, const std::string& key,
                                     const std::string& def) const
{
    const Value* v = find(section, key);
    if (!v)
        return def;
    if (auto s = std::get_if<std::string>(v))
        return *s;
    if (auto i = std::get_if<std::int32_t>(v))
        return std::to_string(*i);
    return def;
}

bool MemoryProfile::getBinary(const std::string& section, const std::string& key,
                              std::vector<std::uint8_t>& out) const
{
    out.clear();
    const Value* v = find(section, key);
    if (!v)
        return false;
    auto b = std::get_if<std::vector<std::uint8_t>>(v);
    if (!b)
        return false;
    out = *b;
    return true;
}

void MemoryProfile::remember(const std::string& section, const std::string& key)
{
    auto entry = std::make_pair(section, key);
    if (std::find(m_order.begin(), m_order.end(), entry) == m_order.end())
        m_order.push_back(entry);
}

bool MemoryProfile::writeInt(const std::string& section, const std::string& key, std::int32_t value)
{
    m_values[section][key] = value;
    remember(section, key);
    return true;
}

bool MemoryProfile::writeString(const std::string& section, const std::string& key,
                                const std::string& value)
{
    m_values[section][key] = value;
    remember(section, key);
    return true;
}

bool MemoryProfile::writeBinary(const std::string& section, const std::string& key,
                                const std::vector<std::uint8_t>& value)
{
    m_values[section][key] = value;
    remember(section, key);
    return true;
}
