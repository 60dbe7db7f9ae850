#include "filters/FilterKind.h"

#include <cstring>

void TraceBlock::passThrough() const
{
    if (inPlace() || valid <= 0)
        return;
    for (int t = 0; t < traces; ++t)
        std::memmove(trace(t), input(t), static_cast<size_t>(valid) * sizeof(std::int16_t));
}
