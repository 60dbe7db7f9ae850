#include "gps/NmeaSentence.h"
#include "tests/gps/GpsTestSupport.h"

#include <clocale>
#include <gtest/gtest.h>

namespace {

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";

} // namespace

TEST(NmeaFields, NumberedFromTheSentenceName)
{
    EXPECT_EQ(GetNmeaField(kGga, 0, false), "$GPGGA");
    EXPECT_EQ(GetNmeaField(kGga, 1, false), "123519");
    EXPECT_EQ(GetNmeaField(kGga, 2, false), "4807.038");
    EXPECT_EQ(GetNmeaField(kGga, 6, false), "1");
    EXPECT_EQ(GetNmeaField(kGga, 9, false), "545.4");
    EXPECT_EQ(GetNmeaField(kGga, 13, false), "") << "empty between two commas";
    EXPECT_EQ(GetNmeaField(kGga, 14, false), "") << "no comma ends the checksum field";
    EXPECT_EQ(GetNmeaField(kGga, 40, false), "");
    EXPECT_EQ(GetNmeaField(kGga, -1, false), "");
}

TEST(NmeaFields, LastFieldEndsAtTheChecksum)
{
    EXPECT_EQ(GetNmeaField("$GPXXX,1,2,last*5B", 3, true), "last");
    EXPECT_EQ(GetNmeaField("$GPXXX,1,2,last", 3, true), "") << "no '*': the field never ends";
}

TEST(NmeaFields, NumbersReadLikeTheReceiverWroteThem)
{
    EXPECT_DOUBLE_EQ(NmeaNumber("4807.038"), 4807.038);
    EXPECT_DOUBLE_EQ(NmeaNumber("0.9*5B"), 0.9);
    EXPECT_DOUBLE_EQ(NmeaNumber("  -31.6"), -31.6);
    EXPECT_DOUBLE_EQ(NmeaNumber("+12"), 12.0);
    EXPECT_DOUBLE_EQ(NmeaNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(NmeaNumber("1.5e2x"), 150.0);
    EXPECT_DOUBLE_EQ(NmeaNumber("7e"), 7.0);
    EXPECT_EQ(NmeaNumber(""), 0.0);
    EXPECT_EQ(NmeaNumber("N"), 0.0);
    EXPECT_EQ(NmeaNumber("-"), 0.0);
    EXPECT_EQ(NmeaNumber("inf"), 0.0) << "only decimal numbers";
    EXPECT_EQ(NmeaNumber("nan"), 0.0);
    EXPECT_EQ(NmeaNumber("1e999"), 0.0) << "beyond a double";
}

TEST(NmeaFields, NumbersIgnoreTheUserLocale)
{
    const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (!german)
        GTEST_SKIP() << "de_DE.UTF-8 locale not generated";
    EXPECT_DOUBLE_EQ(NmeaNumber("4807.038"), 4807.038);
    EXPECT_DOUBLE_EQ(NmeaNumber("4807,038"), 4807.0) << "a comma ends the number as it does in a sentence";
    std::setlocale(LC_ALL, "C");
}

TEST(NmeaChecksums, MatchingMismatchingAndAbsent)
{
    EXPECT_EQ(CheckNmeaChecksum(kGga), NmeaChecksum::Good);
    EXPECT_EQ(CheckNmeaChecksum("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*46"),
              NmeaChecksum::Bad);
    EXPECT_EQ(CheckNmeaChecksum("$GPGGA,123519,4807.039,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47"),
              NmeaChecksum::Bad);
    EXPECT_EQ(CheckNmeaChecksum("$GPGSA,A,1,,,,,,,,,,,,,,,*1e"), NmeaChecksum::Good) << "lower-case hex";
    EXPECT_EQ(CheckNmeaChecksum("$GPGGA,123519,4807.038,N"), NmeaChecksum::Absent);
    EXPECT_EQ(CheckNmeaChecksum("$GPGGA,1*4"), NmeaChecksum::Bad) << "cut off";
    EXPECT_EQ(CheckNmeaChecksum("$GPGGA,1*4G"), NmeaChecksum::Bad);
    EXPECT_EQ(CheckNmeaChecksum("$GPGGA,1*47 "), NmeaChecksum::Bad);
}

TEST(NmeaLines, PositionSentencesAreStoredAsTheyCame)
{
    for (const std::string& line : {kGga, std::string("37=1,2,3"), std::string("38=x"), std::string("39=")}) {
        const NmeaLineEffect e = ClassifyNmeaLine(line);
        EXPECT_TRUE(e.recognised) << line;
        EXPECT_TRUE(e.setsPosition) << line;
        EXPECT_EQ(e.position, line);
    }
}

TEST(NmeaLines, SatelliteSentencesAreRecognisedOnly)
{
    const NmeaLineEffect e = ClassifyNmeaLine("$GPGSV,3,3,09,15,08,176,00*4C");
    EXPECT_TRUE(e.recognised);
    EXPECT_FALSE(e.setsPosition);
}

TEST(NmeaLines, OtherSentencesAreNotRecognised)
{
    const std::string gngga =
        NmeaWithChecksum("GNGGA,020935.000,4404.1351,N,12118.8556,W,1,08,0.9,1123.9,M,-19.6,M,,0000", "");
    for (const std::string& line : {std::string("$GPRMC,120316,V,4221.4394,N,01321.9948,E,000.0,000.0,150305,001.4,E*63"),
                                   gngga,
                                   std::string("$GLGGA,020935.000,4404.1351,N,12118.8556,W,1,02,0.9,1123.9,M,-19.6,M,,0000*48"),
                                   std::string("GPGGA,1,2"), std::string(""), std::string("$"), std::string("36=1")}) {
        EXPECT_FALSE(ClassifyNmeaLine(line).recognised) << line;
    }
}

TEST(NmeaLines, LlqLosesItsDateField)
{
    EXPECT_EQ(ClassifyNmeaLine("$GPLLQ,1,2,3,4").position, "$GPLLQ,1,3,4");
    EXPECT_EQ(ClassifyNmeaLine("$GPLLQ,1,2").position, "$GPLLQ,1,2");
    EXPECT_EQ(ClassifyNmeaLine("$GPLLQ,1,2,").position, "$GPLLQ,1,");
    EXPECT_EQ(ClassifyNmeaLine("$GPLLQ").position, "$GPLLQ");
    // A real one: time, date, easting, M, northing, M, quality, ...; the date goes, so the
    // grid values stand where latitude and longitude stand in "$GPGGA".
    const std::string llq =
        NmeaWithChecksum("GPLLQ,034137.00,210712,257824.838,M,6680988.884,M,3,15,0.011,,M", "");
    const NmeaLineEffect e = ClassifyNmeaLine(llq);
    ASSERT_TRUE(e.setsPosition);
    EXPECT_EQ(GetNmeaField(e.position, 2, false), "257824.838");
    EXPECT_EQ(GetNmeaField(e.position, 4, false), "6680988.884");
    EXPECT_EQ(GetNmeaField(e.position, 6, false), "3");
}

TEST(NmeaLines, CorruptedLinesAreNoSentences)
{
    std::string flipped = kGga;
    flipped[20] = '9';
    EXPECT_FALSE(ClassifyNmeaLine(flipped).recognised) << "checksum mismatch";
    std::string withNul = kGga;
    withNul[15] = '\0';
    EXPECT_FALSE(ClassifyNmeaLine(withNul).recognised) << "NUL byte";
    EXPECT_TRUE(ClassifyNmeaLine("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,").recognised)
        << "a sentence without checksum is taken";
}
