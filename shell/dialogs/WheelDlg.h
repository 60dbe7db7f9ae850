// "Wheel Calibration List": the wheel calibrations of the parameter set, with New (a new
// calibration counted on the unit) and Delete. Nothing is saved here: the wheel file is
// written when the program ends.
#pragma once

#include <QDialog>
#include <QString>

class CRavikApp;
class CWheel;
class QListWidget;
class QPushButton;

class CWheelDlg : public QDialog {
    Q_OBJECT
public:
    explicit CWheelDlg(CRavikApp& app, QWidget* parent = nullptr);

    // "name (+ 1234.56)"; a wheel without a name gives an empty entry.
    static QString EntryText(const CWheel& wheel);

    void OnNew();
    void OnDelete();
    QListWidget* List() const { return m_list; }

private:
    void Fill();
    void UpdateNewButton();

    CRavikApp& m_app;
    QListWidget* m_list = nullptr;
    QPushButton* m_new = nullptr;
};

// The command "Edit Wheel List". True when closed with Close.
bool RunWheelList(CRavikApp& app);
