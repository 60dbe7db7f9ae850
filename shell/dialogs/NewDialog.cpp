#include "shell/dialogs/NewDialog.h"

#include "model/MeasParamSet.h"
#include "model/Numbers.h"
#include "model/PlatformPaths.h"
#include "model/Prompter.h"
#include "model/RadarData.h"
#include "shell/ChannelTree.h"
#include "shell/MainFrame.h"
#include "shell/RavikApp.h"
#include "shell/dialogs/AntennaDlg.h"
#include "shell/dialogs/DataExchange.h"
#include "shell/dialogs/InfoDlg.h"
#include "shell/dialogs/ParamDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>

namespace {

// File and folder names are the file system's bytes.
std::string ToPath(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

QString FromPath(const std::string& path)
{
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

enum Mode { kWheelMode = 0, kTimeMode = 1, kKeyboardMode = 2 };

constexpr std::uint8_t kTimeTrigger = 128;
constexpr std::uint8_t kKeyboardTrigger = 255;
constexpr std::uint8_t kMasterWheel = 16;
constexpr int kMaxWheels = 128;  // a larger index would read as time triggering

constexpr int kNoPresets = 203;
constexpr int kPathTooLong = 138;

int ModeOf(std::uint8_t trigger)
{
    if (trigger == kKeyboardTrigger)
        return kKeyboardMode;
    return trigger < kTimeTrigger ? kWheelMode : kTimeMode;
}

void Select(QComboBox* combo, int index)
{
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index < combo->count() ? index : -1);
}

QComboBox* MakeList(QWidget* parent, const char* name)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->setEditable(false);
    return c;
}

// A base name that names a file inside the data folder.
bool ValidBaseName(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || trimmed == "." || trimmed == "..")
        return false;
    return !name.contains('/') && !name.contains('\\') && !name.contains(QChar(0));
}

QString ChooseDataFolder(QWidget* parent)
{
    QFileDialog dlg(parent, "Select folder for radar data files",
                    FromPath(PlatformPaths::DocumentsFolder()));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setOption(QFileDialog::ShowDirsOnly);
    dlg.setFileMode(QFileDialog::Directory);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first();
}

} // namespace

CNewDialog::CNewDialog(CRavikApp& app, QWidget* parent) : QDialog(parent), m_app(app)
{
    setWindowTitle("Measurement Settings");
    m_children.choosePreset = [&app](QWidget* owner) {
        CAntennaDlg dlg(app.m_params, app.GetPrompter(), owner);
        return dlg.exec() == QDialog::Accepted ? dlg.SelectedIndex() : -1;
    };
    m_children.channelParameters = [&app](QWidget* owner) {
        CParamDlg dlg(app, owner);
        dlg.exec();
    };
    m_children.additionalInfo = [&app](QWidget* owner) {
        CInfoDlg dlg(app, owner);
        dlg.exec();
    };
    m_children.chooseFolder = ChooseDataFolder;
    m_children.rebuildNavigator = [&app] {
        if (CMainFrame* frame = app.MainWindow())
            frame->ChannelTree().Rebuild();
    };
    BuildControls();
    OnInitDialog();
}

