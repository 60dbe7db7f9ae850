// The application's palette and marker commands run their dialogs over the application's
// own palette, gain, marker settings and profile.
#include "display/ColorPalette.h"
#include "display/PaletteDlg.h"
#include "shell/MarkerSettings.h"
#include "shell/dialogs/MarkDlg.h"
#include "shell/dialogs/PaletteManager.h"
#include "tests/shell/AppDoubles.h"

#include <QApplication>
#include <QCheckBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Runs `step` on the modal dialog `run` opens, once it is open.
template <class Dialog, class Step>
bool WithDialog(Step step, const std::function<bool()>& run)
{
    QTimer::singleShot(0, [step] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        step(*dialog);
    });
    return run();
}

} // namespace

TEST(AppPalette, ManagerEditsACopyThatOkPutsBackWithTheGainUntouched)
{
    AppHarness h;
    h.Start();
    h.app->m_palette.m_Colours[0] = 0x00FF0000;
    h.app->m_settings.m_nPaletteGain = 7;
    const bool ok = WithDialog<CPaletteDlg>(
        [](CPaletteDlg& dlg) {
            EXPECT_EQ(dlg.Palette().cellColours[0], 0x000000FFu);
            EXPECT_EQ(dlg.Palette().labelBase, 32768 / 7);
            dlg.Palette().cellColours[1] = 0x000000FF;
            dlg.accept();
        },
        [&h] { return RunPaletteManager(*h.app); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(h.app->m_palette.m_Colours[0], 0x00FF0000u);
    EXPECT_EQ(h.app->m_palette.m_Colours[1], 0x00FF0000u);
    EXPECT_EQ(h.app->m_settings.m_nPaletteGain, 7);
    EXPECT_EQ(h.app->m_palette.m_strPath, h.files.Folder() + "/palette");

    const bool cancelled = WithDialog<CPaletteDlg>(
        [](CPaletteDlg& dlg) {
            dlg.Palette().cellColours[2] = 0x000000FF;
            dlg.reject();
        },
        [&h] { return RunPaletteManager(*h.app); });
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(h.app->m_palette.m_Colours[2], 2u * 0x040404u);
}

TEST(AppMarkers, DialogOkWritesTheApplicationsMarkerSettingsToItsProfile)
{
    AppHarness h;
    h.Start();
    const bool ok = WithDialog<CMarkDlg>(
        [](CMarkDlg& dlg) {
            dlg.KeyBox(4)->setChecked(false);
            dlg.accept();
        },
        [&h] { return RunMarkerDialog(*h.app); });
    EXPECT_TRUE(ok);
    EXPECT_FALSE(h.app->m_pMarkerSettings->IsActive(4));
    EXPECT_EQ(h.profile.getInt("settings", "Mrk_Active", -1), 0x01F7);
    EXPECT_EQ(CMarkerSettings(h.profile).m_bActive, h.app->m_pMarkerSettings->m_bActive);
}
