#include "shell/DriverUnit.h"

#include "link/UnitSync.h"

CDriverUnit::CDriverUnit(const std::int16_t* currentSlot, std::int16_t& interfaceIndex,
                         std::vector<std::string>& descriptions, Prompter& prompter,
                         std::unique_ptr<FrameTransport> transport, std::unique_ptr<AdapterLister> lister)
    : m_interfaceIndex(interfaceIndex),
      m_descriptions(descriptions),
      m_driver(currentSlot, std::move(transport), std::move(lister))
{
    m_driver.Link().BindAdapterChoice(&m_choice);
    m_driver.Link().SetPrompter(&prompter);
}

bool CDriverUnit::Detect()
{
    m_choice.interfaceIndex = m_interfaceIndex;
    const bool found = m_driver.Detect() != 0;
    TakeAdapterChoice();
    return found;
}

int CDriverUnit::OpenLink()
{
    m_choice.interfaceIndex = m_interfaceIndex;
    const int result = m_driver.Link().Open();
    TakeAdapterChoice();
    return result;
}

void CDriverUnit::TakeAdapterChoice()
{
    // The link opened on the adapter the profile names and kept the index within the
    // adapters present; the application keeps what the link made of it.
    m_interfaceIndex = m_choice.interfaceIndex;
    m_descriptions = m_choice.descriptions;
}

void CDriverUnit::SyncChannelsWithUnit(CMeasParamSet& params)
{
    ::SyncChannelsWithUnit(m_driver, params);
}

void CDriverUnit::ReadSampleIntervals(CMeasParamSet& params)
{
    ::ReadSampleIntervals(m_driver, params);
}

std::vector<std::string> CDriverUnit::ListAdapters()
{
    std::vector<std::string> descriptions;
    if (m_driver.Link().LoadAdapterList() != 0)
        return descriptions;
    for (const Adapter& a : m_driver.Link().Adapters())
        descriptions.push_back(a.description);
    return descriptions;
}
