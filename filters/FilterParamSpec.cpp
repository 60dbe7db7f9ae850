#include "filters/FilterParamSpec.h"

#include "model/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A whole decimal number with an optional sign and nothing else; saturates far beyond any
// parameter range instead of failing on long digit strings.
bool ParseWhole(std::string_view text, std::int64_t& out)
{
    text = Trim(text);
    size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
    if (i == text.size())
        return false;
    for (size_t j = i; j < text.size(); ++j)
        if (text[j] < '0' || text[j] > '9')
            return false;
    out = LeadingInt(text);
    return true;
}

// A decimal number in the "C" locale ("1.5", "-2e3", "inf", "nan"), nothing else around it.
bool ParseReal(std::string_view text, double& out)
{
    text = Trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    if (ec == std::errc::result_out_of_range && ptr == end) {
        // from_chars leaves `out` alone when the magnitude does not fit; strtod in the "C"
        // locale tells overflow (clamped like infinity later) from underflow (as good as 0).
        static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        const std::string copy(text);
        out = strtod_l(copy.c_str(), nullptr, c);
        return true;
    }
    return ec == std::errc() && ptr == end;
}

std::string Sanitised(std::string_view text)
{
    std::string s(text);
    for (char& c : s)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return s;
}

} // namespace

FilterParamSpec FilterParamSpec::Integer(std::string name, std::int32_t def, std::int32_t min, std::int32_t max)
{
    FilterParamSpec s;
    s.m_name = std::move(name);
    s.m_type = kParamInteger;
    s.m_min = min;
    s.m_max = max;
    s.m_def = def;
    return s;
}

FilterParamSpec FilterParamSpec::Flag(std::string name, bool def)
{
    FilterParamSpec s;
    s.m_name = std::move(name);
    s.m_type = kParamFlag;
    s.m_min = 0;
    s.m_max = 1;
    s.m_def = def ? 1 : 0;
    return s;
}

FilterParamSpec FilterParamSpec::Float(std::string name, float def, float min, float max)
{
    FilterParamSpec s;
    s.m_name = std::move(name);
    s.m_type = kParamFloat;
    s.m_min = min;
    s.m_max = max;
    s.m_def = def;
    return s;
}

FilterParamSpec FilterParamSpec::Text(std::string name, std::string def)
{
    FilterParamSpec s;
    s.m_name = std::move(name);
    s.m_type = kParamText;
    s.m_defText = Sanitised(def);
    return s;
}

FilterParamSpec FilterParamSpec::Choice(std::string name, std::vector<std::string> texts, int def)
{
    FilterParamSpec s;
    s.m_name = std::move(name);
    s.m_type = kParamChoice;
    s.m_choices = std::move(texts);
    s.m_min = 0;
    s.m_max = s.m_choices.empty() ? 0 : static_cast<double>(s.m_choices.size() - 1);
    s.m_def = std::clamp<double>(def, s.m_min, s.m_max);
    return s;
}

FilterParamValue FilterParamSpec::defaultValue() const
{
    FilterParamValue v;
    switch (m_type) {
    case kParamText:
        v.text = m_defText;
        break;
    case kParamFloat:
        v.real = static_cast<float>(m_def);
        break;
    default:
        v.whole = static_cast<std::int32_t>(m_def);
        break;
    }
    return v;
}

void FilterParamSpec::setWhole(FilterParamValue& v, std::int64_t whole) const
{
    if (m_type == kParamFlag)
        whole = whole != 0 ? 1 : 0;
    v.whole = static_cast<std::int32_t>(std::clamp<std::int64_t>(whole, static_cast<std::int64_t>(m_min),
                                                                  static_cast<std::int64_t>(m_max)));
}

bool FilterParamSpec::setFloat(FilterParamValue& v, double real) const
{
    if (std::isnan(real))
        return false;
    v.real = static_cast<float>(std::clamp(real, m_min, m_max));
    return true;
}

void FilterParamSpec::setText(FilterParamValue& v, std::string_view text) const
{
    v.text = Sanitised(text);
}

bool FilterParamSpec::setChoiceText(FilterParamValue& v, std::string_view text) const
{
    auto it = std::find(m_choices.begin(), m_choices.end(), text);
    if (it == m_choices.end())
        return false;
    v.whole = static_cast<std::int32_t>(it - m_choices.begin());
    return true;
}

int FilterParamSpec::choiceIndex(const FilterParamValue& v) const
{
    if (v.whole < 0 || static_cast<size_t>(v.whole) >= m_choices.size())
        return 0;
    return v.whole;
}

std::string FilterParamSpec::format(const FilterParamValue& v) const
{
    switch (m_type) {
    case kParamText:
        return v.text;
    case kParamFloat:
        return FormatC("%.9g", static_cast<double>(v.real));
    case kParamChoice:
        return m_choices.empty() ? std::string() : m_choices[static_cast<size_t>(choiceIndex(v))];
    default:
        return FormatC("%d", v.whole);
    }
}

bool FilterParamSpec::parse(FilterParamValue& v, std::string_view text) const
{
    switch (m_type) {
    case kParamText:
        setText(v, text);
        return true;
    case kParamFloat: {
        double real = 0;
        return ParseReal(text, real) && setFloat(v, real);
    }
    case kParamChoice:
        return setChoiceText(v, text);
    default: {
        std::int64_t whole = 0;
        if (!ParseWhole(text, whole))
            return false;
        setWhole(v, whole);
        return true;
    }
    }
}
