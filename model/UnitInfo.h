// What the data set needs to know of the connected control unit: whether it has slots
// (a modular unit: files per slot and channel) or is a single-channel unit (one set of
// files). The driver answers it; the data set asks under the driver lock.
#pragma once

class UnitInfo {
public:
    virtual ~UnitInfo() = default;
    // False only for a single-channel unit; true also when no unit has answered yet.
    virtual bool IsModularUnit() = 0;
};

// A fixed answer, for tools and tests and while no driver exists.
class FixedUnitInfo : public UnitInfo {
public:
    explicit FixedUnitInfo(bool modular = true) : m_bModular(modular) {}
    bool IsModularUnit() override { return m_bModular; }
    void SetModular(bool modular) { m_bModular = modular; }

private:
    bool m_bModular;
};
