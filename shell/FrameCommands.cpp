#include "shell/FrameCommands.h"

#include "shell/CommandIds.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr unsigned kBoth = kNoDocumentMenu | kDocumentMenu;
constexpr unsigned kNoDoc = kNoDocumentMenu;
constexpr unsigned kDoc = kDocumentMenu;

constexpr FrameMenuItem kMenus[] = {
    {"&File", "&Open...\tCtrl+O", cmd::kOpen, kBoth},
    {"&File", "&Close", cmd::kClose, kDoc},
    {"&File", nullptr, 0, kBoth},
    {"&File", "&Print...\tCtrl+P", cmd::kPrint, kDoc},
    {"&File", "Print Pre&view", cmd::kPrintPreview, kDoc},
    {"&File", "P&rint Setup...", cmd::kPrintSetup, kBoth},
    {"&File", nullptr, 0, kBoth},
    {"&File", "Recent File", cmd::kRecentFile1, kBoth},
    {"&File", nullptr, 0, kBoth},
    {"&File", "E&xit", cmd::kExit, kBoth},

    {"&View", "&Toolbar", cmd::kViewToolbar, kBoth},
    {"&View", "&Status Bar", cmd::kViewStatusBar, kBoth},
    {"&View", nullptr, 0, kBoth},
    {"&View", "50/60 Hz sensor data", cmd::kSensorWindow, kNoDoc},
    {"&View", "50/60 Hz Sensor Data", cmd::kSensorWindow, kDoc},
    {"&View", "&Channel Navigator", cmd::kChannelNavigator, kBoth},
    {"&View", "Contrast Control", cmd::kContrastControl, kBoth},
    {"&View", "&Measurement info. (F3)", cmd::kMeasurementInfo, kBoth},
    {"&View", "T&race Window", cmd::kTraceWindow, kBoth},
    {"&View", "Trace &info", cmd::kTraceInfo, kBoth},
    {"&View", nullptr, 0, kBoth},
    {"&View", "&Filter Manager", cmd::kFilterManager, kBoth},
    {"&View", "&Palette Manager", cmd::kPaletteManager, kBoth},

    {"&Measure", "&Connect\tF9", cmd::kConnect, kBoth},
    {"&Measure", "&Start\tF5", cmd::kStart, kBoth},
    {"&Measure", "S&top\tF6", cmd::kStop, kBoth},
    {"&Measure", "Start &New Measurement", cmd::kStartNew, kBoth},
    {"&Measure", "&Measurement Settings", cmd::kMeasurementSettings, kBoth},

    {"&Tools", "&Scales settings", cmd::kScalesSettings, kBoth},
    {"&Tools", "&GPS Setup", cmd::kGpsSetup, kNoDoc},
    {"&Tools", "&Hardware Setup", cmd::kHardwareSetup, kBoth},
    {"&Tools", "&GPS Setup", cmd::kGpsSetup, kDoc},
    {"&Tools", "&Markers Setup", cmd::kMarkersSetup, kBoth},
    {"&Tools", "Edit &Antenna List", cmd::kAntennaList, kBoth},
    {"&Tools", "Edit &Wheel List", cmd::kWheelList, kBoth},
    {"&Tools", "New wheel &calibration", cmd::kNewWheel, kNoDoc},
    {"&Tools", "New wheel calibration", cmd::kNewWheel, kDoc},

    {"&Window", "&Cascade", cmd::kCascade, kDoc},
    {"&Window", "&Tile", cmd::kTile, kDoc},
    {"&Window", "&Arrange Icons", cmd::kArrangeIcons, kDoc},

    {"&Help", "Help Topics", cmd::kHelpTopics, kBoth},
    {"&Help", nullptr, 0, kBoth},
    {"&Help", "&About", cmd::kAbout, kBoth},
};

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;

constexpr FrameAccelerator kAccelerators[] = {
    {Qt::Key_F11, kNone, cmd::kGpsOnOff},
    {Qt::Key_F, kCtrl, cmd::kDisableFilters},
    {Qt::Key_Z, kCtrl, cmd::kUndo},
    {Qt::Key_O, kCtrl, cmd::kOpen},
    {Qt::Key_P, kCtrl, cmd::kPrint},
    {Qt::Key_S, kCtrl, cmd::kSave},
    {Qt::Key_F9, kNone, cmd::kConnect},
    {Qt::Key_Return, kNone, cmd::kTrigger},
    {Qt::Key_M, kNone, cmd::kMeasurementSettings},
    {Qt::Key_F5, kNone, cmd::kStart},
    {Qt::Key_F6, kNone, cmd::kStop},
    {Qt::Key_F, kNone, cmd::kFilterManager},
    {Qt::Key_P, kNone, cmd::kPaletteManager},
    {Qt::Key_F12, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, cmd::kHidden},
    {Qt::Key_F2, kNone, cmd::kStartNew},
    {Qt::Key_F4, kNone, cmd::kF4},
    {Qt::Key_F7, kNone, cmd::kChannelNavigator},
    {Qt::Key_C, kNone, cmd::kContrastControl},
    {Qt::Key_F8, kNone, cmd::kContrastControl},
    {Qt::Key_F3, kNone, cmd::kMeasurementInfo},
    {Qt::Key_T, kNone, cmd::kTraceWindow},
    {Qt::Key_F10, kNone, cmd::kTraceWindow},
    {Qt::Key_Space, kNone, cmd::kSpace},
    {Qt::Key_Space, Qt::ShiftModifier, cmd::kShiftSpace},
};

