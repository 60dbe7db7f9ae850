#include "link/UnitSync.h"

#include "link/CDriver.h"
#include "model/MeasParamSet.h"

#include <cmath>

namespace {

constexpr double kLargestInterval = 0.1;
constexpr double kSmallestInterval = 1e-11;

}  // namespace

void ReadSampleIntervals(CDriver& driver, CMeasParamSet& params)
{
    const int slots = driver.IsModularUnit() ? CMeasParamSet::kSlots : 1;
    for (int slot = 0; slot < slots; ++slot) {
        if (driver.ReadModuleStatusByte(slot, 0).value_or(0) == 0)
            continue;
        for (int ramp = 0; ramp < CMeasParamSet::kRamps; ++ramp) {
            const auto value = driver.ReadSampleInterval(slot, ramp);
            if (!value)
                continue;
            double v = *value;
            if (std::isnan(v) || v > kLargestInterval || v < kSmallestInterval)
                v = kLargestInterval;
            params.SetSampleInterval(slot, ramp, v);
        }
    }
}

void SyncChannelsWithUnit(CDriver& driver, CMeasParamSet& params)
{
    if (!driver.IsModularUnit()) {
        for (CMeasParam& channel : params.m_params)
            channel.m_bActive = 0;
        params.m_params[0].m_bActive = 1;
        params.m_nCurSlot = 0;
        return;
    }
    for (int slot = 0; slot < CMeasParamSet::kSlots; ++slot) {
        const auto type = driver.ReadModuleType(slot);
        if (type && !IsPopulatedType(*type)) {
            params.m_params[slot * 2].m_bActive = 0;
            params.m_params[slot * 2 + 1].m_bActive = 0;
        }
    }
    for (int k = 0; k < CMeasParamSet::kChannels; ++k) {
        if (params.m_params[k].m_bActive) {
            params.m_nCurSlot = static_cast<std::int16_t>(k / 2);
            params.m_nCurChannel = static_cast<std::int16_t>(k % 2);
            break;
        }
    }
    for (int slot = 0; slot < CMeasParamSet::kSlots; ++slot) {
        if (driver.GetModuleType(slot) == kModuleHF)
            driver.WriteModuleRegister30(slot, 1);
    }
}
