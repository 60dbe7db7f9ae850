// The antenna preset list and the preset name entry.

#include "shell/dialogs/AntennaDlg.h"
#include "shell/dialogs/StringEntryDlg.h"
#include "tests/shell/MeasDialogFixture.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

using AntennaList = MeasDialogTest;

QStringList Names(CAntennaDlg& dlg)
{
    QStringList names;
    auto* list = dlg.findChild<QListWidget*>("c1008");
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

} // namespace

TEST_F(AntennaList, ListsThePresetsInOrderWithTheFirstSelected)
{
    AddPresets({"b", "a", "c\xe9"});
    CAntennaDlg dlg(params(), h.prompter);
    EXPECT_EQ(dlg.windowTitle(), "Antenna preset list");
    EXPECT_EQ(Names(dlg), (QStringList{"b", "a", QString::fromLatin1("c\xe9")}));
    EXPECT_EQ(dlg.findChild<QListWidget*>("c1008")->currentRow(), 0);
    EXPECT_TRUE(dlg.findChild<QPushButton*>("c1150")->isHidden());
}

TEST_F(AntennaList, RemoveAsksAndKeepsASelection)
{
    struct Case {
        int presets, selected;
        bool yes;
        QStringList left;
        int selectedAfter;
        bool asked;
    };
    const Case cases[] = {
        {3, 2, true, {"p0", "p1"}, 1, true},        // the last of three: the new last is selected
        {1, 0, true, {}, -1, true},                 // the only one: an empty list
        {3, 1, false, {"p0", "p1", "p2"}, 1, true}, // No: unchanged, same entry
        {3, -1, true, {"p0", "p1", "p2"}, -1, false}, // no selection: nothing asked
    };
    for (const Case& c : cases) {
        params().m_presets.clear();
        for (int i = 0; i < c.presets; ++i) {
            CMeasParam p;
            p.m_strName = "p" + std::to_string(i);
            params().AddPreset(p);
        }
        h.prompter.answerYes = c.yes;
        h.log.clear();
        CAntennaDlg dlg(params(), h.prompter);
        dlg.findChild<QListWidget*>("c1008")->setCurrentRow(c.selected);
        QTest::mouseClick(dlg.findChild<QPushButton*>("c1151"), Qt::LeftButton);
        SCOPED_TRACE(c.presets * 10 + c.selected);
        EXPECT_EQ(Names(dlg), c.left);
        EXPECT_EQ(params().GetPresetCount(), c.left.size());
        EXPECT_EQ(dlg.findChild<QListWidget*>("c1008")->currentRow(), c.selectedAfter);
        EXPECT_EQ(h.log == EventLog{"question 57608"}, c.asked);
    }
}

TEST_F(AntennaList, OkGivesTheChoiceAndWithoutOneCancels)
{
    AddPresets({"a", "b"});
    CAntennaDlg chosen(params(), h.prompter);
    chosen.findChild<QListWidget*>("c1008")->setCurrentRow(1);
    chosen.accept();
    EXPECT_EQ(chosen.result(), QDialog::Accepted);
    EXPECT_EQ(chosen.SelectedIndex(), 1);

    CAntennaDlg none(params(), h.prompter);
    none.findChild<QListWidget*>("c1008")->setCurrentRow(-1);
    none.accept();
    EXPECT_EQ(none.result(), QDialog::Rejected);
    EXPECT_EQ(none.SelectedIndex(), -1);
}

TEST(StringEntry, TakesTwentyCharactersAndNoBlankName)
{
    CStringEntryDlg dlg;
    dlg.SetTitle("Enter new preset name");
    dlg.SetPrompt("Preset name:");
    EXPECT_EQ(dlg.windowTitle(), "Enter new preset name");
    EXPECT_EQ(dlg.findChild<QLabel*>("c1153")->text(), "Preset name:");
    auto* edit = dlg.findChild<QLineEdit*>("c1033");
    auto* ok = dlg.findChild<QPushButton*>("c1");
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(edit, "   ");
    EXPECT_FALSE(ok->isEnabled()) << "a blank name is no name";
    edit->clear();
    QTest::keyClicks(edit, "abcdefghijklmnopqrstuvwxy");
    EXPECT_EQ(edit->text(), "abcdefghijklmnopqrst");
    ASSERT_TRUE(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Text(), "abcdefghijklmnopqrst");
}