void CNewDialog::BuildControls()
{
    auto* layout = new QVBoxLayout(this);

    auto* files = new QGroupBox(this);
    auto* fg = new QGridLayout(files);
    m_baseEdit = new QLineEdit(this);
    m_baseEdit->setObjectName("c1006");
    m_dirEdit = new QLineEdit(this);
    m_dirEdit->setObjectName("c1002");
    auto* browse = new QPushButton("&Browse", this);
    browse->setObjectName("c1004");
    fg->addWidget(new QLabel("Base file name", this), 0, 0);
    fg->addWidget(m_baseEdit, 0, 1);
    fg->addWidget(new QLabel("Directory", this), 1, 0);
    fg->addWidget(m_dirEdit, 1, 1);
    fg->addWidget(browse, 1, 2);
    layout->addWidget(files);

    auto* channel = new QGroupBox(this);
    auto* cg = new QGridLayout(channel);
    m_slotLabel = new QLabel("Slot", this);
    m_slotLabel->setObjectName("c1130");
    m_channelLabel = new QLabel("Channel", this);
    m_channelLabel->setObjectName("c1131");
    m_slot = MakeList(this, "c1057");
    m_channel = MakeList(this, "c1059");
    m_channel->addItems({"Internal", "External"});
    m_activeCheck = new QCheckBox("Active", this);
    m_activeCheck->setObjectName("c1087");
    m_presetEdit = new QLineEdit(this);
    m_presetEdit->setObjectName("c1204");
    m_presetEdit->setReadOnly(true);
    auto* load = new QPushButton("&Load preset", this);
    load->setObjectName("c1164");
    auto* settings = new QPushButton("Antenna &Settings", this);
    settings->setObjectName("c1205");
    cg->addWidget(m_slotLabel, 0, 0);
    cg->addWidget(m_slot, 0, 1);
    cg->addWidget(m_channelLabel, 0, 2);
    cg->addWidget(m_channel, 0, 3);
    cg->addWidget(m_activeCheck, 0, 4);
    cg->addWidget(new QLabel("Antenna preset", this), 1, 0);
    cg->addWidget(m_presetEdit, 1, 1, 1, 2);
    cg->addWidget(load, 1, 3);
    cg->addWidget(settings, 1, 4);
    layout->addWidget(channel);

    auto* trigger = new QGroupBox(this);
    auto* tg = new QGridLayout(trigger);
    m_mode = MakeList(this, "c1056");
    m_mode->addItems({"Wheel", "Time", "Keyboard"});
    m_wheel = MakeList(this, "c1169");
    m_wheelSourceLabel = new QLabel("Wheel source", this);
    m_wheelSourceLabel->setObjectName("c1140");
    m_wheelSource = MakeList(this, "c1170");
    m_wheelSource->addItem("Master wheel");
    for (int slot = 0; slot < CMeasParamSet::kSlots; ++slot)
        m_wheelSource->addItem(QString("Slot %1 wheel").arg(QString::fromStdString(GetSlotLetter(slot))));
    m_reverseCheck = new QCheckBox("Reverse direction", this);
    m_reverseCheck->setObjectName("c1138");
    tg->addWidget(new QLabel("Acquisition mode", this), 0, 0);
    tg->addWidget(m_mode, 0, 1);
    tg->addWidget(new QLabel("Measurement wheel", this), 1, 0);
    tg->addWidget(m_wheel, 1, 1);
    tg->addWidget(m_wheelSourceLabel, 2, 0);
    tg->addWidget(m_wheelSource, 2, 1);
    tg->addWidget(m_reverseCheck, 3, 1);
    layout->addWidget(trigger);

    auto* buttons = new QHBoxLayout;
    auto* info = new QPushButton("Additional &Info", this);
    info->setObjectName("c1040");
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("c1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("c2");
    buttons->addWidget(info);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &CNewDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, &CNewDialog::OnBrowse);
    connect(load, &QPushButton::clicked, this, &CNewDialog::OnLoadPreset);
    connect(settings, &QPushButton::clicked, this, &CNewDialog::OnAntennaSettings);
    connect(info, &QPushButton::clicked, this, &CNewDialog::OnAdditionalInfo);
    connect(m_mode, &QComboBox::activated, this, &CNewDialog::OnSelchangeMode);
    connect(m_slot, &QComboBox::activated, this, &CNewDialog::OnSelchangeSlotChannel);
    connect(m_channel, &QComboBox::activated, this, &CNewDialog::OnSelchangeSlotChannel);
}

void CNewDialog::OnInitDialog()
{
    // The data folder is the program's current directory, where File > Open starts.
    QDir::setCurrent(FromPath(m_app.m_settings.m_strDataFolder));
    CMeasParamSet& p = m_app.m_params;
    {
        std::lock_guard driver(m_app.m_locks.Driver);
        if (ControlUnit* unit = m_app.Unit()) {
            m_bHasSlots = unit->IsModularUnit();
            unit->SyncChannelsWithUnit(p);
            unit->ReadSampleIntervals(p);
        }
    }
    m_strDir = m_app.m_settings.m_strDataFolder;
    m_strBaseName = m_app.m_settings.m_strBaseName;
    FillWheels();
    if (m_bHasSlots)
        FillSlots();
    ShowPresetName();

    if (!m_bHasSlots) {
        // A single-channel unit: slot A, internal channel, always the one in use.
        m_slotLabel->setText("Z5K");
        for (QWidget* w : std::initializer_list<QWidget*>{m_channelLabel, m_activeCheck, m_wheelSource,
                                                           m_wheelSourceLabel, m_slot, m_channel})
            w->setVisible(false);
        p.m_nCurSlot = 0;
        p.m_nCurChannel = 0;
        Select(m_slot, 0);
        Select(m_channel, 0);
        for (CMeasParam& c : p.m_params)
            c.m_bActive = 0;
        p.m_params[0].m_bActive = 1;
    }

    const std::uint8_t trigger = p.m_nTrigType;
    if (trigger < m_wheel->count()) {
        Select(m_wheel, trigger);
        SelectSavedWheelSource();
        m_wheelSource->setEnabled(true);
    } else {
        m_wheelSource->setEnabled(false);
    }
    Select(m_mode, ModeOf(trigger));

    m_bActive = p.m_params[CurrentIndex()].m_bActive;
    SelectCurrentChannel();

    const bool wheel = ModeOf(trigger) == kWheelMode;
    m_wheel->setEnabled(wheel);
    if (wheel)
        Select(m_wheel, trigger);

    m_bReverse = p.m_nMeasDirection == -1 ? 1 : 0;
    LoadControls();
}

