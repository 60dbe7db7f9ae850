// When each command of the application may run, for every combination of a connected unit,
// a running measurement and an active document.

#include "shell/AppCommands.h"
#include "shell/CommandIds.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

struct Expectation {
    int id;
    const char* name;
    // Enabled in state (connected, measuring, document) = bits 0b cmd.
    bool enabled[8];
};

// Index = connected * 4 + measuring * 2 + document.
//                                         c0m0d0 c0m0d1 c0m1d0 c0m1d1 c1m0d0 c1m0d1 c1m1d0 c1m1d1
const Expectation kExpected[] = {
    {cmd::kAbout, "About",                 {1, 1, 1, 1, 1, 1, 1, 1}},
    {cmd::kScalesSettings, "Scales",       {1, 1, 1, 1, 1, 1, 1, 1}},
    {cmd::kConnect, "Connect",             {1, 1, 1, 1, 1, 1, 1, 1}},
    {cmd::kPaletteManager, "Palette",      {1, 1, 1, 1, 1, 1, 1, 1}},
    {cmd::kF4, "F4",                       {1, 1, 1, 1, 1, 1, 1, 1}},
    // Refused only while a document is active and measuring.
    {cmd::kHardwareSetup, "Hardware",      {1, 1, 1, 0, 1, 1, 1, 0}},
    {cmd::kPrintSetup, "Print Setup",      {1, 1, 1, 0, 1, 1, 1, 0}},
    {cmd::kStart, "Start",                 {0, 0, 0, 0, 1, 1, 0, 0}},
    {cmd::kMeasurementSettings, "Settings",{0, 0, 0, 0, 1, 1, 0, 0}},
    {cmd::kStartNew, "Start New",          {0, 0, 0, 0, 1, 1, 0, 0}},
    {cmd::kStop, "Stop",                   {0, 0, 0, 0, 0, 0, 1, 1}},
    // Opening closes the active document: never while it measures.
    {cmd::kOpen, "Open",                   {1, 1, 0, 0, 1, 1, 0, 0}},
    {cmd::kRecentFile1, "Recent 1",        {1, 1, 0, 0, 1, 1, 0, 0}},
    {cmd::kRecentFile1 + 3, "Recent 4",    {1, 1, 0, 0, 1, 1, 0, 0}},
};

} // namespace

TEST(AppCommands, EnablingForEveryCombinationOfConnectedMeasuringAndDocument)
{
    for (const Expectation& e : kExpected) {
        for (int bits = 0; bits < 8; ++bits) {
            const AppCommandState s{(bits & 4) != 0, (bits & 2) != 0, (bits & 1) != 0};
            const std::optional<bool> got = IsAppCommandEnabled(e.id, s);
            ASSERT_TRUE(got.has_value()) << e.name;
            EXPECT_EQ(*got, e.enabled[bits]) << e.name << " connected=" << s.connected
                                             << " measuring=" << s.measuring
                                             << " document=" << s.documentActive;
        }
    }
}

TEST(AppCommands, CommandsOfOtherWindowsAreNotTheApplications)
{
    for (int id : {cmd::kExit, 32776, 32784, cmd::kRecentFile1 + 4, 0})
        EXPECT_FALSE(IsAppCommandEnabled(id, {true, false, true}).has_value()) << id;
}

TEST(AppCommands, TableHoldsEachCommandOnceWithItsKey)
{
    std::set<int> ids;
    std::set<std::string> keys;
    for (const AppCommandInfo& c : AppCommandTable()) {
        EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        if (c.key) {
            EXPECT_TRUE(keys.insert(c.key).second) << c.key;
        }
        EXPECT_TRUE(IsAppCommandEnabled(c.id, {}).has_value()) << c.id;
    }
    EXPECT_STREQ(FindAppCommand(cmd::kConnect)->key, "F9");
    EXPECT_STREQ(FindAppCommand(cmd::kStart)->key, "F5");
    EXPECT_STREQ(FindAppCommand(cmd::kStop)->key, "F6");
    EXPECT_STREQ(FindAppCommand(cmd::kStartNew)->key, "F2");
    EXPECT_STREQ(FindAppCommand(cmd::kMeasurementSettings)->key, "M");
    EXPECT_STREQ(FindAppCommand(cmd::kPaletteManager)->key, "P");
    EXPECT_STREQ(FindAppCommand(cmd::kOpen)->key, "Ctrl+O");
    EXPECT_STREQ(FindAppCommand(cmd::kF4)->key, "F4");
}
