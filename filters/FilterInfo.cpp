#include "filters/FilterInfo.h"

#include <cstring>

void ParamSetFromChoice(paramSET& set, const FilterChoice& choice)
{
    set.texts.clear();
    for (std::int32_t i = 0; choice.texts && i < choice.count; ++i)
        set.texts.emplace_back(choice.texts[i] ? choice.texts[i] : "");
    set.selected = choice.selected ? *choice.selected : 0;
}

void StoreParamSetSelection(FilterChoice& choice, const paramSET& set)
{
    if (choice.selected)
        *choice.selected = set.selected;
}

namespace {

std::string Text(const char* text)
{
    return text ? std::string(text) : std::string();
}

std::unique_ptr<CPropertyBase> PropertyOf(const FilterParam& p)
{
    const std::array<std::uintptr_t, 3> reserved{p.word0, p.word16, p.word20};
    switch (p.type) {
    case kParamText:
        return std::make_unique<CBaseProperty<std::string>>(Text(p.name), p.type,
                                                            Text(reinterpret_cast<const char*>(p.value)), reserved);
    case kParamInteger:
    case kParamFlag:
        return std::make_unique<CBaseProperty<int>>(Text(p.name), p.type, static_cast<std::int32_t>(p.value),
                                                    reserved);
    case kParamFloat: {
        const std::uint32_t bits = static_cast<std::uint32_t>(p.value);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return std::make_unique<CBaseProperty<float>>(Text(p.name), p.type, value, reserved);
    }
    case kParamChoice: {
        // The choice itself stays with the library; the words say where and how to read it.
        void (*fromChoice)(paramSET&, const FilterChoice&) = ParamSetFromChoice;
        void (*storeSelection)(FilterChoice&, const paramSET&) = StoreParamSetSelection;
        const std::array<std::uintptr_t, 3> words{p.value, reinterpret_cast<std::uintptr_t>(fromChoice),
                                                  reinterpret_cast<std::uintptr_t>(storeSelection)};
        return std::make_unique<CBaseProperty<paramSET>>(Text(p.name), p.type, paramSET{}, words);
    }
    default:
        return nullptr;
    }
}

} // namespace

void CFilterInfo::Fill(const FilterInfo& record)
{
    m_name = Text(record.name);
    m_properties.clear();
    m_properties.push_back(
        std::make_unique<CBaseProperty<int>>("Enabled", kParamFlag, record.enabled, std::array<std::uintptr_t, 3>{}));
    for (std::int32_t i = 0; record.params && i < record.count; ++i)
        if (auto property = PropertyOf(record.params[i]))
            m_properties.push_back(std::move(property));
}

const CPropertyBase* CFilterInfo::GetProperty(int i) const
{
    return i >= 0 && i < GetPropertyCount() ? m_properties[static_cast<size_t>(i)].get() : nullptr;
}
