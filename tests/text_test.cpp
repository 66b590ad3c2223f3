#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "text/NumberText.h"
#include "text/Padding.h"
#include "text/Tolerance.h"

namespace {
constexpr double Inf = std::numeric_limits<double>::infinity();
}

TEST(NumberParsing, IntegerInfConvertsBothWays)
{
    EXPECT_EQ(IntToStrInf(2000000000), "INF");
    EXPECT_EQ(IntToStrInf(1999999999), "1999999999");
    EXPECT_EQ(IntToStrInf(-7), "-7");
    int32_t I = 0;
    EXPECT_TRUE(TryStrToIntInf("INF", I));
    EXPECT_EQ(I, 2000000000);
    EXPECT_TRUE(TryStrToIntInf("-12", I));
    EXPECT_EQ(I, -12);
    EXPECT_FALSE(TryStrToIntInf("inf", I));
    int32_t V = 5;
    EXPECT_FALSE(TryStrToIntInf(" INF", V));
    EXPECT_FALSE(TryStrToIntInf("INF ", V));
    EXPECT_EQ(V, 5);  // a refused text leaves the value alone
    EXPECT_TRUE(TryStrToIntInf("+2147483647", V));
    EXPECT_EQ(V, 2147483647);
}

TEST(NumberParsing, IntegerParsingRefusesAnythingButASignedDecimalIn32Bits)
{
    int32_t V = 0;
    EXPECT_TRUE(TryParseInt32("-2147483648", V));
    EXPECT_EQ(V, std::numeric_limits<int32_t>::min());
    for (const char* Bad : {"", "-", "+", "2147483648", "-2147483649", "3.5", "1e3", "12a", " 1", "0x10",
                            "99999999999999999999999"}) {
        EXPECT_FALSE(TryParseInt32(Bad, V)) << Bad;
    }
}

TEST(NumberParsing, RealInfConvertsBothWays)
{
    EXPECT_EQ(RealToStrInf(Inf), "INF");
    EXPECT_EQ(RealToStrInf(1.5), "1.5");
    double R = 0;
    EXPECT_TRUE(TryStrToRealInf("INF", R));
    EXPECT_EQ(R, Inf);
    EXPECT_TRUE(TryStrToRealInf("3E-4", R));
    EXPECT_DOUBLE_EQ(R, 3e-4);
    EXPECT_FALSE(TryStrToRealInf("Inf", R));
    double V = 1;
    EXPECT_FALSE(TryStrToRealInf("yes", V));
    EXPECT_TRUE(TryStrToRealInf("1,25", V, ','));
    EXPECT_DOUBLE_EQ(V, 1.25);
    EXPECT_FALSE(TryStrToRealInf("1.25", V, ','));  // the locale's separator only
}

TEST(NumberParsing, RealParsingAcceptsDecimalNumbersOnly)
{
    double V = 0;
    for (const char* Good : {"1.0E+300", "0.5000", "-2", "+.5", "5.", "1e-400", "2000000000"}) {
        EXPECT_TRUE(TryParseReal(Good, V)) << Good;
    }
    EXPECT_EQ(V, 2000000000.0);
    EXPECT_TRUE(TryParseReal("1e-400", V));
    EXPECT_EQ(V, 0.0);  // underflow reads as zero
    for (const char* Bad : {"", ".", "-", "e5", "1e", "1e+", "inf", "nan", "INF", "0x1p3", "1.2.3", "1e400",
                            "1 ", " 1", "1,5"}) {
        EXPECT_FALSE(TryParseReal(Bad, V)) << Bad;
    }
}

TEST(Tolerance, TolerantComparisonsUseOneMillionth)
{
    EXPECT_TRUE(FloatEq(1.0, 1.0000009));
    EXPECT_FALSE(FloatEq(1.0, 1.0000011));
    EXPECT_TRUE(FloatLess(1.0, 1.0000011));
    EXPECT_FALSE(FloatLess(1.0, 1.0000009));
    EXPECT_FALSE(FloatLess(2.0, 1.0));
    EXPECT_FALSE(FloatEq(1e300, Inf));
}

TEST(Padding, PadStrAlignsWithoutEverCutting)
{
    EXPECT_EQ(PadStr("ab", 5, 'l'), "ab   ");
    EXPECT_EQ(PadStr("ab", 5, 'r'), "   ab");
    EXPECT_EQ(PadStr("ab", 5, 'c'), " ab  ");  // odd remainder goes after
    EXPECT_EQ(PadStr("ab", 6, 'c'), "  ab  ");
    EXPECT_EQ(PadStr("TotalCost", 8, 'c'), "TotalCost");
    EXPECT_EQ(PadStr("ab", -3, 'r'), "ab");
    EXPECT_EQ(PadStr("ab", 5, 'x'), "");
    EXPECT_EQ(RemoveSpaces(" WIP Holding  Cost "), "WIPHoldingCost");
}

