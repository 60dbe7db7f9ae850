#include "shell/dialogs/PaletteManager.h"

#include "display/PaletteDlg.h"
#include "shell/MainFrame.h"
#include "shell/RavikApp.h"

bool RunPaletteManager(CRavikApp& app)
{
    CRadarPalette working;
    working.Assign(app.m_palette);
    working.m_nGain = app.m_settings.m_nPaletteGain;
    CPaletteDlg dialog(working, app.MainWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The gain is the application's own setting; the editor leaves it as it was.
    app.m_palette.m_Colours = working.m_Colours;
    return true;
}
