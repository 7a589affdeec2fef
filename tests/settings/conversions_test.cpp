#include "settings/conversions.h"
#include "settings/fieldvalue.h"

#include <gtest/gtest.h>
#include <limits>

TEST(Conversions, TextAndNumbers)
{
    EXPECT_EQ(csCutAtNul(QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("cd")), QStringLiteral("ab"));
    EXPECT_EQ(csCutAtNul(QChar(u'\0') + QStringLiteral("cd")), QString());
    EXPECT_EQ(rtrim(QStringLiteral(" a \t  ")), QStringLiteral(" a \t"));
    EXPECT_EQ(vbStr(1), QStringLiteral(" 1"));
    EXPECT_EQ(vbStr(-1), QStringLiteral("-1"));
    EXPECT_EQ(vbVal(QStringLiteral("  -12abc")), -12);
    EXPECT_EQ(vbVal(QStringLiteral("+7 8")), 7);
    EXPECT_EQ(vbVal(QStringLiteral("abc")), 0);
    EXPECT_EQ(vbVal(QStringLiteral("99999999999999999999")), std::numeric_limits<qint64>::max());
}

TEST(Conversions, FieldValues)
{
    const QDateTime noon(QDate(2024, 1, 5), QTime(9, 3, 7));
    EXPECT_EQ(FieldValue(qint64(-42)).toText(), QStringLiteral("-42"));
    EXPECT_EQ(FieldValue(1.5).toText(), QStringLiteral("1.5"));
    EXPECT_EQ(FieldValue(100000.0).toText(), QStringLiteral("100000"));
    EXPECT_EQ(FieldValue(noon).toText(), QStringLiteral("2024/01/05 9:03:07"));
    EXPECT_EQ(FieldValue(QDateTime(QDate(2024, 1, 5), QTime(0, 0))).toText(), QStringLiteral("2024/01/05"));

    bool ok = true;
    EXPECT_EQ(FieldValue(QStringLiteral(" 12.5 ")).toInteger(&ok), 12);
    EXPECT_TRUE(ok);
    EXPECT_EQ(FieldValue(QStringLiteral("13.5")).toInteger(), 14);
    EXPECT_EQ(FieldValue(-2.5).toInteger(), -2);
    EXPECT_EQ(FieldValue(QDateTime(QDate(1900, 1, 1), QTime(18, 0))).toInteger(), 2);
    FieldValue(QStringLiteral("12x")).toInteger(&ok);
    EXPECT_FALSE(ok);
    FieldValue(QStringLiteral("3000000000")).toInteger(&ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(FieldValue(QStringLiteral("2024-01-05 09:03:07.000")).toDateTime(), noon);

    EXPECT_EQ(csNullToStr(FieldValue()), QString());
    EXPECT_EQ(csNullToStr(FieldValue(QStringLiteral("本店  "))), QStringLiteral("本店"));
    EXPECT_EQ(nNullToLong(FieldValue()), 0);
    EXPECT_EQ(nNullToLong(FieldValue(QStringLiteral("abc"))), 0);
    EXPECT_EQ(nNullToLong(FieldValue(QStringLiteral(" 42 "))), 42);
}
