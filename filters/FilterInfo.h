// The program's copy of one filter of the list, as the library described it: its name and
// its properties, the first always "Enabled", then one per parameter of a known type.
#pragma once

#include "filters/FilterLibrary.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The value of a choice parameter: the texts offered and the selected index.
struct paramSET {
    std::vector<std::string> texts;
    std::int32_t selected = 0;
};

// Copies a library choice into `set`: its texts in order (a null text reads as empty) and
// the selected index (0 when the choice has no selection pointer).
void ParamSetFromChoice(paramSET& set, const FilterChoice& choice);
// Writes the selected index of `set` back through the choice's selection pointer.
void StoreParamSetSelection(FilterChoice& choice, const paramSET& set);

// What every property offers, whatever the type of its value.
class CPropertyBase {
public:
    virtual ~CPropertyBase() = default;
    virtual const std::string& GetName() const = 0;
    virtual std::int32_t GetType() const = 0;
    virtual std::int32_t GetFlag() const = 0;
    // The three words kept with the value: for types 0 to 3 the library entry's reserved
    // words; for a choice the FilterChoice pointer, ParamSetFromChoice and
    // StoreParamSetSelection.
    virtual std::uintptr_t GetWord(int i) const = 0;
};

template <class T>
class CBaseProperty : public CPropertyBase {
public:
    CBaseProperty(std::string name, std::int32_t type, T value, std::array<std::uintptr_t, 3> words)
        : m_name(std::move(name)), m_type(type), m_value(std::move(value)), m_words(words)
    {
    }

    const std::string& GetName() const override { return m_name; }
    std::int32_t GetType() const override { return m_type; }
    std::int32_t GetFlag() const override { return m_flag; }
    std::uintptr_t GetWord(int i) const override
    {
        return i >= 0 && i < 3 ? m_words[static_cast<size_t>(i)] : 0;
    }
    const T& GetValue() const { return m_value; }

private:
    std::string m_name;
    std::int32_t m_type;
    std::int32_t m_flag = 1;
    T m_value;
    std::array<std::uintptr_t, 3> m_words;
};

class CFilterInfo {
public:
    CFilterInfo() = default;
    virtual ~CFilterInfo() = default;
    CFilterInfo(const CFilterInfo&) = delete;
    CFilterInfo& operator=(const CFilterInfo&) = delete;

    // Replaces name and properties with those of `record`. Parameters of an unknown type
    // code are left out; the ones after them still appear.
    void Fill(const FilterInfo& record);

    const std::string& GetName() const { return m_name; }
    int GetPropertyCount() const { return static_cast<int>(m_properties.size()); }
    // nullptr when i is out of range.
    const CPropertyBase* GetProperty(int i) const;

    // Position of the described filter in the library's list. The mirror may skip a filter
    // the library could not describe, so a mirror position is not always a list position.
    int GetLibraryIndex() const { return m_libraryIndex; }
    void SetLibraryIndex(int index) { m_libraryIndex = index; }

private:
    std::string m_name;
    std::vector<std::unique_ptr<CPropertyBase>> m_properties;
    int m_libraryIndex = -1;
};
