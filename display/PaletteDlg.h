// The palette manager "Palette Manager": edits a working copy of the radar palette's 64
// colours. An entry is picked in the colour column and given a colour from the colour
// chooser; entries marked as nodes are joined by straight colour lines ("Interpolate");
// "Default" brings back the grey ramp; colours are loaded from and saved to `.pal` files.
// OK puts the colours back into the working palette (its gain stays); Cancel changes nothing.
#pragma once

#include "display/RadarPalette.h"

#include <QDialog>

#include <functional>
#include <string>

class CColorPalette;

class CPaletteDlg : public QDialog {
    Q_OBJECT
public:
    // What the dialog asks the operator outside itself; tests replace them.
    struct Choosers {
        // A colour starting from `initial`; true with `chosen` set on OK.
        std::function<bool(const QColor& initial, QWidget* parent, QColor& chosen)> colour;
        // A `.pal` file to read, or to write (starting from the name "Palette"); empty when
        // the operator cancelled.
        std::function<std::string(QWidget* parent)> openFile;
        std::function<std::string(QWidget* parent)> saveFile;
        // A warning with an OK button.
        std::function<void(QWidget* parent, const QString& text)> warn;
    };

    // Edits `working`; choosers left empty are the platform's own dialogs.
    explicit CPaletteDlg(CRadarPalette& working, QWidget* parent = nullptr, Choosers choosers = {});

    // The control's entries from the working palette (red and blue exchanged).
    void OnInitDialog();
    void OnEditNodeColor();
    void OnInterpolate();
    void OnDefault();
    void OnAddNode();
    void OnLoadPalette();
    void OnSavePalette();
    void accept() override;

    CColorPalette& Palette() const { return *m_palette; }

private:
    CRadarPalette& m_working;
    Choosers m_choosers;
    CColorPalette* m_palette = nullptr;
};

// Texts of the two file failures.
inline constexpr const char* kPalReadFailText = "Cannot read palette file";
inline constexpr const char* kPalWriteFailText = "Cannot write palette file";
