// "Hardware setup": the network adapter that leads to the control unit, the identity of
// the connected unit and five global switches of the parameter set (audio indicator,
// missed-traces mode, killswitch, bidirectional measurement, DC filter).
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <optional>

class CRavikApp;
class QCheckBox;
class QComboBox;
class QLabel;

class CCUSetup : public QDialog {
    Q_OBJECT
public:
    explicit CCUSetup(CRavikApp& app, QWidget* parent = nullptr);

    // The unit's identity word as shown: "Tolam - 0X1234", "Z5K - 0X1", else (no answer
    // or an unknown kind of unit) "No control unit connected".
    static QString UnitText(std::optional<std::uint32_t> id);

    // Fills the adapters (asked of the system now), the identity and the checks.
    void initDialog();
    void loadControls();
    bool readControls();
    void accept() override;

    // In: the saved adapter index; out after OK: the one chosen (kept when none is).
    int m_nAdapterIndex = 0;
    QString m_strUnitId;
    int m_nBeeper = 0;
    int m_nMissedTraces = 0;
    int m_nKillswitch = 0;
    int m_nBidirectional = 0;
    int m_nDcFilter = 1;

private:
    std::optional<std::uint32_t> ReadUnitId();

    CRavikApp& m_app;
    QComboBox* m_adapters = nullptr;
    QLabel* m_unitId = nullptr;
    QCheckBox* m_beeper = nullptr;
    QCheckBox* m_missed = nullptr;
    QCheckBox* m_killswitch = nullptr;
    QCheckBox* m_bidirectional = nullptr;
    QCheckBox* m_dcFilter = nullptr;
};

// The command "Hardware Setup": runs the dialog with the saved adapter `index` and gives
// the chosen one back on OK (true); the switches are stored in the parameter set.
bool RunHardwareSetup(CRavikApp& app, std::int16_t& index);
