// The palette manager: the working palette shown in the colour column, picking, marking,
// interpolating and files through the dialog, and what OK and Cancel leave behind.
#include "display/ColorPalette.h"
#include "display/PaletteDlg.h"
#include "tests/support/Limits.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct PaletteDlgFixture : ::testing::Test {
    PaletteDlgFixture()
    {
        working.m_nGain = 11;
        working.m_Colours[0] = 0x00FF0000;  // red
        working.m_Colours[1] = 0x000000FF;  // blue
    }

    std::unique_ptr<CPaletteDlg> Open()
    {
        CPaletteDlg::Choosers c;
        c.colour = [this](const QColor& initial, QWidget*, QColor& chosen) {
            offered.push_back(initial);
            chosen = nextColour;
            return colourOk;
        };
        c.openFile = [this](QWidget*) { return openPath; };
        c.saveFile = [this](QWidget*) { return savePath; };
        c.warn = [this](QWidget*, const QString& text) { warnings.push_back(text.toStdString()); };
        auto dlg = std::make_unique<CPaletteDlg>(working, nullptr, c);
        dlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        return dlg;
    }

    static void Click(QWidget& dlg, int id)
    {
        auto* b = dlg.findChild<QPushButton*>(QString("c%1").arg(id));
        ASSERT_NE(b, nullptr) << id;
        QTest::mouseClick(b, Qt::LeftButton);
    }

    static QImage Shot(QWidget& w)
    {
        QImage image(w.size(), QImage::Format_RGB32);
        w.render(&image);
        return image;
    }

    // Offscreen windows keep fewer bits per component than a colour holds.
    static bool Near(QRgb pixel, const QColor& colour)
    {
        return std::abs(qRed(pixel) - colour.red()) <= 4 && std::abs(qGreen(pixel) - colour.green()) <= 4 &&
               std::abs(qBlue(pixel) - colour.blue()) <= 4;
    }

    TempDir dir;
    CRadarPalette working;
    std::vector<QColor> offered;
    QColor nextColour{10, 200, 30};
    bool colourOk = true;
    std::string openPath, savePath;
    std::vector<std::string> warnings;
};

} // namespace

TEST_F(PaletteDlgFixture, ShowsTheWorkingColoursInTheColumn)
{
    auto dlg = Open();
    EXPECT_EQ(dlg->windowTitle(), "Palette Manager");
    CColorPalette& column = dlg->Palette();
    EXPECT_EQ(column.objectName(), "c102");
    EXPECT_EQ(column.geometry(), QRect(10, 10, 100, 440));
    EXPECT_EQ(column.cellHeight, 6);
    EXPECT_EQ(column.labelBase, 2978);
    EXPECT_EQ(column.cellColours[0], 0x000000FFu) << "red with red in the low byte";
    EXPECT_EQ(column.cellColours[1], 0x00FF0000u);
    const QImage shot = Shot(*dlg);
    EXPECT_TRUE(Near(shot.pixel(10 + 2, 10 + 6 + 2), QColor(255, 0, 0)));
    EXPECT_TRUE(Near(shot.pixel(10 + 2, 10 + 12 + 2), QColor(0, 0, 255)));
    EXPECT_TRUE(Near(shot.pixel(10 + 2, 10 + 64 * 6 + 2), QColor(252, 252, 252)));
}

TEST_F(PaletteDlgFixture, ClicksPickTheCellUnderThePointerBelowTheEmptyTopRow)
{
    auto dlg = Open();
    CColorPalette& column = dlg->Palette();
    QTest::mouseClick(&column, Qt::LeftButton, Qt::NoModifier, QPoint(20, 3));
    EXPECT_EQ(column.selected, -1);
    Click(*dlg, 1160);  // "Add node" with nothing selected
    EXPECT_EQ(column.FindFirstMark(), 64);
    for (int y : {6, 11}) {
        QTest::mouseClick(&column, Qt::LeftButton, Qt::NoModifier, QPoint(20, y));
        EXPECT_EQ(column.selected, 0) << y;
    }
    QTest::mouseClick(&column, Qt::LeftButton, Qt::NoModifier, QPoint(20, 6 * 64 + 5));
    EXPECT_EQ(column.selected, 63);
    EXPECT_EQ(column.GetSelectedColor(), 0xFCFCFCu);
    QTest::mouseClick(&column, Qt::RightButton, Qt::NoModifier, QPoint(20, 6 * 11));
    EXPECT_EQ(column.selected, 10);
    EXPECT_EQ(column.FindFirstMark(), 10);
    EXPECT_TRUE(Near(Shot(*dlg).pixel(10, 10 + 6 * 11 + 3), QColor(255, 0, 0))) << "marked cell outlined red";
    QTest::mouseClick(&column, Qt::RightButton, Qt::NoModifier, QPoint(20, 6 * 66));
    EXPECT_EQ(column.selected, 65);
    EXPECT_EQ(column.FindFirstMark(), 10) << "below the last cell nothing can be marked";
}

