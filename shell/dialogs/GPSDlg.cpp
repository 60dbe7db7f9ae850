#include "shell/dialogs/GPSDlg.h"

#include "gps/ComPortMap.h"
#include "gps/SerialOptions.h"
#include "model/Prompter.h"
#include "shell/MainFrame.h"
#include "shell/PositionBar.h"
#include "shell/RavikApp.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Whether the device at `path` is there for the operator to choose.
bool DevicePresent(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    // Busy (another program holds it) or refused to us: it exists all the same. A node
    // without a device behind it (ENODEV, ENXIO, EIO) is no port.
    return errno == EBUSY || errno == EACCES || errno == EPERM;
}

template <typename Table, typename Text>
void Fill(QComboBox* list, const Table& table, int current, Text text)
{
    const QSignalBlocker block(list);
    list->clear();
    for (int i = 0; i < static_cast<int>(table.size()); ++i)
        list->addItem(text(table[static_cast<std::size_t>(i)]), i);
    list->setCurrentIndex(list->findData(current));
}

QString Name(const char* name)
{
    return QString::fromLatin1(name);
}

QString Number(int value)
{
    return QString::number(value);
}

}  // namespace

CGPSDlg::CGPSDlg(GpsSettingsTarget& gps, const Profile& profile, QWidget* parent)
    : QDialog(parent), m_gps(gps), m_profile(profile)
{
    setWindowTitle("GPS Settings");
    m_format = AddList(1044);
    m_port = AddList(1053);
    m_protocol = AddList(1055);
    m_baud = AddList(1047);
    m_parity = AddList(1049);
    m_dataBits = AddList(1050);
    m_stopBits = AddList(1051);

    auto* format = new QHBoxLayout;
    format->addWidget(new QLabel("Output file format:", this));
    format->addWidget(m_format, 1);

    auto* serial = new QGroupBox("Serial port settings", this);
    serial->setObjectName("c1200");
    auto* grid = new QGridLayout(serial);
    const char* labels[] = {"Com port", "Protocol", "Baud rate", "Parity", "Data bits", "Stop bits"};
    QComboBox* lists[] = {m_port, m_protocol, m_baud, m_parity, m_dataBits, m_stopBits};
    for (int i = 0; i < 6; ++i) {
        grid->addWidget(new QLabel(labels[i], serial), 0, i);
        grid->addWidget(lists[i], 1, i);
    }

    auto* ok = new QPushButton("&OK", this);
    ok->setObjectName("c1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("c2");
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &CGPSDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CGPSDlg::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(format);
    layout->addWidget(serial);
    layout->addLayout(buttons);
}

QComboBox* CGPSDlg::AddList(int id)
{
    auto* list = new QComboBox(this);
    list->setObjectName(QString("c%1").arg(id));
    return list;
}

void CGPSDlg::ProbePorts()
{
    m_ports.clear();
    const GpsSettingsTarget::Values now = m_gps.GetGpsValues();
    const std::string ownDevice = m_gps.IsOpen() ? GpsDevicePath(m_profile, now.port) : std::string();
    for (int port = 0; port < static_cast<int>(GPSPortNames.size()); ++port) {
        const std::string path = GpsDevicePath(m_profile, port);
        if (path.empty())
            continue;
        if (path == ownDevice || DevicePresent(path))
            m_ports.push_back(port);
    }
}

void CGPSDlg::initDialog()
{
    // The receiver's own port is still open here, so it is found too.
    ProbePorts();
    m_wasOpen = m_gps.IsOpen();
    m_gps.Enable(false);
    m_initialised = true;

    const GpsSettingsTarget::Values v = m_gps.GetGpsValues();
    {
        const QSignalBlocker block(m_port);
        m_port->clear();
        for (int port : m_ports)
            m_port->addItem(Name(GPSPortNames[static_cast<std::size_t>(port)]), port);
        m_port->setCurrentIndex(m_port->findData(v.port));
    }
    Fill(m_protocol, GPSProtocolNames, v.protocol, Name);
    Fill(m_baud, GPSBaudRates, v.baudIndex, Number);
    Fill(m_dataBits, GPSDataBits, v.dataBitsIndex, Number);
    Fill(m_parity, GPSParityNames, v.parityIndex, Name);
    Fill(m_stopBits, GPSStopBitNames, v.stopBitsIndex, Name);
    Fill(m_format, GPSOutputFormatNames, v.outputFormat, Name);
}

int CGPSDlg::Selected(const QComboBox* list, int current, int size, int fallback)
{
    // A list without a choice keeps what the receiver has, when that is a valid entry.
    if (list->currentIndex() >= 0)
        return list->currentData().toInt();
    return current >= 0 && current < size ? current : fallback;
}

void CGPSDlg::accept()
{
    GpsSettingsTarget::Values v = m_gps.GetGpsValues();
    auto size = [](const auto& table) { return static_cast<int>(table.size()); };
    v.port = Selected(m_port, v.port, size(GPSPortNames), kDefaultGpsPort);
    v.protocol = Selected(m_protocol, v.protocol, size(GPSProtocolNames), kDefaultGpsProtocol);
    v.baudIndex = Selected(m_baud, v.baudIndex, size(GPSBaudRates), kDefaultGpsBaudIndex);
    v.dataBitsIndex = Selected(m_dataBits, v.dataBitsIndex, size(GPSDataBits), kDefaultGpsDataBitsIndex);
    v.parityIndex = Selected(m_parity, v.parityIndex, size(GPSParityNames), kDefaultGpsParityIndex);
    v.stopBitsIndex = Selected(m_stopBits, v.stopBitsIndex, size(GPSStopBitNames), kDefaultGpsStopBitsIndex);
    v.outputFormat = Selected(m_format, v.outputFormat, size(GPSOutputFormatNames), kDefaultGpsOutputFormat);
    m_gps.SetGpsValues(v);
    // A port that cannot be opened is reported by the receiver; the settings stay.
    m_gps.Enable(true);
    QDialog::accept();
}

void CGPSDlg::reject()
{
    // Reception may have been on for a running measurement's GPS log: bring it back.
    if (m_initialised && m_wasOpen)
        m_gps.Enable(true);
    QDialog::reject();
}

bool RunGpsSetup(CRavikApp& app)
{
    if (!app.Gps())
        return false;
    CGPSDlg dlg(*app.Gps(), app.GetProfile(), app.MainWindow());
    // The position bar shows "Off." while the dialog holds reception off, and then what
    // the dialog left.
    auto showState = [&app] {
        if (app.MainWindow())
            app.MainWindow()->PositionBar().Update();
    };
    dlg.initDialog();
    showState();
    const bool ok = dlg.exec() == QDialog::Accepted;
    showState();
    return ok;
}
