// The control unit as the application object drives it: the command set (CDriver) over the
// raw-Ethernet link. It also tells the data set whether the unit has slots.
#pragma once

#include "link/CDriver.h"
#include "model/UnitInfo.h"
#include "shell/ControlUnit.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Prompter;

class CDriverUnit : public ControlUnit, public UnitInfo {
public:
    // `interfaceIndex` is the application's saved adapter index ("Iface_index"), which the
    // link reads when it opens and limits to the adapters present; `descriptions` receives
    // the adapters' descriptions at every open. Both must outlive the unit.
    CDriverUnit(const std::int16_t* currentSlot, std::int16_t& interfaceIndex,
                std::vector<std::string>& descriptions, Prompter& prompter,
                std::unique_ptr<FrameTransport> transport = nullptr,
                std::unique_ptr<AdapterLister> lister = nullptr);

    bool Detect() override;
    int SetCountry(std::uint8_t country) override { return m_driver.SetCountry(country); }
    void SyncChannelsWithUnit(CMeasParamSet& params) override;
    void ReadSampleIntervals(CMeasParamSet& params) override;
    int StopAcquisition() override { return m_driver.StopAcquisition(); }
    int OpenLink() override;
    void CloseLink() override { m_driver.Link().Close(); }
    bool IsModularUnit() override { return m_driver.IsModularUnit(); }
    int GetModuleType(int slot) override { return m_driver.GetModuleType(slot); }
    std::optional<std::uint8_t> ReadModuleStatusByte(int slot, std::int16_t index) override
    {
        return m_driver.ReadModuleStatusByte(slot, index);
    }
    int SetTriggerSource(int address, std::uint8_t kind, int source) override
    {
        return m_driver.SetTriggerSource(address, kind, source);
    }
    int EnableWheel(int address) override { return m_driver.EnableWheel(address); }
    int DisableWheel(int address) override { return m_driver.DisableWheel(address); }
    int SetWheelCounter(int address, std::int16_t run, int start) override
    {
        return m_driver.SetWheelCounter(address, run, start);
    }
    std::optional<std::uint32_t> ReadWheelCounter(int address) override { return m_driver.ReadWheelCounter(address); }
    std::optional<std::uint32_t> ReadUnitInfo(int address, std::uint8_t item) override
    {
        return m_driver.ReadUnitInfo(address, item);
    }
    std::vector<std::string> ListAdapters() override;

    CDriver& Driver() { return m_driver; }

private:
    void TakeAdapterChoice();

    std::int16_t& m_interfaceIndex;
    std::vector<std::string>& m_descriptions;
    AdapterChoice m_choice;
    CDriver m_driver;
};
