#include "shell/MarkerSettings.h"

#include "model/Profile.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::array<std::uint32_t, CMarkerSettings::kMarkers> kDefaultColours = {
    0x0000FF, 0x00FF00, 0xFF0000, 0x9F9F9F, 0x3264C8, 0xC86432, 0x64C832, 0x6432C8, 0xC83264};

} // namespace

CMarkerSettings::CMarkerSettings() : m_Colour(kDefaultColours)
{
    m_bActive.fill(1);
    m_strText.fill(" ");
}

CMarkerSettings::CMarkerSettings(const Profile& profile) : CMarkerSettings()
{
    Load(profile);
}

std::string CMarkerSettings::CutComment(const std::string& text)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A character starts at every byte that does not continue a UTF-8 sequence.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++characters > kCommentLength)
            return text.substr(0, i);
    }
    return text;
}

void CMarkerSettings::Load(const Profile& profile)
{
    std::string rest = profile.getString(kSection, kTextKey, "");
    const auto mask = static_cast<std::uint32_t>(profile.getInt(kSection, kActiveKey, 0xFFFF)) & 0xFFFFu;
    for (int k = 0; k < kMarkers; ++k) {
        std::string comment = " ";
        if (!rest.empty()) {
            const std::size_t bar = rest.find('|');
            if (bar == std::string::npos) {
                comment.clear();
            } else {
                comment = rest.substr(0, bar);
                rest.erase(0, bar + 1);
            }
        }
        m_strText[static_cast<std::size_t>(k)] = CutComment(comment);
        m_bActive[static_cast<std::size_t>(k)] = (mask >> k) & 1u;
    }

    m_Colour = kDefaultColours;
    std::vector<std::uint8_t> bytes;
    if (!profile.getBinary(kSection, kColoursKey, bytes))
        return;
    const std::size_t whole = std::min<std::size_t>(bytes.size() / 4, kMarkers);
    for (std::size_t k = 0; k < whole; ++k) {
        const std::uint8_t* b = &bytes[4 * k];
        m_Colour[k] = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                      std::uint32_t(b[3]) << 24;
    }
}

bool CMarkerSettings::Save(Profile& profile) const
{
    std::uint32_t mask = 0;
    std::vector<std::uint8_t> colours;
    std::string text;
    for (int k = 0; k < kMarkers; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (m_bActive[i])
            mask |= 1u << k;
        for (int shift = 0; shift < 32; shift += 8)
            colours.push_back(static_cast<std::uint8_t>(m_Colour[i] >> shift));
        // A "|" inside a comment would shift every later comment at the next load.
        std::string comment = CutComment(m_strText[i]);
        std::replace(comment.begin(), comment.end(), '|', ' ');
        text += comment + "|";
    }
    bool ok = profile.writeInt(kSection, kActiveKey, static_cast<std::int32_t>(mask));
    ok = profile.writeBinary(kSection, kColoursKey, colours) && ok;
    ok = profile.writeString(kSection, kTextKey, text) && ok;
    return ok;
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