TEST_F(PaletteDlgFixture, DoubleClickGivesTheSelectedEntryAChosenColourAndMarksIt)
{
    auto dlg = Open();
    CColorPalette& column = dlg->Palette();
    // The first press of a double click selects the entry.
    QTest::mouseClick(&column, Qt::LeftButton, Qt::NoModifier, QPoint(20, 6 * 2 + 1));
    QTest::mouseDClick(&column, Qt::LeftButton, Qt::NoModifier, QPoint(20, 6 * 2 + 1));
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0], QColor(0, 0, 255));
    EXPECT_EQ(column.cellColours[1], 0x001EC80Au);
    EXPECT_EQ(column.marks[1], 1u);
    EXPECT_TRUE(Near(Shot(*dlg).pixel(12, 10 + 12 + 2), nextColour));

    colourOk = false;
    QTest::mouseClick(&column, Qt::LeftButton, Qt::NoModifier, QPoint(20, 6 * 5 + 1));
    QTest::mouseDClick(&column, Qt::LeftButton, Qt::NoModifier, QPoint(20, 6 * 5 + 1));
    EXPECT_EQ(column.cellColours[4], 4u * 0x040404u);
    EXPECT_EQ(column.marks[4], 0u);
}

TEST_F(PaletteDlgFixture, InterpolateJoinsNodesAndDefaultKeepsMarks)
{
    auto dlg = Open();
    CColorPalette& column = dlg->Palette();
    column.cellColours[20] = 0x000000FF;
    column.cellColours[24] = 0x00000000;
    column.marks[20] = column.marks[24] = 1;
    Click(*dlg, 1084);
    EXPECT_EQ(column.cellColours[22], 255u - 2 * 63) << "steps of -255 / 4, truncated";
    EXPECT_EQ(column.FindFirstMark(), 64);

    column.marks[5] = 1;
    Click(*dlg, 1157);
    EXPECT_EQ(column.cellColours[22], 22u * 0x040404u);
    EXPECT_EQ(column.cellColours[0], 0u);
    EXPECT_EQ(column.marks[5], 1u);
}

TEST_F(PaletteDlgFixture, OkPutsTheColoursBackAndCancelNot)
{
    {
        auto dlg = Open();
        dlg->Palette().cellColours[2] = 0x00112233;
        Click(*dlg, 2);
        EXPECT_EQ(working.m_Colours[2], 2u * 0x040404u);
    }
    auto dlg = Open();
    dlg->Palette().cellColours[2] = 0x00112233;
    Click(*dlg, 1);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(working.m_Colours[2], 0x00332211u);
    EXPECT_EQ(working.m_Colours[0], 0x00FF0000u);
    EXPECT_EQ(working.m_nGain, 11);
}

TEST_F(PaletteDlgFixture, PaletteFileRoundTripThroughTheButtons)
{
    savePath = dir.file("Palette.pal");
    {
        auto dlg = Open();
        Click(*dlg, 1167);
        EXPECT_TRUE(warnings.empty());
    }
    const std::string bytes = ReadFileBytes(savePath);
    ASSERT_EQ(bytes.size(), 256u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\x00\x00\x00", 4));

    working = CRadarPalette();
    openPath = savePath;
    auto dlg = Open();
    Click(*dlg, 1166);
    Click(*dlg, 1);
    EXPECT_EQ(working.m_Colours[0], 0x00FF0000u);
    EXPECT_EQ(working.m_Colours[1], 0x000000FFu);
    EXPECT_TRUE(warnings.empty());
}

TEST_F(PaletteDlgFixture, FilesThatFailAreReportedAndChangeNothing)
{
    auto dlg = Open();
    openPath = dir.file("missing.pal");
    Click(*dlg, 1166);
    savePath = dir.file("x.pal");
    {
        FileSizeLimit diskFull(100);
        ASSERT_TRUE(diskFull.ok());
        Click(*dlg, 1167);
    }
    EXPECT_EQ(warnings, (std::vector<std::string>{"Cannot read palette file", "Cannot write palette file"}));
    EXPECT_EQ(dlg->Palette().cellColours[0], 0x000000FFu);
    EXPECT_FALSE(std::filesystem::exists(savePath));

    openPath.clear();
    savePath.clear();
    Click(*dlg, 1166);
    Click(*dlg, 1167);
    EXPECT_EQ(warnings.size(), 2u) << "a cancelled file dialog is no failure";
}

TEST(ColorPalette, ColumnTooLowForCellsPicksNothing)
{
    CColorPalette column;
    ASSERT_TRUE(column.Create(QRect(0, 0, 100, 40), 102));
    EXPECT_EQ(column.cellHeight, 0);
    QTest::mouseClick(&column, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    EXPECT_EQ(column.selected, -1);
    column.cellCount = 0;
    EXPECT_FALSE(column.Create(QRect(0, 0, 100, 440), 102));
}

TEST(PaletteDlgFiles, FileDialogsOpenWithTheNameFieldFocused)
{
    CRadarPalette working;
    CPaletteDlg dlg(working);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    for (int id : {1167, 1166}) {
        QString focused, name, title;
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!files)
                return;
            seen = true;
            QTest::qWait(50);
            auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            focused = edit ? edit->objectName() : QString();
            name = edit ? edit->text() : QString();
            files->reject();
        });
        QTest::mouseClick(dlg.findChild<QPushButton*>(QString("c%1").arg(id)), Qt::LeftButton);
        ASSERT_TRUE(seen) << id;
        EXPECT_EQ(focused, "fileNameEdit") << id;
        if (id == 1167) {
            EXPECT_EQ(name, "Palette");
        }
    }
    EXPECT_EQ(working.m_Colours, CRadarPalette::GreyRamp());
}
