#include "framework/SysUtils.h"

#include <QScopedValueRollback>
#include <gtest/gtest.h>
#include <limits>

namespace {

String general(double value)
{
    return FloatToStrF(value, ffGeneral, 7, 0);
}

bool converts(const String &text)
{
    try {
        StrToFloat(text);
        return true;
    } catch (const EConvertError &) {
        return false;
    }
}

} // namespace

TEST(TextToNumber, ReadsSignsFractionsExponentsAndBlanksAround)
{
    EXPECT_DOUBLE_EQ(StrToFloat("  3.5"), 3.5);
    EXPECT_DOUBLE_EQ(StrToFloat("3.5\t "), 3.5);
    EXPECT_DOUBLE_EQ(StrToFloat("-1.25"), -1.25);
    EXPECT_DOUBLE_EQ(StrToFloat("+7"), 7);
    EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("5."), 5);
    EXPECT_DOUBLE_EQ(StrToFloat("1.5E3"), 1500);
    EXPECT_DOUBLE_EQ(StrToFloat("25e-1"), 2.5);
    EXPECT_DOUBLE_EQ(StrToFloat("1e+2"), 100);
    EXPECT_DOUBLE_EQ(StrToFloat("1e-400"), 0); // too small to tell from 0
    EXPECT_DOUBLE_EQ(StrToFloat("-0.000001e-99999999999"), 0);
}

TEST(TextToNumber, RejectsWhatIsNotOneNumber)
{
    for (const String text : {"",     "   ",   "1,000", "1 000",  "1.2.3",
                              "abc",  "12abc", "-",     "+",      ".",
                              "e5",   "1e",    "1e+",   "--1",    "0x10",
                              "inf",  "nan",   "1e400", "-1e400", "123e99999999999",
                              "1.5 2"})
        EXPECT_FALSE(converts(text)) << "'" << text << "'";
    try {
        StrToFloat("1,000");
        FAIL();
    } catch (const EConvertError &e) {
        EXPECT_STREQ(e.what(), "'1,000' is not a valid floating point value");
    }
}

TEST(NumberToText, GeneralFormatWritesAtMostSevenSignificantDigits)
{
    EXPECT_EQ(general(2.5), "2.5");
    EXPECT_EQ(general(100), "100");
    EXPECT_EQ(general(1234567), "1234567");
    EXPECT_EQ(general(static_cast<double>(0.1f)), "0.1");
    EXPECT_EQ(general(0.0001), "0.0001");
    EXPECT_EQ(general(12345678), "1.234568E7");
    EXPECT_EQ(general(0.00005), "5E-5");
    EXPECT_EQ(general(0), "0");
    EXPECT_EQ(general(-0.0), "0");
    EXPECT_EQ(general(-1.25), "-1.25");
    EXPECT_EQ(general(9999999.6), "1E7"); // rounding carries into a new digit
    EXPECT_EQ(general(1e-20), "1E-20");
    EXPECT_EQ(general(-std::numeric_limits<float>::max()), "-3.402823E38");
    EXPECT_EQ(general(1234566.5), "1234567") << "halves round away from zero";
    EXPECT_EQ(FloatToStrF(0.00005, ffGeneral, 7, 2), "5E-05");
    EXPECT_EQ(general(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(general(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(NumberToText, FixedAndExponentFormats)
{
    EXPECT_EQ(FloatToStrF(2.5, ffFixed, 7, 2), "2.50");
    EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 7, 2), "0.00");
    EXPECT_EQ(FloatToStrF(12345678, ffFixed, 7, 2), "1.234568E+7");
    EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");
    EXPECT_EQ(FloatToStrF(-0.0025, ffExponent, 3, 0), "-2.50E-3");
}

TEST(NumberToText, TheDecimalSeparatorComesFromTheFormatSettings)
{
    const QScopedValueRollback<char> comma(FormatSettings.DecimalSeparator, ',');
    EXPECT_DOUBLE_EQ(StrToFloat("3,5"), 3.5);
    EXPECT_FALSE(converts("3.5"));
    EXPECT_FALSE(converts("3,5,0"));
    EXPECT_EQ(general(2.5), "2,5");
    EXPECT_EQ(general(0.00005), "5E-5");
    EXPECT_EQ(general(12345678), "1,234568E7");
    EXPECT_EQ(FloatToStrF(2.5, ffFixed, 7, 1), "2,5");
    // Reading what was written gives the number back.
    EXPECT_FLOAT_EQ(static_cast<float>(StrToFloat(general(-1234.567))), -1234.567f);
}
