// The position bar in the toolbar row of the main window. Update recomputes it from the
// application's state (position, buffer load, battery, GPS position) and redraws it.
//
// This build holds the bar's place in the window only; its fields and drawing come with
// the position bar itself.
#pragma once

#include <QWidget>

class CWorkload : public QWidget {
    Q_OBJECT
public:
    explicit CWorkload(QWidget* parent = nullptr);
    virtual void Update();
};
