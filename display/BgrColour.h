// Colours written as 0x00BBGGRR words (red in the low byte), as marker colours and the
// palette editor keep them, to QColor and back.
#pragma once

#include <QColor>

#include <cstdint>

inline QColor ColorFromBgr(std::uint32_t c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

inline std::uint32_t BgrFromColor(const QColor& c)
{
    return static_cast<std::uint32_t>(c.red()) | static_cast<std::uint32_t>(c.green()) << 8 |
           static_cast<std::uint32_t>(c.blue()) << 16;
}
