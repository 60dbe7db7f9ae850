#include "shell/dialogs/CUSetup.h"

#include "model/Prompter.h"
#include "shell/MainFrame.h"
#include "shell/RavikApp.h"
#include "shell/dialogs/DataExchange.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cstdio>
#include <mutex>

namespace {

QCheckBox* MakeCheck(QWidget* parent, const char* text, int id)
{
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(QString("c%1").arg(id));
    return check;
}

}  // namespace

CCUSetup::CCUSetup(CRavikApp& app, QWidget* parent) : QDialog(parent), m_app(app)
{
    setWindowTitle("Hardware setup");
    m_beeper = MakeCheck(this, "Enable a&udio indicator", 1080);
    m_missed = MakeCheck(this, "Enable \"Missed traces mode\"", 1136);
    m_killswitch = MakeCheck(this, "Enable killswitch", 1139);
    m_bidirectional = MakeCheck(this, "Enable bidirectional measurement", 1201);
    m_dcFilter = MakeCheck(this, "Enable DC filter during measurement", 1202);
    auto* general = new QGroupBox("General settings", this);
    auto* generalLayout = new QVBoxLayout(general);
    for (QCheckBox* c : {m_beeper, m_missed, m_killswitch, m_bidirectional, m_dcFilter})
        generalLayout->addWidget(c);

    m_adapters = new QComboBox(this);
    m_adapters->setObjectName("c1089");
    m_unitId = new QLabel("103", this);
    m_unitId->setObjectName("c1171");
    auto* ethernet = new QGroupBox("Ethernet interface", this);
    auto* ethernetLayout = new QVBoxLayout(ethernet);
    ethernetLayout->addWidget(m_adapters);
    auto* version = new QHBoxLayout;
    version->addWidget(new QLabel("Hardware version :", this));
    version->addWidget(m_unitId, 1);
    ethernetLayout->addLayout(version);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("c1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("c2");
    connect(buttons, &QDialogButtonBox::accepted, this, &CCUSetup::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCUSetup::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ethernet);
    layout->addWidget(general);
    layout->addWidget(buttons);
}

QString CCUSetup::UnitText(std::optional<std::uint32_t> id)
{
    if (id) {
        const unsigned low = *id & 0x0FFFFFFFu;
        const char* kind = (*id >> 28) == 1 ? "Tolam" : (*id >> 28) == 2 ? "Z5K" : nullptr;
        // The C library's "%#X" writes the prefix "0X" as the unit's papers have it (Qt's
        // own formatting would write "0x").
        char text[40];
        if (kind) {
            std::snprintf(text, sizeof text, "%s - %#X", kind, low);
            return QString::fromLatin1(text);
        }
    }
    return QStringLiteral("No control unit connected");
}

std::optional<std::uint32_t> CCUSetup::ReadUnitId()
{
    // Without a connected unit there is nobody to ask: never show an earlier answer.
    if (!m_app.Unit() || !m_app.m_status.IsConnected())
        return std::nullopt;
    std::lock_guard driver(m_app.m_locks.Driver);
    return m_app.Unit()->ReadUnitInfo(0, 1);
}

void CCUSetup::initDialog()
{
    const std::vector<std::string> adapters =
        m_app.Unit() ? m_app.Unit()->ListAdapters() : m_app.m_adapterDescriptions;
    {
        const QSignalBlocker block(m_adapters);
        m_adapters->clear();
        for (const std::string& description : adapters)
            m_adapters->addItem(dx::ShownText(description));
    }
    m_strUnitId = UnitText(ReadUnitId());
    const CMeasParamSet& params = m_app.m_params;
    m_nBeeper = params.m_bBeeper != 0;
    m_nMissedTraces = params.m_nMissedTraceMode != 0;
    m_nKillswitch = params.m_nCountry != 0;
    m_nBidirectional = params.m_bBidirectional != 0;
    m_nDcFilter = params.m_bDcFilter != 0;
    loadControls();
}

void CCUSetup::loadControls()
{
    const QSignalBlocker block(m_adapters);
    m_adapters->setCurrentIndex(m_nAdapterIndex < m_adapters->count() ? m_nAdapterIndex : -1);
    m_unitId->setText(m_strUnitId);
    m_beeper->setChecked(m_nBeeper != 0);
    m_missed->setChecked(m_nMissedTraces != 0);
    m_killswitch->setChecked(m_nKillswitch != 0);
    m_bidirectional->setChecked(m_nBidirectional != 0);
    m_dcFilter->setChecked(m_nDcFilter != 0);
}

bool CCUSetup::readControls()
{
    // With no adapter chosen (none present, or the saved one gone) the saved index stays.
    if (m_adapters->currentIndex() >= 0)
        m_nAdapterIndex = m_adapters->currentIndex();
    m_nBeeper = m_beeper->isChecked();
    m_nMissedTraces = m_missed->isChecked();
    m_nKillswitch = m_killswitch->isChecked();
    m_nBidirectional = m_bidirectional->isChecked();
    m_nDcFilter = m_dcFilter->isChecked();
    return true;
}

void CCUSetup::accept()
{
    if (!readControls())
        return;
    CMeasParamSet& params = m_app.m_params;
    params.m_bBeeper = static_cast<std::uint8_t>(m_nBeeper);
    params.m_nMissedTraceMode = static_cast<std::uint8_t>(m_nMissedTraces);
    // The killswitch is the unit's country code: sent at start-up and at every start.
    params.m_nCountry = static_cast<std::int16_t>(m_nKillswitch);
    params.m_bBidirectional = static_cast<std::uint8_t>(m_nBidirectional);
    params.m_bDcFilter = static_cast<std::uint8_t>(m_nDcFilter);
    QDialog::accept();
}

bool RunHardwareSetup(CRavikApp& app, std::int16_t& index)
{
    CCUSetup dlg(app, app.MainWindow());
    dlg.m_nAdapterIndex = index;
    dlg.initDialog();
    if (dlg.exec() != QDialog::Accepted)
        return false;
    index = static_cast<std::int16_t>(dlg.m_nAdapterIndex);
    return true;
}
