// "GPS Settings": the serial port (of those present), protocol, baud rate, parity, data
// bits and stop bits of the GPS receiver, and the format of the GPS logs. Reception is off
// while the dialog shows; OK switches it on with the chosen settings, Cancel brings back
// the state it had.
#pragma once

#include "model/GpsSettingsTarget.h"

#include <QDialog>

#include <vector>

class CRavikApp;
class Profile;
class QComboBox;

class CGPSDlg : public QDialog {
    Q_OBJECT
public:
    // `profile` names the device behind each port ("Device COMn").
    CGPSDlg(GpsSettingsTarget& gps, const Profile& profile, QWidget* parent = nullptr);

    // The ports COM1: to COM12: (0-based) whose device is there: it opens, or is busy or
    // refused to us, or is the receiver's own open port.
    void ProbePorts();
    const std::vector<int>& PresentPorts() const { return m_ports; }

    // Probes the ports, switches reception off and fills the lists from the receiver.
    void initDialog();
    void accept() override;
    void reject() override;

private:
    QComboBox* AddList(int id);
    static int Selected(const QComboBox* list, int current, int size, int fallback);

    GpsSettingsTarget& m_gps;
    const Profile& m_profile;
    std::vector<int> m_ports;
    bool m_wasOpen = false;
    bool m_initialised = false;
    QComboBox* m_format = nullptr;
    QComboBox* m_port = nullptr;
    QComboBox* m_protocol = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_parity = nullptr;
    QComboBox* m_dataBits = nullptr;
    QComboBox* m_stopBits = nullptr;
};

// The command "GPS Setup". True on OK.
bool RunGpsSetup(CRavikApp& app);
