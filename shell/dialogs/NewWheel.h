// "Wheel Calibration": counts the ticks of one wheel input of the control unit while the
// operator rolls the wheel over a known distance, and makes a wheel calibration (ticks per
// metre and direction) of it. The count runs only on a connected unit that is not
// measuring, because starting it resets the unit's wheel counter.
#pragma once

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <string>

class CRavikApp;
class CWheel;
class CReadoutWidget;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// TRIG TYPE below 128 names a wheel calibration: no more can be stored.
inline constexpr int kMaxWheelCalibrations = 128;

class CNewWheel : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 300;
    static constexpr std::size_t kNameMax = 20;

    explicit CNewWheel(CRavikApp& app, QWidget* parent = nullptr);
    ~CNewWheel() override;

    // Whether a count may be started now: a unit is connected and nothing is measured.
    static bool CanCount(const CRavikApp& app);

    // The members shown in the controls, and read back from them (false, with the
    // operator told why, when a value does not pass).
    void loadControls();
    bool readControls();

    void OnStartCalibration();
    void OnStopCalibration();
    // The calibration timer: the count is read and the calibration recomputed.
    void OnTimer();
    bool IsCounting() const { return m_timer.isActive(); }
    QTimer& Timer() { return m_timer; }

    // The wheel calibration made on OK: name, |calibration|, direction.
    CWheel Result() const;

    void accept() override;
    void reject() override;

    // Set on OK.
    std::int16_t m_nDirection = 1;
    double m_dDistance = 0.0;      // distance travelled, display units
    std::string m_strName;
    double m_dCalibration = 0.0;   // ticks per metre; negative while shown for a backward roll
    int m_nWheelSource = 16;       // 16 the master wheel, 0..7 the wheel of slot A..H
    std::int32_t m_nTicks = 0;     // count last read

private:
    void Recalculate();
    void ShowReadouts();
    int SourceFromCombo() const;
    void LockInputs(bool locked);

    CRavikApp& m_app;
    QTimer m_timer;
    QLineEdit* m_name = nullptr;
    QComboBox* m_source = nullptr;
    QLineEdit* m_distance = nullptr;
    QLabel* m_unitLabel = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    CReadoutWidget* m_ticksReadout = nullptr;
    CReadoutWidget* m_calibrationReadout = nullptr;
};

// The command "New wheel calibration": runs the dialog and, on OK, appends its wheel
// calibration to the parameter set. True on OK.
bool RunNewWheelCalibration(CRavikApp& app);
