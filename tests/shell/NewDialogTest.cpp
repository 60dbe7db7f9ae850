// Measurement Settings: what its lists show, and what reaches the parameter set and the
// application's settings through OK, Cancel and the buttons.

#include "link/CDriver.h"
#include "shell/ChannelTree.h"
#include "shell/CommandIds.h"
#include "shell/ProgramParts.h"
#include "shell/dialogs/NewDialog.h"
#include "tests/shell/MeasDialogFixture.h"
#include "tests/support/TempDir.h"

#include "model/AppSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QScopeGuard>
#include <QTimer>

namespace {

class MeasurementSettings : public MeasDialogTest {
protected:
    void SetUp() override
    {
        MeasDialogTest::SetUp();
        h.unit->moduleStatus = {{0, 1}, {2, 1}};  // slots A and C answer
        app().m_settings.m_strDataFolder = "/data/";
        app().m_settings.m_strBaseName = "Profile";
    }
    // The dialog with its child windows recorded instead of shown.
    std::unique_ptr<CNewDialog> Open()
    {
        auto dlg = std::make_unique<CNewDialog>(app());
        CNewDialog::Children& c = dlg->Child();
        c.choosePreset = [this](QWidget*) {
            h.log.push_back("preset list");
            return presetChoice;
        };
        c.channelParameters = [this](QWidget*) {
            h.log.push_back("channel parameters " + std::to_string(params().m_nCurSlot) + "/" +
                            std::to_string(params().m_nCurChannel));
        };
        c.chooseFolder = [this](QWidget*) { return folderChoice; };
        c.rebuildNavigator = [this] { h.log.push_back("rebuild navigator"); };
        h.log.clear();
        return dlg;
    }
    void AddWheel(const char* name, double calibration, int direction)
    {
        CWheel w;
        w.m_strName = name;
        w.m_dCalibration = calibration;
        w.m_nDirection = static_cast<std::int16_t>(direction);
        params().AddWheel(w);
    }
    int presetChoice = -1;
    QString folderChoice;
};

} // namespace

TEST_F(MeasurementSettings, ListsShowTheUnitAndTheWheels)
{
    params().m_strUnits = "F";
    AddWheel("Small", 1000.0, 1);
    AddWheel("Big", 25.0, -1);
    h.log.clear();
    CNewDialog dlg(app());
    EXPECT_EQ(dlg.windowTitle(), "Measurement Settings");
    EXPECT_EQ(h.log, (EventLog{"unit sync channels", "unit sample intervals"}));
    EXPECT_EQ(Items(dlg, "c1057"), (QStringList{"A", "C"}));
    EXPECT_EQ(Items(dlg, "c1059"), (QStringList{"Internal", "External"}));
    EXPECT_EQ(Items(dlg, "c1056"), (QStringList{"Wheel", "Time", "Keyboard"}));
    EXPECT_EQ(Items(dlg, "c1169"), (QStringList{"Small ( 304.80 +)", "Big (  7.62 -)"}));
    EXPECT_EQ(Items(dlg, "c1170"), (QStringList{"Master wheel", "Slot A wheel", "Slot B wheel", "Slot C wheel",
                                                "Slot D wheel", "Slot E wheel", "Slot F wheel", "Slot G wheel",
                                                "Slot H wheel"}));
}

TEST_F(MeasurementSettings, ModeAndWheelFollowTheTriggerType)
{
    AddWheel("w", 1000.0, 1);
    struct Case {
        std::uint8_t trigger;
        QString mode;
        bool wheelEnabled, sourceEnabled;
    };
    for (const Case& c : {Case{0, "Wheel", true, true}, Case{128, "Time", false, false},
                          Case{254, "Time", false, false}, Case{255, "Keyboard", false, false}}) {
        params().m_nTrigType = c.trigger;
        params().m_nWheelSource = 16;
        CNewDialog dlg(app());
        SCOPED_TRACE(c.trigger);
        EXPECT_EQ(Find<QComboBox>(dlg, "c1056")->currentText(), c.mode);
        EXPECT_EQ(Find<QComboBox>(dlg, "c1169")->isEnabled(), c.wheelEnabled);
        EXPECT_EQ(Find<QComboBox>(dlg, "c1170")->isEnabled(), c.sourceEnabled);
    }
}

