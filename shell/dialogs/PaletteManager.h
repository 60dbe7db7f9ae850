// The application's palette command: the palette manager on a copy of the application's
// palette and gain; on OK the colours go back into the application's palette.
#pragma once

class CRavikApp;

// True on OK.
bool RunPaletteManager(CRavikApp& app);
