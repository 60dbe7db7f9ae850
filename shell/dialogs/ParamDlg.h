// The acquisition parameters of the current channel: sampling frequency (range and
// divider), samples, stacks, signal position, antenna separation, trigger interval and the
// sensor, beeper and autostack flags. While the unit is connected and nothing is measured,
// a single trace is acquired with the values shown every 200 ms and drawn, so the operator
// sees their effect at once. The signal position can be searched automatically and the
// values saved as a new antenna preset.
//
// What the preview writes into the channel stays when the dialog is cancelled; OK commits
// the rest, the values the unit takes once per slot into both channels of the slot, and
// writes last_used_param. While a measurement runs the dialog only shows the values:
// nothing is written or acquired, and OK acts as Cancel.
#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>

class CMeasParam;
class CParamPreview;
class CRavikApp;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

class CParamDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPreviewMs = 200;

    CParamDlg(CRavikApp& app, QWidget* parent = nullptr);
    ~CParamDlg() override;

    // What acquires one trace of the current channel with its parameters: the number of
    // samples written to `out` (at most `capacity`), 0 when the unit gave none.
    using TraceSource = std::function<int(std::int16_t* out, int capacity)>;
    void SetTraceSource(TraceSource source) { m_acquire = std::move(source); }
    // What asks for the name of a new preset: false when the operator cancelled.
    using NameEntry = std::function<bool(QWidget* parent, QString& name)>;
    void SetNameEntry(NameEntry entry) { m_askName = std::move(entry); }

    QTimer& PreviewTimer() { return m_timer; }
    std::int16_t TimeZero() const { return m_nTimeZero; }
    int SignalPosition() const { return m_nSignalPos; }
    int Divider() const { return m_nDivider; }
    int Samples() const { return m_nSamples; }
    int Stacks() const { return m_nStacks; }
    const QString& PresetName() const { return m_strName; }

    // Timer 27: one preview cycle (acquire with the values shown, then draw).
    void OnTimer();
    void OnSearchSignalPos();
    void OnSaveAsPreset();
    void accept() override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum Slider { kDividerSlider, kSamplesSlider, kStacksSlider, kPositionSlider };

    void BuildControls();
    void OnInitDialog();
    void LoadControls();
    void ShowDerived();
    bool ReadControls();
    bool ReadInterval(double& interval);
    void ReadControlsLeniently();
    void ReadChecksAndSeparation();
    void ReadChecks();

    void OnHScroll(Slider which);
    void OnScrollAction();
    void OnSelchangeRange(int index);
    void OnAutostack();
    void ApplyAutostack();
    void OnArrivalDragged(int y);
    void MarkUserPreset();

    void UpdateFrequency();
    void UpdateTimeWindow();
    void UpdateStackingTime();
    bool LimitDivider();
    void ClampSignalPosition();
    void ClampSamplesAndStacks();
    void SyncSliders();
    void UpdateButtons();
    void DrawPreview();

    bool Acquire(std::int16_t* out, int capacity);
    void WritePreviewValues();
    void WriteOkValues(double interval);
    void RoundToWheelTicks(CMeasParam& channel);
    int ChannelIndex() const { return m_nSlot * 2 + m_nChannel; }
    bool WheelMode() const;
    bool KeyboardMode() const;
    bool Measuring() const;

    CRavikApp& m_app;
    TraceSource m_acquire;
    NameEntry m_askName;

    double m_dBasePeriod = 0.0;       // microseconds per divider step for the chosen range
    std::uint16_t m_nDivider = 1;     // 1..128
    QString m_strName;                // the preset name
    int m_nSamples = 0;
    int m_nStacks = 0;
    float m_fSeparation = 0.0f;       // display units
    int m_nSignalPos = 0;
    float m_fFrequency = 0.0f;        // MHz
    float m_fTimeWindow = 0.0f;       // ns
    int m_bBeeper = 0;
    int m_bEmSensor = 0;
    int m_bAutostack = 0;
    double m_dStackingTime = 0.0;     // seconds
    std::int16_t m_nTimeZero = 0;
    int m_nRange = 0;
    double m_dInterval = 0.0;         // display units, as read when the dialog opened
    std::int16_t m_nSlot = 0;
    std::int16_t m_nChannel = 0;
    bool m_bInitialised = false;
    bool m_bHasSlots = true;
    bool m_bMouseDown = false;        // a button held or the range list open: no preview
    std::array<std::int16_t, 2048> m_trace{};
    QTimer m_timer;

    QSlider* m_dividerSlider = nullptr;
    QSlider* m_samplesSlider = nullptr;
    QSlider* m_stacksSlider = nullptr;
    QSlider* m_positionSlider = nullptr;
    QComboBox* m_range = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QLineEdit* m_samplesEdit = nullptr;
    QLineEdit* m_stacksEdit = nullptr;
    QLineEdit* m_separationEdit = nullptr;
    QLineEdit* m_positionEdit = nullptr;
    QLineEdit* m_frequencyEdit = nullptr;
    QLineEdit* m_windowEdit = nullptr;
    QLineEdit* m_intervalEdit = nullptr;
    QLineEdit* m_stackingTimeEdit = nullptr;
    QLabel* m_intervalCaption = nullptr;
    QLabel* m_intervalUnit = nullptr;
    QLabel* m_separationUnit = nullptr;
    QLabel* m_moduleLabel = nullptr;
    QLabel* m_stackingTimeLabel = nullptr;
    QLabel* m_stackingTimeUnit = nullptr;
    QCheckBox* m_beeperCheck = nullptr;
    QCheckBox* m_emCheck = nullptr;
    QCheckBox* m_autostackCheck = nullptr;
    QPushButton* m_searchButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    CParamPreview* m_preview = nullptr;
};

// The channel parameters of (slot, channel), which become the current channel; over the
// main window. True on OK.
bool RunChannelParameters(CRavikApp& app, int slot, int channel);