TEST_F(MeasurementSettings, WheelModeWithoutWheelsFallsBackToKeyboard)
{
    params().m_nTrigType = 128;
    auto dlg = Open();
    Choose(*dlg, "c1056", 0);
    Choose(*dlg, "c1059", 1);  // any slot or channel change applies the settings
    EXPECT_EQ(params().m_nTrigType, 255);
    EXPECT_EQ(Find<QComboBox>(*dlg, "c1056")->currentText(), "Keyboard");
}

TEST_F(MeasurementSettings, SlotChangeAppliesTheChoices)
{
    AddWheel("w0", 100.0, 1);
    AddWheel("w1", 100.0, 1);
    params().m_nTrigType = 255;
    channel(0, 0).m_bActive = 0;
    channel(2, 1).m_strName = "C external";
    auto dlg = Open();
    Find<QCheckBox>(*dlg, "c1087")->setChecked(true);
    Find<QCheckBox>(*dlg, "c1138")->setChecked(true);
    Choose(*dlg, "c1056", 0);
    Choose(*dlg, "c1169", 1);
    Choose(*dlg, "c1170", 3);
    Choose(*dlg, "c1059", 1);
    Choose(*dlg, "c1057", 1);  // "C"

    EXPECT_EQ(channel(0, 0).m_bActive, 1) << "the check belongs to the channel that was current";
    EXPECT_EQ(params().m_nTrigType, 1);
    EXPECT_EQ(params().m_nWheelSource, 2);
    EXPECT_EQ(params().m_nMeasDirection, -1);
    EXPECT_EQ(params().m_nCurSlot, 2);
    EXPECT_EQ(params().m_nCurChannel, 1);
    EXPECT_EQ(Text(*dlg, "c1204"), "C external");
    EXPECT_EQ(Find<QCheckBox>(*dlg, "c1087")->isChecked(), channel(2, 1).m_bActive != 0);
}

TEST_F(MeasurementSettings, SlotListWithoutSelectionKeepsTheCurrentChannel)
{
    h.unit->moduleStatus.clear();  // no module answers
    params().m_nCurSlot = 3;
    params().m_nCurChannel = 1;
    auto dlg = Open();
    Choose(*dlg, "c1059", 0);
    EXPECT_EQ(params().m_nCurSlot, 3);
    EXPECT_EQ(params().m_nCurChannel, 1);
}

TEST_F(MeasurementSettings, SingleChannelUnitUsesOnlySlotAInternal)
{
    h.unit->modular = false;
    for (CMeasParam& c : params().m_params)
        c.m_bActive = 1;
    params().m_nCurSlot = 3;
    auto dlg = Open();
    EXPECT_EQ(Find<QLabel>(*dlg, "c1130")->text(), "Z5K");
    for (const char* name : {"c1131", "c1087", "c1170", "c1140", "c1057", "c1059"})
        EXPECT_TRUE(Find<QWidget>(*dlg, name)->isHidden()) << name;
    dlg->accept();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(params().m_nCurSlot, 0);
    EXPECT_EQ(params().m_nCurChannel, 0);
    for (int k = 0; k < CMeasParamSet::kChannels; ++k)
        EXPECT_EQ(params().m_params[k].m_bActive, k == 0 ? 1 : 0) << k;
}

TEST_F(MeasurementSettings, OkMovesToTheFirstActiveChannelAndRebuildsTheNavigator)
{
    h.unit->moduleStatus = {{0, 1}, {1, 1}, {2, 1}, {3, 1}};
    for (CMeasParam& c : params().m_params)
        c.m_bActive = 0;
    channel(1, 1).m_bActive = 1;
    channel(3, 0).m_bActive = 1;
    auto dlg = Open();
    SetText(*dlg, "c1006", "Line");
    SetText(*dlg, "c1002", "/survey");
    dlg->accept();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(params().m_nCurSlot, 1);
    EXPECT_EQ(params().m_nCurChannel, 1);
    EXPECT_EQ(app().m_settings.m_strBaseName, "Line");
    EXPECT_EQ(dlg->Directory(), "/survey/");
    EXPECT_EQ(h.log, EventLog{"rebuild navigator"});
}