void CNewDialog::FillWheels()
{
    const CMeasParamSet& p = m_app.m_params;
    const float factor = p.GetUnitFactor();
    const int count = std::min(p.GetWheelCount(), kMaxWheels);
    for (int i = 0; i < count; ++i) {
        const CWheel& w = *p.m_wheels[static_cast<std::size_t>(i)];
        const std::string text = FormatC("%s ( %5.2f %c)", w.m_strName.c_str(), w.m_dCalibration * factor,
                                         w.m_nDirection == 1 ? '+' : '-');
        m_wheel->addItem(dx::ShownText(text));
    }
}

void CNewDialog::FillSlots()
{
    std::lock_guard driver(m_app.m_locks.Driver);
    ControlUnit* unit = m_app.Unit();
    if (!unit)
        return;
    for (int slot = 0; slot < CMeasParamSet::kSlots; ++slot)
        if (unit->ReadModuleStatusByte(slot, 0).value_or(0) != 0)
            m_slot->addItem(QString::fromStdString(GetSlotLetter(slot)), slot);
}

void CNewDialog::LoadControls()
{
    m_baseEdit->setText(FromPath(m_strBaseName));
    m_dirEdit->setText(FromPath(m_strDir));
    m_activeCheck->setChecked(m_bActive != 0);
    m_reverseCheck->setChecked(m_bReverse != 0);
}

void CNewDialog::ReadControls()
{
    m_strBaseName = ToPath(m_baseEdit->text());
    m_strDir = ToPath(m_dirEdit->text());
    m_bActive = m_activeCheck->isChecked() ? 1 : 0;
    m_bReverse = m_reverseCheck->isChecked() ? 1 : 0;
}

int CNewDialog::CurrentIndex() const
{
    const CMeasParamSet& p = m_app.m_params;
    const int slot = std::clamp<int>(p.m_nCurSlot, 0, CMeasParamSet::kSlots - 1);
    const int channel = std::clamp<int>(p.m_nCurChannel, 0, 1);
    return slot * 2 + channel;
}

int CNewDialog::ComboSlot() const
{
    return m_slot->currentIndex() < 0 ? -1 : m_slot->currentData().toInt();
}

void CNewDialog::SelectCurrentChannel()
{
    const CMeasParamSet& p = m_app.m_params;
    if (m_bHasSlots)
        Select(m_slot, m_slot->findData(static_cast<int>(p.m_nCurSlot)));
    Select(m_channel, p.m_nCurChannel);
}

void CNewDialog::SelectSavedWheelSource()
{
    const std::uint8_t source = m_app.m_params.m_nWheelSource;
    Select(m_wheelSource, source == kMasterWheel ? 0 : source + 1);
}

void CNewDialog::ShowPresetName()
{
    m_presetEdit->setText(dx::ShownText(m_app.m_params.m_params[CurrentIndex()].m_strName));
}

void CNewDialog::ApplySettings()
{
    CMeasParamSet& p = m_app.m_params;
    ReadControls();
    p.m_params[CurrentIndex()].m_bActive = static_cast<std::uint8_t>(m_bActive);

    switch (m_mode->currentIndex()) {
    case kWheelMode:
        // No wheel to choose: keyboard triggering.
        p.m_nTrigType = m_wheel->currentIndex() < 0 ? kKeyboardTrigger : static_cast<std::uint8_t>(m_wheel->currentIndex());
        break;
    case kTimeMode:
        p.m_nTrigType = kTimeTrigger;
        break;
    case kKeyboardMode:
        p.m_nTrigType = kKeyboardTrigger;
        break;
    }
    const int source = m_wheelSource->currentIndex();
    if (source == 0)
        p.m_nWheelSource = kMasterWheel;
    else if (source > 0)
        p.m_nWheelSource = static_cast<std::uint8_t>(source - 1);
    p.m_nMeasDirection = m_bReverse ? -1 : 1;

    if (m_bHasSlots) {
        // A slot list without a selection (no module answered) leaves the current channel.
        const int slot = ComboSlot();
        if (slot >= 0 && m_channel->currentIndex() >= 0) {
            p.m_nCurSlot = static_cast<std::int16_t>(slot);
            p.m_nCurChannel = static_cast<std::int16_t>(m_channel->currentIndex());
        }
    } else {
        p.m_nCurSlot = 0;
        p.m_nCurChannel = 0;
    }
    ReflectSettings();
}