TEST(NumberFormatting, FixedPointRoundsAnExactHalfAwayFromZero)
{
    EXPECT_EQ(FormatFixed(0.125, 2), "0.13");
    EXPECT_EQ(FormatFixed(-0.125, 2), "-0.13");
    EXPECT_EQ(FormatFixed(0.5, 0), "1");
    EXPECT_EQ(FormatFixed(2.5, 0), "3");
    EXPECT_EQ(FormatFixed(1.5, 0), "2");
    // 2.675 is 2.67499999999999982236431605997495353221893310546875: below the half.
    EXPECT_EQ(FormatFixed(2.675, 2), "2.67");
    // 0.285 is 0.284999999999999975575093458246556110680103302001953125; at 18 digits it is
    // 0.284999999999999976, so it stays below the half as well.
    EXPECT_EQ(FormatFixed(0.285, 2), "0.28");
    // 1.68855 lies just below 1.68855 (the C conversion gives 1.6885), but its 18 digits are
    // 1.68855000000000000: an exact half, rounded away from zero.
    EXPECT_EQ(FormatFixed(1.68855, 4), "1.6886");
    EXPECT_EQ(FormatFixed(-6.706785, 5), "-6.70679");
}

TEST(NumberFormatting, FixedPointCarriesAndPads)
{
    EXPECT_EQ(FormatFixed(9.996, 2), "10.00");
    EXPECT_EQ(FormatFixed(999.9999, 3), "1000.000");
    EXPECT_EQ(FormatFixed(0, 4), "0.0000");
    EXPECT_EQ(FormatFixed(0.006, 2), "0.01");
    EXPECT_EQ(FormatFixed(0.004, 2), "0.00");
    EXPECT_EQ(FormatFixed(0.0004, 2), "0.00");
    EXPECT_EQ(FormatFixed(-0.001, 2), "-0.00");  // as the C conversion
    EXPECT_EQ(FormatFixed(123456789.0, 0), "123456789");
    EXPECT_EQ(FormatFixed(3, 2), "3.00");
    EXPECT_EQ(FormatFixed(2000000000.0, 4), "2000000000.0000");
    EXPECT_EQ(FormatFixed(1.5, 2, ','), "1,50");
    // 1e300: 18 digits 100000000000000005, then zeros.
    const std::string Big = FormatFixed(1e300, 2);
    EXPECT_EQ(Big.size(), 301u + 3u);
    EXPECT_EQ(Big.substr(0, 20), "10000000000000000500");
    EXPECT_EQ(Big.substr(Big.size() - 3), ".00");
    EXPECT_EQ(FormatFixedWidth(3.14159, 10, 3), "     3.142");
    EXPECT_EQ(FormatFixedWidth(-12345678.9, 5, 1), "-12345678.9");
    EXPECT_EQ(FormatIntWidth(-42, 8), "     -42");
    EXPECT_EQ(FormatFixed(Inf, 2), "inf");
}

TEST(NumberFormatting, GeneralNotationKeepsFifteenDigits)
{
    EXPECT_EQ(FormatGeneral(0), "0");
    EXPECT_EQ(FormatGeneral(1.5), "1.5");
    EXPECT_EQ(FormatGeneral(1.50), "1.5");
    EXPECT_EQ(FormatGeneral(12), "12");
    EXPECT_EQ(FormatGeneral(-250.5), "-250.5");
    EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
    EXPECT_EQ(FormatGeneral(0.00015), "0.00015");
    EXPECT_EQ(FormatGeneral(1e-6), "1E-6");
    EXPECT_EQ(FormatGeneral(1e-5), "1E-5");
    EXPECT_EQ(FormatGeneral(2.5e20), "2.5E20");
    EXPECT_EQ(FormatGeneral(1e15), "1E15");
    EXPECT_EQ(FormatGeneral(999999999999999.0), "999999999999999");
    EXPECT_EQ(FormatGeneral(0.1 + 0.2), "0.3");  // 0.30000000000000004 at 15 digits
    EXPECT_EQ(FormatGeneral(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(FormatGeneral(2.0 / 3.0), "0.666666666666667");
    EXPECT_EQ(FormatGeneral(9.9999999999999999e14), "1E15");  // rounds up into scientific
    EXPECT_EQ(FormatGeneral(-1.25e-7, ','), "-1,25E-7");
    EXPECT_EQ(FormatGeneral(0.5, ','), "0,5");
}