constexpr int kToolbar[] = {
    cmd::kOpen, cmd::kPrint, 0,
    cmd::kStart, cmd::kStop, cmd::kStartNew, 0,
    cmd::kConnect, 0,
    cmd::kAbout, 0,
    cmd::kChannelNavigator, cmd::kContrastControl, cmd::kTraceWindow, cmd::kSensorWindow, 0,
    cmd::kDisableFilters, cmd::kGpsOnOff,
};

struct Prompt {
    int id;
    const char* text;  // "status prompt\ntooltip"
};

constexpr Prompt kPrompts[] = {
    {cmd::kTraceWindow, "Trace window\nTrace Window"},
    {cmd::kScalesSettings, "Units"},
    {cmd::kChannelNavigator, "View Channel Navigator\nChnannel Navigator"},
    {cmd::kStart, "Start measurement\nStart Measurement"},
    {cmd::kStop, "Stop measurement\nStop Measurement"},
    {cmd::kConnect, "Connect to Tolam/Z5K\nConnect to Control Unit"},
    {cmd::kContrastControl, "View Contrast Control\nContrast Control"},
    {cmd::kSensorWindow, "50/60 Hz EM-sensor window\n50/60 Hz EM-sensor Window"},
    {cmd::kDisableFilters, "Disable all filters\nDisable All Filters"},
    {cmd::kStartNew, "Start new measurement\nClose Current and Start New Measurement"},
    {cmd::kOpen, "Open an existing document\nOpen"},
    {cmd::kClose, "Close the active document\nClose"},
    {cmd::kPrintSetup, "Change the printer and printing options\nPrint Setup"},
    {cmd::kPrint, "Print the active document\nPrint"},
    {cmd::kPrintPreview, "Display full pages\nPrint Preview"},
    {cmd::kRecentFile1, "Open this document"},
    {cmd::kRecentFile1 + 1, "Open this document"},
    {cmd::kRecentFile1 + 2, "Open this document"},
    {cmd::kRecentFile1 + 3, "Open this document"},
    {cmd::kArrangeIcons, "Arrange icons at the bottom of the window\nArrange Icons"},
    {cmd::kCascade, "Arrange windows so they overlap\nCascade Windows"},
    {cmd::kTile, "Arrange windows as non-overlapping tiles\nTile Windows"},
    {cmd::kAbout, "Display program information, version number and copyright\nAbout"},
    {cmd::kExit, "Quit the application\nExit"},
    {cmd::kViewToolbar, "Show or hide the toolbar\nToggle ToolBar"},
    {cmd::kViewStatusBar, "Show or hide the status bar\nToggle StatusBar"},
};

const char* PromptText(int id)
{
    for (const Prompt& p : kPrompts)
        if (p.id == id)
            return p.text;
    return "";
}

} // namespace

std::span<const FrameMenuItem> FrameMenuTable()
{
    return kMenus;
}

std::span<const FrameAccelerator> FrameAcceleratorTable()
{
    return kAccelerators;
}

std::span<const int> FrameToolbarTable()
{
    return kToolbar;
}

int FindAccelerator(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Enter)
        key = Qt::Key_Return;
    const Qt::KeyboardModifiers held = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const auto it = std::find_if(std::begin(kAccelerators), std::end(kAccelerators),
                                 [&](const FrameAccelerator& a) { return a.key == key && a.modifiers == held; });
    return it == std::end(kAccelerators) ? 0 : it->id;
}

std::string CommandPrompt(int id)
{
    const std::string text = PromptText(id);
    return text.substr(0, text.find('\n'));
}

std::string CommandTooltip(int id)
{
    const std::string text = PromptText(id);
    const std::size_t tab = text.find('\n');
    return tab == std::string::npos ? text : text.substr(tab + 1);
}

bool IsCheckableCommand(int id)
{
    switch (id) {
    case cmd::kConnect:
    case cmd::kChannelNavigator:
    case cmd::kTraceInfo:
    case cmd::kSensorWindow:
    case cmd::kGpsOnOff:
    case cmd::kViewToolbar:
    case cmd::kViewStatusBar:
    case cmd::kTraceWindow:     // checked while the document's trace window is on
    case cmd::kDisableFilters:  // checked while its filters are off
        return true;
    default:
        return false;
    }
}
