// Whether the connected unit has slots, as the data set asks it: the control unit answers
// once it is built; before that, and without one, the answer is a unit with slots.
#pragma once

#include "model/UnitInfo.h"
#include "shell/ControlUnit.h"

#include <functional>

class CAppUnitInfo : public UnitInfo {
public:
    explicit CAppUnitInfo(std::function<ControlUnit*()> unit) : m_unit(std::move(unit)) {}
    bool IsModularUnit() override
    {
        ControlUnit* unit = m_unit();
        return unit ? unit->IsModularUnit() : true;
    }

private:
    std::function<ControlUnit*()> m_unit;
};