void CNewDialog::ReflectSettings()
{
    const CMeasParamSet& p = m_app.m_params;
    if (p.m_nTrigType < m_wheel->count())
        Select(m_wheel, p.m_nTrigType);
    Select(m_mode, ModeOf(p.m_nTrigType));
    m_bActive = p.m_params[CurrentIndex()].m_bActive;
    LoadControls();
}

void CNewDialog::OnSelchangeMode()
{
    const bool wheel = m_mode->currentIndex() == kWheelMode;
    m_wheel->setEnabled(wheel);
    m_wheelSource->setEnabled(wheel);
    if (wheel) {
        Select(m_wheel, 0);
        SelectSavedWheelSource();
    }
}

void CNewDialog::OnSelchangeSlotChannel()
{
    ApplySettings();
    ShowPresetName();
}

void CNewDialog::OnLoadPreset()
{
    CMeasParamSet& p = m_app.m_params;
    if (p.GetPresetCount() == 0) {
        m_app.GetPrompter().message(kNoPresets);
        return;
    }
    const int chosen = m_children.choosePreset(this);
    if (chosen >= 0 && chosen < p.GetPresetCount()) {
        const int k = CurrentIndex();
        p.m_params[k] = *p.m_presets[static_cast<std::size_t>(chosen)];
        // Both channels of a slot measure with one range.
        p.m_params[k ^ 1].m_nRampIndex = p.m_params[k].m_nRampIndex;
    }
    ShowPresetName();
}

void CNewDialog::OnAntennaSettings()
{
    ApplySettings();
    m_children.channelParameters(this);
    ShowPresetName();
}

void CNewDialog::OnAdditionalInfo()
{
    m_children.additionalInfo(this);
}

void CNewDialog::OnBrowse()
{
    const QString folder = m_children.chooseFolder(this);
    if (folder.isEmpty())
        return;
    m_strDir = PlatformPaths::WithTrailingSlash(ToPath(folder));
    m_app.m_settings.m_strDataFolder = m_strDir;
    m_dirEdit->setText(FromPath(m_strDir));
}

bool CNewDialog::MoveToFirstActiveChannel()
{
    const CMeasParamSet& p = m_app.m_params;
    for (int k = 0; k < CMeasParamSet::kChannels; ++k) {
        if (!p.m_params[k].m_bActive)
            continue;
        // A channel of a slot whose module does not answer cannot be chosen.
        const int entry = m_slot->findData(k / 2);
        if (entry < 0)
            continue;
        Select(m_slot, entry);
        Select(m_channel, k % 2);
        return true;
    }
    return false;
}

void CNewDialog::accept()
{
    ReadControls();
    // The base name becomes part of every data file's name: it must stay inside the folder.
    if (!ValidBaseName(m_baseEdit->text())) {
        m_app.GetPrompter().messageText("Please enter a valid base file name.");
        m_baseEdit->setFocus();
        return;
    }
    // Nor may it make a data file's name longer than the folder takes: the set could not
    // be made, or would lose its headers.
    if (!DataFileNamesFit(m_strDir, m_strBaseName)) {
        m_app.GetPrompter().message(kPathTooLong);
        m_baseEdit->setFocus();
        return;
    }
    m_strDir = PlatformPaths::WithTrailingSlash(m_strDir);
    if (m_bHasSlots)
        MoveToFirstActiveChannel();
    LoadControls();

    m_app.m_settings.m_strBaseName = m_strBaseName;
    if (m_strDir.size() + m_strBaseName.size() >= static_cast<std::size_t>(kMaxPathLength)) {
        m_app.GetPrompter().message(kPathTooLong);
        return;
    }
    ApplySettings();
    m_children.rebuildNavigator();
    // The folder the dialog closes with becomes the data folder as it closes: the next
    // File > Open starts there, whether it was typed or browsed to.
    QDir::setCurrent(FromPath(m_strDir));
    QDialog::accept();
}

std::string RunMeasurementSettings(CRavikApp& app)
{
    CNewDialog dlg(app, app.MainWindow());
    dlg.exec();
    return dlg.Directory();
}
