// "Measurement information": the main values of the current channel's .rad header, and the
// free texts (operator, customer, site, comment) and antenna separation the operator types
// for it. OK stores them in the header and rewrites the channel's .rad file.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

class CRadHeader;
class CRavikApp;
class QLabel;
class QLineEdit;

class CInfoDlg : public QDialog {
    Q_OBJECT
public:
    // The separation is a float: its bounds are too, or a typed or stored 0.01 falls below
    // the double 0.01.
    static constexpr float kMinSeparation = 0.01f;
    static constexpr float kMaxSeparation = 100.0f;

    explicit CInfoDlg(CRavikApp& app, QWidget* parent = nullptr);
    ~CInfoDlg() override;

    // Takes the values of the current channel's header and shows them.
    void initDialog();
    void loadControls();
    bool readControls();
    void accept() override;

    std::string m_strAntennaName;
    std::string m_strComment;
    std::string m_strCustomer;
    int m_nSamples = 0;
    int m_nStacks = 0;
    std::string m_strOperator;
    double m_dFrequency = 0.0;    // MHz
    std::string m_strSite;
    double m_dTimeWindow = 0.0;   // ns
    double m_dInterval = 0.0;     // display units (seconds for timed traces)
    float m_fSeparation = 0.1f;   // display units

private:
    CRadHeader& Header();
    int CurrentChannel() const;
    bool FileViewMode() const;

    CRavikApp& m_app;
    // Where the header lives while no data set can be had.
    std::unique_ptr<CRadHeader> m_ownHeader;
    QString m_shownSeparation;
    QLineEdit* m_antenna = nullptr;
    QLineEdit* m_comment = nullptr;
    QLineEdit* m_customer = nullptr;
    QLineEdit* m_samples = nullptr;
    QLineEdit* m_stacks = nullptr;
    QLineEdit* m_operator = nullptr;
    QLineEdit* m_frequency = nullptr;
    QLineEdit* m_site = nullptr;
    QLineEdit* m_window = nullptr;
    QLineEdit* m_interval = nullptr;
    QLineEdit* m_separation = nullptr;
    QLabel* m_intervalUnit = nullptr;
    QLabel* m_separationUnit = nullptr;
};

// The command "Measurement info. (F3)". True on OK.
bool RunMeasurementInfo(CRavikApp& app);
