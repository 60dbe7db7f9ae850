// "Antenna preset list": the antenna presets by name, to pick one (Load preset of the
// measurement settings) or to delete presets (Tools > Edit Antenna List). Deletions take
// effect at once; the preset file is written when the program ends.
#pragma once

#include <QDialog>

class CMeasParamSet;
class CRavikApp;
class Prompter;
class QListWidget;
class QWidget;

class CAntennaDlg : public QDialog {
    Q_OBJECT
public:
    CAntennaDlg(CMeasParamSet& params, Prompter& prompter, QWidget* parent = nullptr);

    // The preset chosen with OK; -1 before OK. OK without a selection cancels.
    int SelectedIndex() const { return m_nSelected; }

    void accept() override;
    void OnRemovePreset();

private:
    void FillList();

    CMeasParamSet& m_params;
    Prompter& m_prompter;
    int m_nSelected = -1;
    QListWidget* m_list = nullptr;
};

// Tools > Edit Antenna List, over the main window: true on OK.
bool RunAntennaList(CRavikApp& app);
