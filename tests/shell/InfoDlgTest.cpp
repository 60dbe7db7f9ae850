// The measurement information dialog over the program's data set: what it shows of the
// current channel's header and what reaches the .rad file.

#include "tests/shell/AppDoubles.h"

#include "model/RadHeader.h"
#include "model/RadarData.h"
#include "shell/dialogs/DataExchange.h"
#include "shell/dialogs/InfoDlg.h"

#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

namespace {

// The program's data set; the current channel is slot B, channel 2 (index 3).
struct InfoHarness : AppHarness {
    InfoHarness()
    {
        realData = true;
        Construct();
        app->m_params.m_nCurSlot = 1;
        app->m_params.m_nCurChannel = 1;
        Header().m_strPath = dir.file("set_B2.rad");
    }
    CRadHeader& Header() { return app->DataSet()->Radar()->GetChannel(3).m_Header; }
    std::string File() const { return ReadFileBytes(dir.file("set_B2.rad")); }
    bool FileHas(const std::string& line) const { return File().find(line + "\r\n") != std::string::npos; }
    bool FileExists() const
    {
        struct stat st {};
        return ::stat(dir.file("set_B2.rad").c_str(), &st) == 0;
    }
    bool Logged(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }
};

QString Text(QWidget& w, const char* name)
{
    auto* edit = w.findChild<QLineEdit*>(name);
    EXPECT_NE(edit, nullptr) << name;
    return edit ? edit->text() : QString();
}

void Type(QWidget& w, const char* name, const QString& text)
{
    auto* edit = w.findChild<QLineEdit*>(name);
    ASSERT_NE(edit, nullptr) << name;
    edit->setText(text);
}

}  // namespace

TEST(InfoDlg, ShowsTheCurrentChannelsHeaderInTheDistanceUnit)
{
    InfoHarness h;
    h.app->m_params.m_strUnits = "F";
    CRadHeader& H = h.Header();
    H.m_strAntennas = "800 MHz";
    H.m_dInterval = 0.3048;
    H.m_nSamples = 512;
    H.m_nStacks = 4;
    H.m_fFrequency = 1000.04f;
    H.m_strOperator = "Ines";
    H.m_strCustomer = "Roads Office";
    H.m_strSite = "Bridge 7";
    H.m_strComment = "north lane";
    CInfoDlg dlg(*h.app);

    EXPECT_EQ(Text(dlg, "c1013"), "800 MHz");
    EXPECT_EQ(Text(dlg, "c1023"), "1");
    EXPECT_EQ(dlg.findChild<QLabel*>("c1144")->text(), "feet");
    EXPECT_EQ(dlg.findChild<QLabel*>("c1146")->text(), "feet");
    EXPECT_EQ(Text(dlg, "c1020"), "512");
    EXPECT_EQ(Text(dlg, "c1025"), "4");
    EXPECT_EQ(Text(dlg, "c1016"), "1000");
    EXPECT_EQ(Text(dlg, "c1018"), "512");
    EXPECT_EQ(Text(dlg, "c1036"), "Ines");
    EXPECT_EQ(Text(dlg, "c1206"), "Roads Office");
    EXPECT_EQ(Text(dlg, "c1052"), "Bridge 7");
    EXPECT_EQ(Text(dlg, "c1054"), "north lane");
    for (const char* readOnly : {"c1013", "c1020", "c1025", "c1016", "c1018", "c1023"})
        EXPECT_TRUE(dlg.findChild<QLineEdit*>(readOnly)->isReadOnly()) << readOnly;
}

TEST(InfoDlg, FrequencyNoUnitCanHaveGivesNoTimeWindow)
{
    for (float frequency : {0.0f, -5.0f, 1.0f, std::numeric_limits<float>::quiet_NaN()}) {
        InfoHarness h;
        h.Header().m_nSamples = 512;
        h.Header().m_fFrequency = frequency;
        CInfoDlg dlg(*h.app);
        EXPECT_EQ(Text(dlg, "c1018"), "0") << frequency;
        EXPECT_EQ(Text(dlg, "c1016"), "0") << frequency;
    }
}

TEST(InfoDlg, OkWritesTheTypedTextsIntoTheRadFile)
{
    InfoHarness h;
    CInfoDlg dlg(*h.app);
    Type(dlg, "c1036", "Ines");
    Type(dlg, "c1206", QString::fromUtf8("Stra\xC3\x9F" "enbau \xE2\x82\xAC"));
    Type(dlg, "c1052", "Bridge 7");
    Type(dlg, "c1054", QString(90, QChar('x')));
    dlg.accept();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(h.FileHas("OPERATOR:Ines"));
    EXPECT_TRUE(h.FileHas("CUSTOMER:Stra\xDF" "enbau ?")) << h.File();
    EXPECT_TRUE(h.FileHas("SITE:Bridge 7"));
    EXPECT_TRUE(h.FileHas("COMMENT:" + std::string(80, 'x')));
    EXPECT_FALSE(h.Logged("message 143"));
}

TEST(InfoDlg, SeparationOutOfRangeKeepsTheDialogOpenAndWritesNothing)
{
    InfoHarness h;
    const std::string customer = h.Header().m_strCustomer;
    CInfoDlg dlg(*h.app);
    Type(dlg, "c1206", "ACME");
    Type(dlg, "c1027", "150");
    dlg.accept();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(h.log.back(), "text Please enter a number between 0.01 and 100.");
    EXPECT_FALSE(h.FileExists());
    EXPECT_EQ(h.Header().m_strCustomer, customer);
}

