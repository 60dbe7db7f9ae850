#include "shell/MarkerSettings.h"

CMarkerSettings::CMarkerSettings()
    : m_Colour{0x0000FF, 0x00FF00, 0xFF0000, 0x9F9F9F, 0x3264C8, 0xC86432, 0x64C832, 0x6432C8, 0xC83264}
{
    m_bActive.fill(1);
    m_strText.fill(" ");
}

bool CMarkerSettings::IsActive(int n) const
{
    return n >= 1 && n <= kMarkers && m_bActive[static_cast<std::size_t>(n - 1)] != 0;
}

void CMarkerSettings::SetActive(int n, bool active)
{
    if (n >= 1 && n <= kMarkers)
        m_bActive[static_cast<std::size_t>(n - 1)] = active ? 1 : 0;
}
