// The GPS settings dialog over pseudo-terminal ports: which ports are listed, what OK
// stores and switches on, and what Cancel brings back.

#include "tests/shell/AppDoubles.h"

#include "gps/ComPortMap.h"
#include "gps/GPSReceiver.h"
#include "model/AppSettings.h"
#include "shell/dialogs/GPSDlg.h"
#include "tests/gps/GpsTestSupport.h"
#include "tests/gps/LineProbe.h"
#include "tests/support/RecordingPrompter.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

namespace {

// Every port's device is a path in the test's folder that does not exist, until a test
// points a port at a pseudo-terminal.
struct GpsDlgFixture : ::testing::Test {
    GpsDlgFixture() : files(dir.path()), gps(log, files)
    {
        for (int port = 0; port < 12; ++port)
            SetDevice(port, dir.file("absent" + std::to_string(port)));
    }
    void SetDevice(int port, const std::string& path)
    {
        profile.writeString(CAppSettings::kGpsSection, GpsDeviceKey(port), path);
    }
    bool Logged(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }

    EventLog log;
    TempDir dir;
    SettingsFiles files;
    MemoryProfile profile;
    FakeGps gps;
};

QComboBox* List(QWidget& w, const char* name)
{
    auto* list = w.findChild<QComboBox*>(name);
    EXPECT_NE(list, nullptr) << name;
    return list;
}

QStringList Entries(const QComboBox* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

void Choose(QWidget& w, const char* name, const char* text)
{
    QComboBox* list = List(w, name);
    const int i = list->findText(text);
    ASSERT_GE(i, 0) << text;
    list->setCurrentIndex(i);
}

}  // namespace

TEST_F(GpsDlgFixture, ListsThePresentPortsWithTheReceiversOwnSelectedAndReceptionOff)
{
    PtyPair com1, com3;
    SetDevice(0, com1.SlavePath());
    SetDevice(2, com3.SlavePath());
    // The receiver's own port counts whatever opening it again would say.
    gps.open = true;
    gps.values.port = 3;
    ::mkdir(dir.file("folder").c_str(), 0755);
    SetDevice(4, dir.file("folder"));  // no device at all

    CGPSDlg dlg(gps, profile);
    dlg.initDialog();
    EXPECT_EQ(dlg.PresentPorts(), (std::vector<int>{0, 2, 3}));
    QComboBox* ports = List(dlg, "c1053");
    EXPECT_EQ(Entries(ports), (QStringList{"COM1:", "COM3:", "COM4:"}));
    EXPECT_EQ(ports->currentText(), "COM4:");
    EXPECT_FALSE(gps.open);
    EXPECT_TRUE(Logged("gps off"));
    EXPECT_EQ(dlg.windowTitle(), "GPS Settings");
}

TEST_F(GpsDlgFixture, NoDevicesGiveAnEmptyPortList)
{
    CGPSDlg dlg(gps, profile);
    dlg.initDialog();
    EXPECT_EQ(List(dlg, "c1053")->count(), 0);
    EXPECT_EQ(List(dlg, "c1053")->currentIndex(), -1);
}

TEST_F(GpsDlgFixture, ListsShowTheTablesAndOkStoresTheChosenEntriesAndSwitchesOn)
{
    PtyPair com2;
    SetDevice(1, com2.SlavePath());
    CGPSDlg dlg(gps, profile);
    dlg.initDialog();
    EXPECT_EQ(Entries(List(dlg, "c1047")),
              (QStringList{"1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000", "57600", "115200"}));
    EXPECT_EQ(List(dlg, "c1047")->currentText(), "19200");
    EXPECT_EQ(Entries(List(dlg, "c1049")), (QStringList{"Even", "Mark", "None", "Odd", "Space"}));
    EXPECT_EQ(Entries(List(dlg, "c1050")), (QStringList{"6", "7", "8"}));
    EXPECT_EQ(Entries(List(dlg, "c1051")), (QStringList{"1", "1.5", "2"}));
    EXPECT_EQ(Entries(List(dlg, "c1055")), (QStringList{"TSIP", "NMEA"}));
    EXPECT_EQ(List(dlg, "c1044")->count(), 4);

    Choose(dlg, "c1053", "COM2:");
    Choose(dlg, "c1047", "38400");
    Choose(dlg, "c1049", "Odd");
    Choose(dlg, "c1050", "7");
    Choose(dlg, "c1051", "2");
    Choose(dlg, "c1055", "TSIP");
    Choose(dlg, "c1044", "UTM coordinates (*.utm)");
    dlg.accept();
    EXPECT_EQ(gps.values.port, 1);
    EXPECT_EQ(gps.values.baudIndex, 6);
    EXPECT_EQ(gps.values.parityIndex, 3);
    EXPECT_EQ(gps.values.dataBitsIndex, 1);
    EXPECT_EQ(gps.values.stopBitsIndex, 2);
    EXPECT_EQ(gps.values.protocol, 0);
    EXPECT_EQ(gps.values.outputFormat, 2);
    EXPECT_EQ(log.back(), "gps on");
    EXPECT_TRUE(gps.open);
}

TEST_F(GpsDlgFixture, ListWithoutChoiceKeepsAValidValueElseTheDefault)
{
    struct Case {
        int port;
        int format;
        int storedPort;
        int storedFormat;
    };
    for (const Case& c : {Case{7, 1, 7, 1}, Case{15, 4, 0, 0}, Case{-1, -1, 0, 0}}) {
        gps.values.port = c.port;  // no such port present
        gps.values.outputFormat = c.format;
        CGPSDlg dlg(gps, profile);
        dlg.initDialog();
        dlg.accept();
        EXPECT_EQ(gps.values.port, c.storedPort) << c.port;
        EXPECT_EQ(gps.values.outputFormat, c.storedFormat) << c.format;
        EXPECT_TRUE(gps.open) << "OK is never refused";
    }
}

TEST_F(GpsDlgFixture, CancelBringsBackTheStateReceptionHad)
{
    for (bool wasOpen : {true, false}) {
        gps.open = wasOpen;
        log.clear();
        CGPSDlg dlg(gps, profile);
        dlg.initDialog();
        EXPECT_FALSE(gps.open);
        Choose(dlg, "c1047", "1200");
        dlg.reject();
        EXPECT_EQ(gps.open, wasOpen);
        EXPECT_EQ(gps.values.baudIndex, 5) << "nothing stored";
        EXPECT_EQ(Logged("gps on"), wasOpen);
    }
}

TEST(GpsDlgReceiver, OkOpensThePortAtTheChosenRate)
{
    PtyPair pty;
    TempDir dir;
    MemoryProfile profile;
    for (int port = 0; port < 12; ++port)
        profile.writeString(CAppSettings::kGpsSection, GpsDeviceKey(port), dir.file("absent"));
    profile.writeString(CAppSettings::kGpsSection, GpsDeviceKey(0), pty.SlavePath());
    RecordingPrompter prompter;
    CGPSReceiver receiver(profile, prompter);
    receiver.Enable(true);
    ASSERT_TRUE(receiver.IsOpen());

    CGPSDlg dlg(receiver, profile);
    dlg.initDialog();
    EXPECT_FALSE(receiver.IsOpen());
    EXPECT_EQ(List(dlg, "c1053")->currentText(), "COM1:");
    Choose(dlg, "c1047", "38400");
    dlg.accept();
    ASSERT_TRUE(receiver.IsOpen());
    EXPECT_EQ(receiver.m_nBaudIndex, 6);
    ProbedLine line;
    ASSERT_TRUE(ProbeLine(pty.SlaveFd(), line));
    EXPECT_EQ(line.ospeed, 38400u);
    EXPECT_TRUE(prompter.ids.empty());
    receiver.Close();
}

TEST(GpsSetupCommand, PositionBarShowsReceptionOffWhileTheDialogShowsAndCancelRestoresIt)
{
    AppHarness h;
    for (int port = 0; port < 12; ++port)
        h.profile.writeString(CAppSettings::kGpsSection, GpsDeviceKey(port), h.dir.file("absent"));
    h.Start();
    h.gps->open = true;
    const int before = h.Frame().bar.updates;
    int during = before;
    bool openDuring = true;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<CGPSDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        during = h.Frame().bar.updates;
        openDuring = h.gps->open;
        dlg->reject();
    });
    EXPECT_FALSE(RunGpsSetup(*h.app));
    EXPECT_FALSE(openDuring);
    EXPECT_GT(during, before) << "the bar learns that reception is off";
    EXPECT_GT(h.Frame().bar.updates, during) << "and that it is on again";
    EXPECT_TRUE(h.gps->open);
}