TEST(InfoDlg, SeparationBoundsHoldForTypedAndStoredValues)
{
    struct Case {
        const char* units;
        float stored;       // metres, in the channel
        const char* typed;  // nullptr: the shown value is left alone
        bool accepted;
    };
    for (const Case& c : {Case{"M", 0.01f, nullptr, true}, Case{"M", 100.0f, nullptr, true},
                          Case{"F", 0.003048f, nullptr, true}, Case{"I", 2.54f, nullptr, true},
                          Case{"M", 0.5f, "0.01", true}, Case{"M", 0.5f, "100", true},
                          Case{"F", 0.5f, "0.01", true}, Case{"M", 0.5f, "0.0099", false},
                          Case{"M", 0.5f, "100.01", false}, Case{"M", 0.0099f, nullptr, false}}) {
        InfoHarness h;
        h.app->m_params.m_strUnits = c.units;
        h.app->m_params.m_params[3].m_fAntennaSeparation = c.stored;
        CInfoDlg dlg(*h.app);
        if (c.typed)
            Type(dlg, "c1027", c.typed);
        dlg.accept();
        SCOPED_TRACE(std::string(c.units) + " " + (c.typed ? c.typed : "stored " + std::to_string(c.stored)));
        EXPECT_EQ(dlg.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(h.Logged("text Please enter a number between 0.01 and 100."), !c.accepted);
    }
}

TEST(InfoDlg, InFileViewModeTheTypedSeparationGoesIntoTheFileAsItStands)
{
    InfoHarness h;
    h.app->m_status.m_bOldDataFile = 1;
    h.Header().m_fAntennaSeparation = 0.2f;
    h.Header().m_nSamples = 256;
    CInfoDlg dlg(*h.app);
    EXPECT_EQ(Text(dlg, "c1027"), "0.2");
    Type(dlg, "c1027", "0.5");
    dlg.accept();
    EXPECT_TRUE(h.FileHas("ANTENNA SEPARATION: 0.500000"));
    EXPECT_TRUE(h.FileHas("SAMPLES:256")) << "the stored data set's values stay";
    EXPECT_FLOAT_EQ(h.app->m_params.m_params[3].m_fAntennaSeparation, 0.1f) << "the channel is not the file's";
}

TEST(InfoDlg, OutsideFileViewModeAChangedSeparationGoesIntoTheChannel)
{
    InfoHarness h;
    h.app->m_params.m_strUnits = "F";
    h.app->m_params.m_params[3].m_fAntennaSeparation = 0.3048f;
    h.Header().m_fAntennaSeparation = 0.9f;  // stale
    {
        CInfoDlg dlg(*h.app);
        EXPECT_EQ(Text(dlg, "c1027"), "1");
        dlg.accept();
        EXPECT_FLOAT_EQ(h.app->m_params.m_params[3].m_fAntennaSeparation, 0.3048f);
        EXPECT_TRUE(h.FileHas("ANTENNA SEPARATION: 0.304800"));
    }
    CInfoDlg dlg(*h.app);
    Type(dlg, "c1027", "2");
    dlg.accept();
    EXPECT_FLOAT_EQ(h.app->m_params.m_params[3].m_fAntennaSeparation, 0.6096f);
    EXPECT_TRUE(h.FileHas("ANTENNA SEPARATION: 0.609600"));
}

TEST(InfoDlg, WithoutADataSetNothingIsWrittenOrShown)
{
    InfoHarness h;
    h.Header().m_strPath.clear();
    CInfoDlg dlg(*h.app);
    Type(dlg, "c1036", "Ines");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(h.Header().m_strOperator, "Ines");
    EXPECT_FALSE(h.FileExists());
    EXPECT_FALSE(h.Logged("message 143"));
}

TEST(InfoDlg, AFailedHeaderWriteIsShown)
{
    InfoHarness h;
    h.Header().m_strPath = h.dir.file("gone/set_B2.rad");
    CInfoDlg dlg(*h.app);
    dlg.accept();
    EXPECT_TRUE(h.Logged("message 143"));
}

TEST(InfoDlg, CancelLeavesTheHeader)
{
    InfoHarness h;
    h.Header().m_strSite = "old";
    CInfoDlg dlg(*h.app);
    Type(dlg, "c1052", "new");
    Type(dlg, "c1027", "0.7");
    dlg.reject();
    EXPECT_EQ(h.Header().m_strSite, "old");
    EXPECT_FLOAT_EQ(h.app->m_params.m_params[3].m_fAntennaSeparation, 0.1f);
    EXPECT_FALSE(h.FileExists());
}

TEST(DataExchange, FieldTextIsLatin1WithoutLineBreaksAndCut)
{
    struct Case {
        QString typed;
        std::size_t max;
        std::string stored;
    };
    for (const Case& c : {Case{"a\r\nb", 80, "ab"},
                          Case{QString::fromUtf8("M\xC3\xBCller"), 80, "M\xFCller"},
                          Case{QString::fromUtf8("\xE2\x82\xAC 5"), 80, "? 5"},
                          Case{QString::fromUtf8("\xF0\x9F\x98\x80!"), 80, "?!"},
                          Case{"abcdef", 4, "abcd"}})
        EXPECT_EQ(dx::FieldText(c.typed, c.max), c.stored) << c.typed.toStdString();
}

TEST(DataExchange, NumbersAreReadWithAPointOnly)
{
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    for (const Case& c : {Case{" 2.5 ", true, 2.5}, Case{"-1e3", true, -1000}, Case{"2,5", false, 0},
                          Case{"2.5m", false, 0}, Case{"", false, 0}, Case{"inf", false, 0}}) {
        double v = 0;
        EXPECT_EQ(dx::ParseNumber(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}
