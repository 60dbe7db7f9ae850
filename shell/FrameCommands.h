// The main window's command vocabulary: the two menu bars (without and with an open
// document), the accelerator table, the toolbar's buttons and the prompts each command shows
// in the status bar and as a tooltip. Ids are those of CommandIds.h plus the ones below; they
// never change, so documents and views can register handlers for them (CommandRouter).
#pragma once

#include <Qt>

#include <span>
#include <string>

namespace cmd {
// Commands of the main frame.
inline constexpr int kChannelNavigator = 32776;
inline constexpr int kTraceInfo = 32834;
inline constexpr int kSensorWindow = 32809;
inline constexpr int kMeasurementInfo = 32811;
inline constexpr int kWheelList = 32774;
inline constexpr int kAntennaList = 32812;
inline constexpr int kMarkersSetup = 32798;
inline constexpr int kNewWheel = 32822;
inline constexpr int kGpsOnOff = 32826;
inline constexpr int kGpsSetup = 32827;
inline constexpr int kSpace = 32835;
inline constexpr int kShiftSpace = 32836;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kCascade = 57650;
inline constexpr int kTile = 57651;
inline constexpr int kArrangeIcons = 57649;
// Commands of the document and its views (handled there once registered).
inline constexpr int kClose = 57602;
inline constexpr int kSave = 57603;
inline constexpr int kPrint = 57607;
inline constexpr int kPrintPreview = 57609;
inline constexpr int kTraceWindow = 32771;
inline constexpr int kFilterManager = 32796;
inline constexpr int kDisableFilters = 32813;
inline constexpr int kTrigger = 32784;
// Commands that nothing handles: their items are greyed and their keys do nothing.
inline constexpr int kContrastControl = 32795;
inline constexpr int kHelpTopics = 32772;
inline constexpr int kUndo = 57643;
inline constexpr int kHidden = 32793;
// The four status-bar panes that the views write.
inline constexpr int kPane1 = 59142;
inline constexpr int kPaneCount = 4;
} // namespace cmd

struct FrameMenuItem {
    const char* menu;  // top-level title
    const char* text;  // as the item shows it, key after a tab; nullptr for a separator
    int id;            // cmd::kRecentFile1 stands for the whole recent-file list
    unsigned menus;    // kNoDocumentMenu, kDocumentMenu or both
};
inline constexpr unsigned kNoDocumentMenu = 1;
inline constexpr unsigned kDocumentMenu = 2;

struct FrameAccelerator {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;  // exactly these of Shift, Ctrl and Alt
    int id;
};

// Every item of both menu bars in order; an item belongs to the bars its `menus` names.
std::span<const FrameMenuItem> FrameMenuTable();
std::span<const FrameAccelerator> FrameAcceleratorTable();
// The toolbar's buttons in order; 0 is a separator.
std::span<const int> FrameToolbarTable();
// The command of a key press, or 0. Keypad keys count as their main-keyboard equals (Enter).
int FindAccelerator(int key, Qt::KeyboardModifiers modifiers);
// The status-bar prompt of a command ("" when it has none) and its tooltip (the prompt
// itself when it has no tooltip part).
std::string CommandPrompt(int id);
std::string CommandTooltip(int id);
// Commands whose items and buttons carry a check mark.
bool IsCheckableCommand(int id);
