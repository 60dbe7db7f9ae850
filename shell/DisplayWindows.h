// The display's windows that the main window opens on demand: the 50/60 Hz sensor window
// and the trace information bar. They read the application's data set and follow the
// radargram views: every view of an activated child window hands them its trace
// information after each of its refreshes, and the bar's full scale goes to the active view.
// Once the last view closes the bar shows nothing of the data set that was open.
#pragma once

class CRavikApp;
class CRavikView;
class QWidget;

// The view of the active document, or null.
CRavikView* ActiveRadargramView(CRavikApp& app);

// The window "50/60 Hz sensor data", owned by `owner`.
QWidget* MakeSensorWindow(CRavikApp& app, QWidget* owner);
// The contents of the "Trace info" bar.
QWidget* MakeTraceInfoBar(CRavikApp& app, QWidget* parent);