TEST_F(MeasurementSettings, OkShowsTheChannelsInTheNavigator)
{
    h.unit->modules[1] = kModuleOpto;
    channel(1, 1).m_bActive = 1;
    CNewDialog dlg(app());
    dlg.accept();
    const QTreeWidgetItem* root = h.Frame().ChannelTree().topLevelItem(0);
    ASSERT_TRUE(root && root->childCount() == 1);
    EXPECT_EQ(root->child(0)->text(0), "Slot B - Opto module");
    EXPECT_EQ(root->child(0)->child(1)->data(0, CChannelTree::kImageRole).toInt(), CChannelTree::kImageInUse);
}

TEST_F(MeasurementSettings, TooLongPathIsRefusedWithTheNameTakenOver)
{
    auto dlg = Open();
    SetText(*dlg, "c1002", "/" + QString(200, 'd') + "/");
    SetText(*dlg, "c1006", QString(58, 'b'));  // 202 + 58 = 260
    dlg->show();
    dlg->accept();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(h.prompter.ids, std::vector<int>{138});
    EXPECT_EQ(app().m_settings.m_strBaseName, std::string(58, 'b'));
    dlg->close();
}

TEST_F(MeasurementSettings, BaseNameThatLeavesTheFolderIsRefused)
{
    for (const QString& name : {QString(""), QString("  "), QString("a/b"), QString("..\\x"), QString(".."),
                                QString(" . ")}) {
        auto dlg = Open();
        h.prompter.texts.clear();
        SetText(*dlg, "c1006", name);
        dlg->accept();
        EXPECT_NE(dlg->result(), QDialog::Accepted) << name.toStdString();
        EXPECT_EQ(h.prompter.texts, std::vector<std::string>{"Please enter a valid base file name."});
        EXPECT_EQ(app().m_settings.m_strBaseName, "Profile");
    }
}

TEST_F(MeasurementSettings, BaseNameWhoseDataFileNamesWouldNotFitIsRefused)
{
    struct Case {
        const char* what;
        int length;
        bool reached9999;  // the data folder holds set 9999 of the base already
        bool taken;
    };
    // The longest name is "<base>_<number>_A1.rd3"; a file name may have 255 bytes.
    const Case cases[] = {
        {"the longest base", 243, false, true},
        {"one more", 244, false, false},
        {"the longest base once set numbers have five digits", 242, true, true},
        {"a base that fitted set 9999 but not set 10000", 243, true, false},
    };
    // The data folder is given as "./", so that the length of folder and name stays below
    // the limit of 260 wherever the test runs.
    const QString home = QDir::currentPath();
    const auto back = qScopeGuard([&home] { QDir::setCurrent(home); });
    for (const Case& c : cases) {
        TempDir folder;
        ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(folder.path())));
        const std::string base(static_cast<std::size_t>(c.length), 'b');
        if (c.reached9999)
            WriteFileBytes(folder.file(base + "_9999_A1.rd3"), "");
        app().m_settings.m_strBaseName = "Profile";
        h.prompter.ids.clear();
        auto dlg = Open();
        SetText(*dlg, "c1002", "./");
        SetText(*dlg, "c1006", QString::fromStdString(base));
        dlg->accept();
        EXPECT_EQ(dlg->result() == QDialog::Accepted, c.taken) << c.what;
        EXPECT_EQ(h.prompter.ids, c.taken ? std::vector<int>{} : std::vector<int>{138}) << c.what;
        EXPECT_EQ(app().m_settings.m_strBaseName, c.taken ? base : "Profile") << c.what;
    }
}

TEST_F(MeasurementSettings, CancelKeepsWhatWasApplied)
{
    auto dlg = Open();
    Choose(*dlg, "c1057", 1);
    SetText(*dlg, "c1002", "/typed");
    dlg->reject();
    EXPECT_EQ(params().m_nCurSlot, 2);
    EXPECT_EQ(dlg->Directory(), "/data/") << "the folder field was not taken since the last apply";
}

