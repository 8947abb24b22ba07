#include "model/numberparse.h"

#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

struct Real
{
    bool found = false;
    double value = -1.0;
    std::size_t used = 0; ///< characters consumed
};

Real real(const std::string &text)
{
    Real result;
    const char *after = parseReal(text.data(), text.data() + text.size(), result.value);
    result.found = after != nullptr;
    result.used = after ? static_cast<std::size_t>(after - text.data()) : 0;
    return result;
}

struct Integer
{
    bool found = false;
    int value = -1;
    std::size_t used = 0;
};

Integer integer(const std::string &text)
{
    Integer result;
    const char *after = parseInt(text.data(), text.data() + text.size(), result.value);
    result.found = after != nullptr;
    result.used = after ? static_cast<std::size_t>(after - text.data()) : 0;
    return result;
}

} // namespace

TEST(RealConversion, SkipsLeadingWhiteSpaceAndAcceptsBothSigns)
{
    EXPECT_EQ(real(" \t\v\r12.5").value, 12.5);
    EXPECT_EQ(real("+3").value, 3.0);
    EXPECT_EQ(real("-0.25").value, -0.25);
    EXPECT_EQ(real(" +.5").value, 0.5);
    EXPECT_EQ(real("5.").value, 5.0);
}

TEST(RealConversion, ReadsExponentsAndStopsBeforeOtherCharacters)
{
    const Real withUnit = real("1.5e3eV");
    EXPECT_EQ(withUnit.value, 1500.0);
    EXPECT_EQ(withUnit.used, 5u);
    const Real bareExponent = real("2e+x");
    EXPECT_TRUE(bareExponent.found);
    EXPECT_EQ(bareExponent.value, 2.0);
    EXPECT_EQ(real("-7E-2").value, -0.07);
}

TEST(RealConversion, ReadsInfinitiesNotANumberAndHexadecimal)
{
    EXPECT_EQ(real("inf").value, HUGE_VAL);
    EXPECT_EQ(real("-Infinity").value, -HUGE_VAL);
    EXPECT_EQ(real("+INF").value, HUGE_VAL);
    EXPECT_TRUE(std::isnan(real("nan").value));
    EXPECT_TRUE(std::isnan(real("NaN(123)").value));
    EXPECT_EQ(real("0x1p4").value, 16.0);
    EXPECT_EQ(real("-0x.8").value, -0.5);
    const Real notHex = real("0xg");
    EXPECT_EQ(notHex.value, 0.0);
    EXPECT_EQ(notHex.used, 1u);
}

TEST(RealConversion, OutOfRangeValuesBecomeInfinityOrZero)
{
    EXPECT_EQ(real("1e999").value, HUGE_VAL);
    EXPECT_EQ(real("-1e999").value, -HUGE_VAL);
    EXPECT_EQ(real("1e-999").value, 0.0);
    EXPECT_EQ(real(std::string(400, '9')).value, HUGE_VAL);
    const Real tiny = real("0." + std::string(400, '0') + "1");
    EXPECT_TRUE(tiny.found);
    EXPECT_EQ(tiny.value, 0.0);
}

// The quick path for plain decimals must give the very bits and length of a full conversion,
// on the edges of its range (digit counts, 2^53, 22 places) and on many random numbers.
TEST(RealConversion, PlainDecimalsMatchTheFullConversionBitForBit)
{
    std::vector<std::string> texts = {"1.", ".5", "-.5", "-0", "-0.000", "0.1", "9007199254740992",
        "9007199254740993", "900719925474099.3", "1234567890123456789", "12345678901234567890",
        "0.1234567890123456789", "1." + std::string(22, '3'), "1." + std::string(23, '3'),
        "0.0000000000000000000001", "1.5e3", "2.E-1", "17.25x", "3.14159.2"};
    // Digits in runs of every length, followed by what may stand after a number (the
    // characters next to the digits in the code table among them).
    const std::string after = " \t\n-+.eEx/:\xff"
                              "0";
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const std::string digits = std::to_string(random() >> (random() % 64));
        const std::size_t point = random() % (digits.size() + 1);
        // built by appending: g++ 12 at -O3 warns falsely about "literal" + string
        std::string text = random() % 2 ? "-" : "";
        text.append(digits, 0, point).append(".").append(digits, point);
        for (std::size_t k = random() % 10; k > 0; --k)
            text += after[random() % after.size()];
        texts.push_back(text);
    }
    for (const std::string &text : texts) {
        const char *begin = text.data();
        const char *end = begin + text.size();
        double expected = 0.0;
        const auto full = std::from_chars(begin, end, expected);
        const Real quick = real(text);
        ASSERT_TRUE(quick.found) << text;
        EXPECT_EQ(std::memcmp(&quick.value, &expected, sizeof expected), 0) << text;
        EXPECT_EQ(quick.used, static_cast<std::size_t>(full.ptr - begin)) << text;
    }
}

TEST(RealConversion, FailsWithoutADigitAndLeavesTheValue)
{
    for (const char *text : {"", "   ", "-", "+", ".", "-.", "--5", "+-5", "e5", "abc", ",5"}) {
        const Real result = real(text);
        EXPECT_FALSE(result.found) << text;
        EXPECT_EQ(result.value, -1.0) << text;
    }
}

TEST(RealConversion, AlwaysUsesThePointWhateverTheLocale)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no German locale installed";
    const Real point = real("1.5");
    const Real comma = real("1,5");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(point.value, 1.5);
    EXPECT_EQ(comma.value, 1.0);
    EXPECT_EQ(comma.used, 1u);
}

TEST(IntegerConversion, ReadsSignedDigitsAndStopsAtTheFirstOtherCharacter)
{
    EXPECT_EQ(integer("  +42xyz").value, 42);
    EXPECT_EQ(integer("  +42xyz").used, 5u);
    EXPECT_EQ(integer("-7").value, -7);
    const Integer decimal = integer("3.9");
    EXPECT_EQ(decimal.value, 3);
    EXPECT_EQ(decimal.used, 1u);
    EXPECT_EQ(integer("007").value, 7);
}

TEST(IntegerConversion, SaturatesBeyondTheIntRange)
{
    EXPECT_EQ(integer("2147483647").value, INT_MAX);
    EXPECT_EQ(integer("99999999999999999999999").value, INT_MAX);
    EXPECT_EQ(integer("-2147483648").value, INT_MIN);
    EXPECT_EQ(integer("-99999999999").value, INT_MIN);
}

TEST(IntegerConversion, FailsWithoutADigit)
{
    for (const char *text : {"", " ", "-", "+ 5", "--5", "x1", ".5"})
        EXPECT_FALSE(integer(text).found) << text;
}
