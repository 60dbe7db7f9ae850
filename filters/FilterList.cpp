#include "filters/FilterList.h"

#include "filters/FilterEditorModel.h"

#include <algorithm>

CFilterList::CFilterList() : m_handle(FilterListCreate())
{
}

CFilterList::~CFilterList()
{
    if (m_handle != 0)
        FilterListDestroy(m_handle);
}

int CFilterList::Load(const std::string& path)
{
    const int result = FilterListLoad(m_handle, path.c_str());
    if (result != 0)
        Refresh();
    return result;
}

int CFilterList::Save(const std::string& path)
{
    return FilterListSave(m_handle, path.c_str());
}

int CFilterList::GetSize() const
{
    return FilterListGetSize(m_handle);
}

int CFilterList::RemoveFilter(int index)
{
    const int result = FilterListRemoveFilter(m_handle, index);
    if (result == 0)
        return result;
    // Remove by the library's position, not the mirror's: they differ after a filter could
    // not be described, and the wrong entry must not go.
    std::erase_if(m_mirror, [index](const auto& info) { return info->GetLibraryIndex() == index; });
    for (auto& info : m_mirror)
        if (info->GetLibraryIndex() > index)
            info->SetLibraryIndex(info->GetLibraryIndex() - 1);
    return result;
}

void CFilterList::Apply(const std::int16_t* in, std::int16_t* out, const CMeasureInfo& description) const
{
    FilterListApply(m_handle, in, out, description.GetInfo());
}

int CFilterList::Edit(std::int32_t word, const std::int16_t* traces, const CMeasureInfo& description)
{
    const int result = FilterListEdit(m_handle, word, traces, description.GetInfo());
    if (result != 0)
        Refresh();
    return result;
}

int CFilterList::Edit(std::int32_t word, const std::int16_t* traces, int traceCount, int samplesPerTrace,
                      const CMeasureInfo& description)
{
    CMeasureInfo block = description;
    const bool fits = traceCount > 0 && samplesPerTrace > 0 && samplesPerTrace <= FilterEditorModel::kMaxSamplesPerTrace;
    block.SetTraceCount(fits ? traceCount : 0);
    block.SetSamplesPerTrace(fits ? samplesPerTrace : 0);
    return Edit(word, fits ? traces : nullptr, block);
}

void CFilterList::Refresh()
{
    FilterInfo* record = FilterInfoCreate();
    m_mirror.clear();
    for (int i = 0; i < GetSize(); ++i) {
        if (FilterListGetFilter(m_handle, record, i) == 0)
            continue;
        auto info = std::make_unique<CFilterInfo>();
        info->Fill(*record);
        info->SetLibraryIndex(i);
        m_mirror.push_back(std::move(info));
    }
    FilterInfoDestroy(record);
}

const CFilterInfo* CFilterList::GetFilterInfo(int i) const
{
    return i >= 0 && i < GetMirrorSize() ? m_mirror[static_cast<size_t>(i)].get() : nullptr;
}
