#include "link/AcquisitionConfig.h"

#include "link/AcquisitionStatus.h"
#include "model/MeasParamSet.h"

#include <algorithm>

CAcquisitionConfig::Mode CAcquisitionConfig::ModeOf(std::uint8_t trigType)
{
    if (trigType < 128)
        return Mode::Wheel;
    return trigType == 255 ? Mode::Keyboard : Mode::Time;
}

CAcquisitionConfig CAcquisitionConfig::Take(const CMeasParamSet& params, const CAcquisitionStatus& status)
{
    CAcquisitionConfig c;
    c.mode = ModeOf(params.m_nTrigType);
    for (int k = 0; k < kChannels; ++k)
        c.active[static_cast<std::size_t>(k)] = params.m_params[k].m_bActive != 0;
    for (int s = 0; s < kSlots; ++s) {
        c.emSensor[static_cast<std::size_t>(s)] = params.m_params[s * 2].m_bEmSensor != 0;
        c.step[static_cast<std::size_t>(s)] = status.m_nSlotStep[static_cast<std::size_t>(s)];
    }
    c.currentSlot = std::clamp<int>(params.m_nCurSlot, 0, kSlots - 1);
    c.currentChannel = std::clamp<int>(params.m_nCurChannel, 0, 1);
    // A current slot without an active channel has no step: the counts then go by 1.
    c.interval = std::max<std::int64_t>(c.step[static_cast<std::size_t>(c.currentSlot)], 1);
    c.timeBase = status.m_nTimeBase;
    c.travel = (c.mode == Mode::Wheel && status.m_nDistanceMultiplier < 0) ? -1 : 1;
    c.dcFilter = params.m_bDcFilter != 0;
    c.missedTraceMode = params.m_nMissedTraceMode != 0;
    return c;
}
