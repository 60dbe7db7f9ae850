// One filter of a list: its kind, whether it is enabled, and its parameter values. It also
// holds the description records handed out for it, so that the pointers in them stay valid
// as long as the filter exists.
#pragma once

#include "filters/FilterKind.h"
#include "filters/FilterLibrary.h"

#include <string>
#include <string_view>
#include <vector>

class Filter {
public:
    explicit Filter(const FilterKind& kind); // enabled, every parameter at its default
    Filter(const Filter& other);             // same kind, state and values; records of its own
    Filter& operator=(const Filter&) = delete;

    const FilterKind& kind() const { return *m_kind; }
    const std::string& name() const { return m_kind->name(); }
    bool enabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }

    int paramCount() const { return static_cast<int>(m_values.size()); }
    const FilterParamSpec& spec(int i) const { return m_kind->params()[static_cast<size_t>(i)]; }
    // The value of parameter i; a choice index written through a description record is
    // made valid here.
    FilterParamValue value(int i) const;
    // Index of the parameter with that name, or -1.
    int find(std::string_view name) const;

    // Setters clamp to the parameter's range; false when i is no parameter of that type,
    // the float is NaN or the choice text unknown (value unchanged then).
    bool setWhole(int i, std::int64_t v);
    bool setFloat(int i, double v);
    bool setText(int i, std::string_view v);
    bool setChoice(int i, int index);
    bool setChoiceText(int i, std::string_view text);
    // Any type, from its text as stored in the filter list file.
    bool parse(int i, std::string_view text);
    std::string format(int i) const;

    bool sameSettings(const Filter& other) const;

    // Fills `info` with pointers into this filter. Names, records and choices stay where they
    // are for the filter's life; a text value's pointer until that value changes.
    void describe(FilterInfo& info);

    void apply(TraceBlock& block) const;

private:
    bool isType(int i, FilterParamType a, FilterParamType b) const;
    void buildRecords();

    const FilterKind* m_kind;
    bool m_enabled = true;
    std::vector<FilterParamValue> m_values; // one per parameter; never resized (records point in)

    std::vector<FilterParam> m_records;
    std::vector<FilterChoice> m_choices;
    std::vector<std::vector<const char*>> m_choiceTexts;
};
