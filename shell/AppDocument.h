// What the application object needs of an open document: the document of the active child
// window measures or shows one data set, and the application starts, stops, refreshes and
// closes it.
#pragma once

#include <string>

class QWidget;

class AppDocument {
public:
    virtual ~AppDocument() = default;
    // A new, empty document for a measurement; false when it cannot be prepared.
    virtual bool OnNewDocument() = 0;
    // Opens a stored data set for viewing; false when it cannot be opened.
    virtual bool OnOpenDocument(const std::string& path) = 0;
    // Closes the data set's files. The window that shows the document goes with it.
    virtual void OnCloseDocument() = 0;
    // The Start and Stop commands of the document.
    virtual void OnMeasureStart() = 0;
    virtual void OnMeasureStop() = 0;
    // Stops a running measurement without the rest of the Stop command (used before the
    // document is replaced by a new one).
    virtual void StopMeasurement() = 0;
    // Redraws every view of the document with the newest traces.
    virtual void RefreshViews() = 0;
    // The view that draws the document inside its child window (owned by `parent`), or null
    // for a document that has no view.
    virtual QWidget* CreateView(QWidget* parent) { (void)parent; return nullptr; }
    // The document's name as its child window's title shows it.
    virtual std::string GetTitle() const { return {}; }
};
