// The colour column of the palette editor: the 64 palette entries drawn top to bottom as
// cells (the topmost cell row stays empty), with the sample value at every fourth boundary.
// A left click selects the entry under the pointer, a right click selects it and toggles
// its node mark, a double click asks the editor for a new colour for the selected entry.
#pragma once

#include "display/PalFile.h"

#include <QWidget>

class CColorPalette : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCells = pal::kEntries;

    // Grey ramp, no marks, nothing selected, label base 32768.
    explicit CColorPalette(QWidget* parent = nullptr);

    // Places the column at `rect` (parent coordinates); the cell height is its height / 64.
    // False for a column of no cells.
    bool Create(const QRect& rect, int id);

    // The selected entry's colour (0x00BBGGRR), 0 when none is selected.
    std::uint32_t GetSelectedColor() const;
    // Sets the selected entry when there is one; redraws in every case.
    void SetSelectedColor(std::uint32_t colour);
    // Flips the selected entry's mark, when there is one; redraws.
    void ToggleMark();
    // The first marked entry, or kCells when none is marked.
    int FindFirstMark() const;
    void Interpolate();
    // False, with the entries unchanged, when the file cannot be read or written.
    bool LoadFile(const std::string& path);
    bool SaveFile(const std::string& path) const;

    pal::Entries cellColours;
    int selected = -1;
    int cellHeight = 0;
    int labelBase = 32768;
    int cellCount = kCells;
    pal::Marks marks{};

signals:
    // A double click on the column (at most one cell below the last).
    void colourRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The entry at row y: y / cellHeight - 1; -1 for a column too low to hold cells.
    int EntryAt(int y) const;
};
