// The data set's view of the connected unit, answered by the driver: whether the unit
// has slots. The data set asks under the driver lock.
#pragma once

#include "link/CDriver.h"
#include "model/UnitInfo.h"

class DriverUnitInfo : public UnitInfo {
public:
    explicit DriverUnitInfo(CDriver& driver) : m_driver(driver) {}
    bool IsModularUnit() override { return m_driver.IsModularUnit(); }

private:
    CDriver& m_driver;
};
