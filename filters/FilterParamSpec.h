// What a filter parameter is (name, type, range, default) and the value one filter holds for
// it. Values are always kept inside their range: setters clamp, and text values never hold a
// line break or NUL, so that every value survives the filter list file unchanged.
#pragma once

#include "filters/FilterLibrary.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct FilterParamValue {
    std::int32_t whole = 0; // integer, flag (0 or 1) and choice index
    float real = 0.0f;      // float parameters
    std::string text;       // text parameters
};

class FilterParamSpec {
public:
    static FilterParamSpec Integer(std::string name, std::int32_t def, std::int32_t min, std::int32_t max);
    static FilterParamSpec Flag(std::string name, bool def);
    static FilterParamSpec Float(std::string name, float def, float min, float max);
    static FilterParamSpec Text(std::string name, std::string def);
    static FilterParamSpec Choice(std::string name, std::vector<std::string> texts, int def);

    const std::string& name() const { return m_name; }
    FilterParamType type() const { return m_type; }
    double minimum() const { return m_min; }
    double maximum() const { return m_max; }
    const std::vector<std::string>& choices() const { return m_choices; }

    FilterParamValue defaultValue() const;

    // Setters of a value of this parameter; each keeps the value valid. setFloat refuses
    // NaN (value unchanged, false); infinities clamp to the range.
    void setWhole(FilterParamValue& v, std::int64_t whole) const;
    bool setFloat(FilterParamValue& v, double real) const;
    void setText(FilterParamValue& v, std::string_view text) const;
    bool setChoiceText(FilterParamValue& v, std::string_view text) const;

    // The selected index of a choice value, made valid (an index written from outside may
    // be anything).
    int choiceIndex(const FilterParamValue& v) const;

    // The value as the filter list file stores it, and back. parse returns false when the
    // text does not make a value of this type; the value is then left as it was.
    std::string format(const FilterParamValue& v) const;
    bool parse(FilterParamValue& v, std::string_view text) const;

private:
    std::string m_name;
    FilterParamType m_type = kParamInteger;
    double m_min = 0, m_max = 0, m_def = 0;
    std::string m_defText;
    std::vector<std::string> m_choices;
};
