#include "shell/dialogs/InfoDlg.h"

#include "filters/FilterChain.h"
#include "model/Prompter.h"
#include "model/RadHeader.h"
#include "model/RadarData.h"
#include "shell/AppDataSet.h"
#include "shell/MainFrame.h"
#include "shell/RavikApp.h"
#include "shell/dialogs/DataExchange.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kHeaderWriteError = 143;  // "Header write error: ..."

}  // namespace

CInfoDlg::CInfoDlg(CRavikApp& app, QWidget* parent) : QDialog(parent), m_app(app)
{
    setWindowTitle("Measurement information");
    auto* grid = new QGridLayout;
    int row = 0;
    auto add = [&](const char* label, int id, bool editable, const char* unit = nullptr) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString("c%1").arg(id));
        edit->setReadOnly(!editable);
        grid->addWidget(new QLabel(label, this), row, 0);
        grid->addWidget(edit, row, 1);
        if (unit) {
            auto* u = new QLabel(QString::fromUtf8(unit), this);
            grid->addWidget(u, row, 2);
        }
        ++row;
        return edit;
    };
    // In the order the values are exchanged.
    m_antenna = add("Antenna Name", 1013, false);
    m_comment = add("Comment", 1054, true);
    m_customer = add("Customer", 1206, true);
    m_samples = add("Number of Samples", 1020, false);
    m_stacks = add("Number of Stacks", 1025, false);
    m_operator = add("Operator", 1036, true);
    m_frequency = add("Sampling Frequency", 1016, false, "MHz");
    m_site = add("Site", 1052, true);
    m_window = add("Time Window", 1018, false, "ns");
    m_interval = add("Trace interval", 1023, false);
    m_intervalUnit = new QLabel("unit", this);
    m_intervalUnit->setObjectName("c1144");
    grid->addWidget(m_intervalUnit, row - 1, 2);
    m_separation = add("Antenna Separation", 1027, true);
    m_separationUnit = new QLabel("meters", this);
    m_separationUnit->setObjectName("c1146");
    grid->addWidget(m_separationUnit, row - 1, 2);
    for (QLineEdit* text : {m_antenna, m_comment, m_customer, m_operator, m_site})
        text->setMaxLength(static_cast<int>(CRadHeader::kTextMax));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("c1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("c2");
    connect(buttons, &QDialogButtonBox::accepted, this, &CInfoDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CInfoDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    initDialog();
}

CInfoDlg::~CInfoDlg() = default;

int CInfoDlg::CurrentChannel() const
{
    const int k = m_app.m_params.m_nCurSlot * 2 + m_app.m_params.m_nCurChannel;
    return std::clamp(k, 0, CMeasParamSet::kChannels - 1);
}

bool CInfoDlg::FileViewMode() const
{
    return m_app.m_status.m_bOldDataFile.load() != 0;
}

CRadHeader& CInfoDlg::Header()
{
    CRadarData* radar = m_app.DataSet() ? m_app.DataSet()->Radar() : nullptr;
    if (radar)
        return radar->GetChannel(CurrentChannel()).m_Header;
    if (!m_ownHeader)
        m_ownHeader = std::make_unique<CRadHeader>();
    return *m_ownHeader;
}

void CInfoDlg::initDialog()
{
    const CRadHeader& h = Header();
    const double factor = m_app.m_params.GetUnitFactor();
    m_strAntennaName = h.m_strAntennas;
    // Shown in the distance unit, a time interval too.
    m_dInterval = std::floor(h.m_dInterval / factor * 1000 + 0.5) / 1000;
    m_nSamples = h.m_nSamples;
    m_nStacks = h.m_nStacks;
    // A frequency no unit can have (0, negative, not finite) is unknown: no time window.
    MeasureInfo info{};
    info.samplingFrequency = h.m_fFrequency;
    const double frequency = FilterChain::Frequency(info);
    m_dFrequency = std::floor(frequency * 10 + 0.5) / 10;
    m_dTimeWindow = frequency > 0
        ? std::floor(10 * (static_cast<double>(static_cast<long long>(m_nSamples) * 1000) / frequency) + 0.5) / 10
        : 0.0;
    m_strComment = h.m_strComment;
    m_strCustomer = h.m_strCustomer;
    m_strOperator = h.m_strOperator;
    m_strSite = h.m_strSite;
    // While measuring or preparing, the header takes the channel's values when it is
    // written: the channel's separation is the one that counts.
    const float separation = FileViewMode() ? h.m_fAntennaSeparation
                                            : m_app.m_params.m_params[CurrentChannel()].m_fAntennaSeparation;
    m_fSeparation = static_cast<float>(separation / factor);
    std::string unit;
    m_app.m_params.GetUnitName(unit);
    m_intervalUnit->setText(dx::ShownText(unit));
    m_separationUnit->setText(dx::ShownText(unit));
    loadControls();
    m_shownSeparation = m_separation->text();
}

void CInfoDlg::loadControls()
{
    m_antenna->setText(dx::ShownText(m_strAntennaName));
    m_comment->setText(dx::ShownText(m_strComment));
    m_customer->setText(dx::ShownText(m_strCustomer));
    m_samples->setText(dx::FormatInt(m_nSamples));
    m_stacks->setText(dx::FormatInt(m_nStacks));
    m_operator->setText(dx::ShownText(m_strOperator));
    m_frequency->setText(dx::FormatDouble(m_dFrequency));
    m_site->setText(dx::ShownText(m_strSite));
    m_window->setText(dx::FormatDouble(m_dTimeWindow));
    m_interval->setText(dx::FormatDouble(m_dInterval));
    m_separation->setText(dx::FormatFloat(m_fSeparation));
}

bool CInfoDlg::readControls()
{
    Prompter& prompter = m_app.GetPrompter();
    float separation = 0;
    if (!dx::ReadFloat(m_separation, prompter, separation) ||
        !dx::CheckRange(m_separation, prompter, separation, kMinSeparation, kMaxSeparation))
        return false;
    m_fSeparation = separation;
    m_strComment = dx::FieldText(m_comment->text(), CRadHeader::kTextMax);
    m_strCustomer = dx::FieldText(m_customer->text(), CRadHeader::kTextMax);
    m_strOperator = dx::FieldText(m_operator->text(), CRadHeader::kTextMax);
    m_strSite = dx::FieldText(m_site->text(), CRadHeader::kTextMax);
    return true;
}

void CInfoDlg::accept()
{
    if (!readControls())
        return;
    CRadHeader& h = Header();
    const double factor = m_app.m_params.GetUnitFactor();
    h.m_strCustomer = m_strCustomer;
    h.m_strOperator = m_strOperator;
    h.m_strSite = m_strSite;
    h.m_strComment = m_strComment;
    const float metres = static_cast<float>(m_fSeparation * factor);
    h.m_fAntennaSeparation = metres;
    // Outside file-view mode the header is refreshed from the channel when written, so a
    // changed separation goes into the channel (an unchanged one may show a stale value).
    if (!FileViewMode() && m_separation->text() != m_shownSeparation)
        m_app.m_params.m_params[CurrentChannel()].m_fAntennaSeparation = metres;
    CRadarData* radar = m_app.DataSet() ? m_app.DataSet()->Radar() : nullptr;
    // Without a data set the header names no file: nothing to write.
    if (radar && !h.m_strPath.empty()) {
        const int k = CurrentChannel();
        if (radar->WriteHeader(k / 2, k % 2) != 0)
            m_app.GetPrompter().message(kHeaderWriteError);
    }
    QDialog::accept();
}

bool RunMeasurementInfo(CRavikApp& app)
{
    CInfoDlg dlg(app, app.MainWindow());
    return dlg.exec() == QDialog::Accepted;
}
