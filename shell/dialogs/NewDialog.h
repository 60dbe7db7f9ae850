// "Measurement Settings": the next measurement's base file name and data folder, the
// acquisition mode (wheel, time or keyboard), the wheel and wheel source, the reverse
// direction, and which slot and channel is current and whether it is active. From here the
// operator loads an antenna preset into the current channel, edits the channel's
// parameters and enters the measurement information.
//
// Most choices reach the parameter set at once (slot or channel changed, Antenna
// Settings, OK), so Cancel keeps them; the settings files are not written here.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <string>

class CRavikApp;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CNewDialog : public QDialog {
    Q_OBJECT
public:
    // The windows this dialog opens, and what it asks of the rest of the program; each has
    // a default that runs the program's own.
    struct Children {
        // The preset chosen in the antenna preset list; -1 when cancelled.
        std::function<int(QWidget* parent)> choosePreset;
        // The channel parameters of the current channel.
        std::function<void(QWidget* parent)> channelParameters;
        // The measurement information.
        std::function<void(QWidget* parent)> additionalInfo;
        // A folder for the data files; empty when cancelled.
        std::function<QString(QWidget* parent)> chooseFolder;
        // The channel navigator shows the channels again (after OK).
        std::function<void()> rebuildNavigator;
    };

    static constexpr int kMaxPathLength = 260;  // data folder plus base name

    CNewDialog(CRavikApp& app, QWidget* parent = nullptr);

    Children& Child() { return m_children; }
    // The folder text as the dialog last took it from its field (OK, a slot or channel
    // change, Antenna Settings) or from Browse; the program's data folder after either button.
    const std::string& Directory() const { return m_strDir; }

    void OnSelchangeMode();
    void OnSelchangeSlotChannel();
    void OnLoadPreset();
    void OnAntennaSettings();
    void OnAdditionalInfo();
    void OnBrowse();
    void accept() override;

private:
    void BuildControls();
    void OnInitDialog();
    void FillWheels();
    void FillSlots();
    void LoadControls();
    void ReadControls();
    void ApplySettings();
    void ReflectSettings();
    void ShowPresetName();
    void SelectCurrentChannel();
    void SelectSavedWheelSource();
    bool MoveToFirstActiveChannel();
    int ComboSlot() const;
    int CurrentIndex() const;

    CRavikApp& m_app;
    Children m_children;
    std::string m_strBaseName;
    std::string m_strDir;
    int m_bActive = 0;
    int m_bReverse = 0;
    bool m_bHasSlots = true;

    QLineEdit* m_baseEdit = nullptr;
    QLineEdit* m_dirEdit = nullptr;
    QLineEdit* m_presetEdit = nullptr;
    QCheckBox* m_activeCheck = nullptr;
    QCheckBox* m_reverseCheck = nullptr;
    QComboBox* m_mode = nullptr;
    QComboBox* m_wheel = nullptr;
    QComboBox* m_wheelSource = nullptr;
    QComboBox* m_slot = nullptr;
    QComboBox* m_channel = nullptr;
    QLabel* m_slotLabel = nullptr;
    QLabel* m_channelLabel = nullptr;
    QLabel* m_wheelSourceLabel = nullptr;
};

// Measurement Settings over the main window: the folder text the dialog closed with.
std::string RunMeasurementSettings(CRavikApp& app);
