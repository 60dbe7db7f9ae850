#include "filters/FilterEditorModel.h"

#include "filters/FilterCatalogue.h"

#include <algorithm>

FilterEditorModel::FilterEditorModel(const FilterChain& list, const std::int16_t* traces, const MeasureInfo& info)
    : m_original(list), m_list(list), m_info(info)
{
    if (traces && info.traces > 0 && info.samplesPerTrace > 0 && info.samplesPerTrace <= kMaxSamplesPerTrace) {
        m_traces = info.traces;
        m_stride = info.samplesPerTrace;
        m_valid = FilterChain::ValidSamples(info);
        m_before.assign(traces, traces + static_cast<size_t>(m_traces) * static_cast<size_t>(m_stride));
    }
    m_info.traces = m_traces;
    m_info.samplesPerTrace = m_stride;
    if (m_list.size() > 0)
        m_selected = 0;
}

const std::vector<std::int16_t>& FilterEditorModel::after()
{
    if (m_afterRevision != m_revision) {
        m_after.resize(m_before.size());
        if (!m_before.empty())
            m_list.apply(m_before.data(), m_after.data(), m_info);
        m_afterRevision = m_revision;
    }
    return m_after;
}

std::vector<std::string> FilterEditorModel::catalogue() const
{
    std::vector<std::string> names;
    for (const FilterKind* kind : FilterCatalogue::Kinds())
        names.push_back(kind->name());
    return names;
}

void FilterEditorModel::select(int index)
{
    m_selected = index >= 0 && index < m_list.size() ? index : -1;
}

bool FilterEditorModel::touched(bool ok)
{
    if (ok)
        ++m_revision;
    return ok;
}

bool FilterEditorModel::add(const std::string& kindName)
{
    if (!m_list.add(kindName))
        return false;
    m_selected = m_list.size() - 1;
    return touched(true);
}

bool FilterEditorModel::removeSelected()
{
    if (!m_list.remove(m_selected))
        return false;
    m_selected = std::min(m_selected, m_list.size() - 1);
    return touched(true);
}

bool FilterEditorModel::moveUp()
{
    if (m_selected <= 0 || !m_list.move(m_selected, m_selected - 1))
        return false;
    --m_selected;
    return touched(true);
}

bool FilterEditorModel::moveDown()
{
    if (m_selected < 0 || !m_list.move(m_selected, m_selected + 1))
        return false;
    ++m_selected;
    return touched(true);
}

bool FilterEditorModel::setEnabled(int index, bool on)
{
    Filter* f = m_list.at(index);
    if (!f)
        return false;
    f->setEnabled(on);
    return touched(true);
}

bool FilterEditorModel::setWhole(int index, int param, std::int64_t value)
{
    Filter* f = m_list.at(index);
    return touched(f && f->setWhole(param, value));
}

bool FilterEditorModel::setFloat(int index, int param, double value)
{
    Filter* f = m_list.at(index);
    return touched(f && f->setFloat(param, value));
}

bool FilterEditorModel::setText(int index, int param, const std::string& value)
{
    Filter* f = m_list.at(index);
    return touched(f && f->setText(param, value));
}

bool FilterEditorModel::setChoice(int index, int param, int choice)
{
    Filter* f = m_list.at(index);
    return touched(f && f->setChoice(param, choice));
}