TEST_F(MeasurementSettings, LoadPresetCopiesTheChoiceIntoTheCurrentChannel)
{
    auto dlg = Open();
    params().m_presets.clear();
    dlg->OnLoadPreset();
    EXPECT_EQ(h.log, EventLog{"message 203"}) << "no list without presets";

    AddPresets({"p0", "p1"});
    params().m_presets[1]->m_nRampIndex = 2;
    params().m_presets[1]->m_nSamples = 1024;
    const CMeasParam before = channel(0, 0);
    for (int refused : {-1, 2}) {
        presetChoice = refused;
        dlg->OnLoadPreset();
        EXPECT_EQ(channel(0, 0).m_strName, before.m_strName) << refused;
    }
    presetChoice = 1;
    dlg->OnLoadPreset();
    EXPECT_EQ(channel(0, 0).m_strName, "p1");
    EXPECT_EQ(channel(0, 0).m_nSamples, 1024);
    EXPECT_EQ(channel(0, 1).m_nRampIndex, 2) << "both channels of a slot keep one range";
    EXPECT_EQ(Text(*dlg, "c1204"), "p1");
}

TEST_F(MeasurementSettings, AntennaSettingsAppliesFirst)
{
    auto dlg = Open();
    Find<QComboBox>(*dlg, "c1057")->setCurrentIndex(1);
    Find<QComboBox>(*dlg, "c1059")->setCurrentIndex(1);
    dlg->OnAntennaSettings();
    EXPECT_EQ(h.log, EventLog{"channel parameters 2/1"});
}

TEST_F(MeasurementSettings, BrowseSetsTheDataFolderAtOnce)
{
    auto dlg = Open();
    dlg->OnBrowse();
    EXPECT_EQ(Text(*dlg, "c1002"), "/data/") << "cancelled";
    folderChoice = "/mnt/card";
    dlg->OnBrowse();
    EXPECT_EQ(Text(*dlg, "c1002"), "/mnt/card/");
    EXPECT_EQ(app().m_settings.m_strDataFolder, "/mnt/card/");
    EXPECT_EQ(dlg->Directory(), "/mnt/card/");
}

TEST_F(MeasurementSettings, TheProgramOpensTheseDialogs)
{
    InstallProgramDialogs(app());
    EXPECT_TRUE(app().IsCommandEnabled(cmd::kMeasurementSettings));
    EXPECT_TRUE(app().m_runners.channelParameters && app().m_runners.antennaList);
}

// File > Open starts in the data folder: the one the profile keeps from start-up on, then
// the one Measurement Settings closed with.
TEST(DataFolder, OpenStartsInTheStoredFolderThenInTheOneMeasurementSettingsTook)
{
    const auto restore = qScopeGuard([launched = QDir::currentPath()] { QDir::setCurrent(launched); });
    AppHarness h;
    const QString stored = QString::fromStdString(h.dir.path() + "/stored");
    const QString chosen = QString::fromStdString(h.dir.path() + "/chosen");
    ASSERT_TRUE(QDir().mkdir(stored) && QDir().mkdir(chosen));
    h.profile.writeString(CAppSettings::kSection, "CurrentDir", stored.toStdString());
    h.Start();
    h.app->m_status.m_bConnected = 1;
    InstallProgramDialogs(*h.app);
    const auto openStartsIn = [&h] {
        QString shown;
        QTimer::singleShot(0, [&shown] {
            if (auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                shown = dlg->directory().canonicalPath();
                dlg->reject();
            }
        });
        h.app->OnCommand(cmd::kOpen);
        return shown.toStdString();
    };

    EXPECT_EQ(openStartsIn(), QDir(stored).canonicalPath().toStdString());
    QTimer::singleShot(0, [&chosen] {
        if (auto* dlg = qobject_cast<CNewDialog*>(QApplication::activeModalWidget())) {
            dlg->findChild<QLineEdit*>("c1002")->setText(chosen);
            dlg->accept();
        }
    });
    ASSERT_TRUE(h.app->OnCommand(cmd::kMeasurementSettings));
    EXPECT_EQ(openStartsIn(), QDir(chosen).canonicalPath().toStdString());
}
