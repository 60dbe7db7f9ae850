// The marker dialog: what it shows of the settings, what OK stores, what Cancel keeps, and
// the colour swatches.
#include "model/Profile.h"
#include "shell/dialogs/MarkDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct MarkDlgFixture : ::testing::Test {
    MarkDlgFixture()
    {
        profile.writeString("settings", "Marker Text", "pipe|wall|");
        profile.writeInt("settings", "Mrk_Active", 0x01FB);  // key 3 off
        settings.Load(profile);
        profile = MemoryProfile();
    }

    std::unique_ptr<CMarkDlg> Open(CMarkDlg::ColourChooser chooser = {})
    {
        auto dlg = std::make_unique<CMarkDlg>(settings, profile, nullptr, std::move(chooser));
        dlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        return dlg;
    }

    // The dialog drawn at full colour depth (the offscreen screen has fewer bits).
    static QImage Shot(QWidget& dlg)
    {
        QImage image(dlg.size(), QImage::Format_RGB32);
        dlg.render(&image);
        return image;
    }

    // Offscreen windows keep fewer bits per component than a colour holds.
    static bool Near(QRgb pixel, const QColor& colour)
    {
        return std::abs(qRed(pixel) - colour.red()) <= 4 && std::abs(qGreen(pixel) - colour.green()) <= 4 &&
               std::abs(qBlue(pixel) - colour.blue()) <= 4;
    }

    template <class T>
    static T* Control(QWidget& dlg, int id)
    {
        auto* c = dlg.findChild<T*>(QString("c%1").arg(id));
        EXPECT_NE(c, nullptr) << id;
        return c;
    }

    CMarkerSettings settings;
    MemoryProfile profile;
};

} // namespace

TEST_F(MarkDlgFixture, ShowsEachKeysFlagAndComment)
{
    auto dlg = Open();
    EXPECT_EQ(dlg->windowTitle(), "Markers configuration");
    for (int n = 1; n <= 9; ++n) {
        auto* key = Control<QCheckBox>(*dlg, 1060 + n);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->text(), QString("Key %1").arg(n));
        EXPECT_EQ(key->isChecked(), n != 3) << n;
        auto* edit = Control<QLineEdit>(*dlg, n == 9 ? 1079 : 1069 + n);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->maxLength(), 10);
    }
    EXPECT_EQ(dlg->findChild<QWidget*>("c1078"), nullptr);
    EXPECT_EQ(Control<QLineEdit>(*dlg, 1070)->text(), "pipe");
    EXPECT_EQ(Control<QLineEdit>(*dlg, 1071)->text(), "wall");
    EXPECT_EQ(Control<QLineEdit>(*dlg, 1072)->text(), " ");
}

TEST_F(MarkDlgFixture, OkStoresFlagsAndCommentsInTheProfile)
{
    auto dlg = Open();
    QTest::mouseClick(Control<QCheckBox>(*dlg, 1063), Qt::LeftButton);
    QLineEdit* ninth = Control<QLineEdit>(*dlg, 1079);
    ninth->selectAll();
    QTest::keyClicks(ninth, "cable|duct 12345");
    EXPECT_EQ(ninth->text(), "cableduct ") << "no bar, no eleventh character";
    QTest::mouseClick(Control<QPushButton>(*dlg, 1), Qt::LeftButton);

    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(profile.getInt("settings", "Mrk_Active", -1), 0x01FF);
    EXPECT_EQ(profile.getString("settings", "Marker Text", ""), "pipe|wall| | | | | | |cableduct |");
    EXPECT_TRUE(settings.IsActive(3));
    EXPECT_EQ(settings.m_strText[8], "cableduct ");
}

TEST_F(MarkDlgFixture, CancelStoresNothing)
{
    auto dlg = Open();
    QTest::mouseClick(Control<QCheckBox>(*dlg, 1061), Qt::LeftButton);
    Control<QLineEdit>(*dlg, 1070)->setText("changed");
    QTest::mouseClick(Control<QPushButton>(*dlg, 2), Qt::LeftButton);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_TRUE(profile.writeOrder().empty());
    EXPECT_TRUE(settings.IsActive(1));
    EXPECT_EQ(settings.m_strText[0], "pipe");
}

TEST_F(MarkDlgFixture, SwatchesShowEachKeysColourBesideItsCheckBox)
{
    auto dlg = Open();
    const QImage shot = Shot(*dlg);
    for (int n = 1; n <= 9; ++n) {
        const QRect r = dlg->SwatchRect(n);
        const QRect box(Control<QCheckBox>(*dlg, 1060 + n)->mapTo(dlg.get(), QPoint(0, 0)),
                        Control<QCheckBox>(*dlg, 1060 + n)->size());
        EXPECT_EQ(r.left(), box.right() + 1 + 10);
        EXPECT_EQ(r.width(), r.height());
        EXPECT_TRUE(Near(shot.pixel(r.center()), ColorFromBgr(settings.m_Colour[n - 1]))) << n;
    }
}

TEST_F(MarkDlgFixture, DoubleClickOnASwatchSetsItsColourAtOnceAndCancelKeepsIt)
{
    QColor offered;
    auto dlg = Open([&offered](const QColor& initial, QWidget*, QColor& chosen) {
        offered = initial;
        chosen = QColor(10, 20, 30);
        return true;
    });
    const QPoint centre = dlg->SwatchRect(2).center();
    QTest::mouseDClick(dlg.get(), Qt::LeftButton, Qt::NoModifier, centre);
    EXPECT_EQ(offered, QColor(0, 255, 0));
    EXPECT_EQ(settings.m_Colour[1], 0x001E140Au);
    EXPECT_TRUE(Near(Shot(*dlg).pixel(centre), QColor(10, 20, 30)));

    QTest::mouseClick(Control<QPushButton>(*dlg, 2), Qt::LeftButton);
    EXPECT_EQ(settings.m_Colour[1], 0x001E140Au);
    EXPECT_TRUE(profile.writeOrder().empty());
}

TEST_F(MarkDlgFixture, DoubleClickBesideTheSwatchesOrAChooserCancelledChangesNothing)
{
    int asked = 0;
    auto dlg = Open([&asked](const QColor&, QWidget*, QColor& chosen) {
        ++asked;
        chosen = QColor(1, 2, 3);
        return false;
    });
    const auto before = settings.m_Colour;
    QTest::mouseDClick(dlg.get(), Qt::LeftButton, Qt::NoModifier, dlg->SwatchRect(9).bottomRight() + QPoint(2, 2));
    EXPECT_EQ(asked, 0);
    QTest::mouseDClick(dlg.get(), Qt::LeftButton, Qt::NoModifier, dlg->SwatchRect(5).center());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(settings.m_Colour, before);
}
