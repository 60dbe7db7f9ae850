// "Options": the distance unit, the vertical scale (time or depth), the first arrival of
// the current channel and the ground velocity, shown in the distance unit. A click on a
// unit takes effect at once, even when the dialog is then cancelled.
#pragma once

#include <QDialog>

class CRavikApp;
class QButtonGroup;
class QLabel;
class QLineEdit;

class CUnitDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxFirstArrival = 2047;      // TIME ZERO counts samples of at most 2048
    static constexpr double kMaxVelocity = 300.0;      // metres per microsecond: light in vacuum

    explicit CUnitDlg(CRavikApp& app, QWidget* parent = nullptr);

    // Takes the values from the application and shows them.
    void initDialog();
    void loadControls();
    bool readControls();
    // A click on Meters, Feet or Inches (0, 1, 2).
    void OnUnitRadio(int unit);
    void accept() override;

    int m_nUnit = -1;          // 0 metres, 1 feet, 2 inches, -1 none
    int m_nFirstArrival = 0;   // samples
    int m_nScale = -1;         // 0 time, 1 depth, -1 none
    float m_fVelocity = 0.0f;  // distance units per microsecond

private:
    int CurrentChannel() const;
    static void Check(QButtonGroup* group, int id);

    CRavikApp& m_app;
    QButtonGroup* m_units = nullptr;
    QButtonGroup* m_scales = nullptr;
    QLineEdit* m_firstArrival = nullptr;
    QLineEdit* m_velocity = nullptr;
    QLabel* m_velocityUnit = nullptr;
};

// The command "Scales settings". True on OK.
bool RunUnitDialog(CRavikApp& app);
