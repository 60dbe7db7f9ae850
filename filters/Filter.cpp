#include "filters/Filter.h"

#include <cstring>

Filter::Filter(const FilterKind& kind) : m_kind(&kind)
{
    for (const auto& spec : kind.params())
        m_values.push_back(spec.defaultValue());
    buildRecords();
}

Filter::Filter(const Filter& other) : m_kind(other.m_kind), m_enabled(other.m_enabled), m_values(other.m_values)
{
    buildRecords();
}

FilterParamValue Filter::value(int i) const
{
    FilterParamValue v = m_values[static_cast<size_t>(i)];
    if (spec(i).type() == kParamChoice)
        v.whole = spec(i).choiceIndex(v);
    return v;
}

int Filter::find(std::string_view name) const
{
    for (int i = 0; i < paramCount(); ++i)
        if (spec(i).name() == name)
            return i;
    return -1;
}

bool Filter::isType(int i, FilterParamType a, FilterParamType b) const
{
    if (i < 0 || i >= paramCount())
        return false;
    return spec(i).type() == a || spec(i).type() == b;
}

bool Filter::setWhole(int i, std::int64_t v)
{
    if (!isType(i, kParamInteger, kParamFlag))
        return false;
    spec(i).setWhole(m_values[static_cast<size_t>(i)], v);
    return true;
}

bool Filter::setFloat(int i, double v)
{
    return isType(i, kParamFloat, kParamFloat) && spec(i).setFloat(m_values[static_cast<size_t>(i)], v);
}

bool Filter::setText(int i, std::string_view v)
{
    if (!isType(i, kParamText, kParamText))
        return false;
    spec(i).setText(m_values[static_cast<size_t>(i)], v);
    return true;
}

bool Filter::setChoice(int i, int index)
{
    if (!isType(i, kParamChoice, kParamChoice) || index < 0 ||
        static_cast<size_t>(index) >= spec(i).choices().size())
        return false;
    m_values[static_cast<size_t>(i)].whole = index;
    return true;
}

bool Filter::setChoiceText(int i, std::string_view text)
{
    return isType(i, kParamChoice, kParamChoice) && spec(i).setChoiceText(m_values[static_cast<size_t>(i)], text);
}

bool Filter::parse(int i, std::string_view text)
{
    return i >= 0 && i < paramCount() && spec(i).parse(m_values[static_cast<size_t>(i)], text);
}

std::string Filter::format(int i) const
{
    return spec(i).format(m_values[static_cast<size_t>(i)]);
}

bool Filter::sameSettings(const Filter& other) const
{
    if (m_kind != other.m_kind || m_enabled != other.m_enabled)
        return false;
    for (int i = 0; i < paramCount(); ++i)
        if (format(i) != other.format(i))
            return false;
    return true;
}

void Filter::buildRecords()
{
    const size_t n = m_values.size();
    m_records.assign(n, FilterParam{});
    m_choices.assign(n, FilterChoice{});
    m_choiceTexts.assign(n, {});
    for (size_t i = 0; i < n; ++i) {
        const FilterParamSpec& s = m_kind->params()[i];
        m_records[i].name = s.name().c_str();
        m_records[i].type = s.type();
        if (s.type() == kParamChoice) {
            for (const auto& text : s.choices())
                m_choiceTexts[i].push_back(text.c_str());
            m_choices[i] = FilterChoice{m_choiceTexts[i].data(), static_cast<std::int32_t>(s.choices().size()),
                                        &m_values[i].whole};
        }
    }
}

void Filter::describe(FilterInfo& info)
{
    const size_t n = m_values.size();
    for (size_t i = 0; i < n; ++i) {
        const FilterParamSpec& s = m_kind->params()[i];
        FilterParamValue& v = m_values[i];
        FilterParam& r = m_records[i];
        switch (s.type()) {
        case kParamText:
            r.value = reinterpret_cast<std::uintptr_t>(v.text.c_str());
            break;
        case kParamFloat: {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &v.real, sizeof bits);
            r.value = bits;
            break;
        }
        case kParamChoice:
            v.whole = s.choiceIndex(v);
            r.value = reinterpret_cast<std::uintptr_t>(&m_choices[i]);
            break;
        default:
            r.value = static_cast<std::uint32_t>(v.whole);
            break;
        }
    }
    info.name = m_kind->name().c_str();
    info.enabled = m_enabled ? 1 : 0;
    info.count = static_cast<std::int32_t>(n);
    info.params = n ? m_records.data() : nullptr;
}

void Filter::apply(TraceBlock& block) const
{
    if (!m_enabled)
        return;
    if (m_kind->params().empty()) {
        m_kind->apply(m_values, block);
        return;
    }
    std::vector<FilterParamValue> values;
    values.reserve(m_values.size());
    for (int i = 0; i < paramCount(); ++i)
        values.push_back(value(i));
    m_kind->apply(values, block);
}
