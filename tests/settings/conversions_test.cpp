#include "settings/conversions.h"
#include "settings/fieldvalue.h"

#include <gtest/gtest.h>
#include <limits>

TEST(Conversions, TextNumbersAndFieldValues)
{
    EXPECT_EQ(csCutAtNul(QString("ab") + QChar(u'\0') + "cd"), "ab");
    EXPECT_EQ(csCutAtNul(QChar(u'\0') + QString("cd")), QString());
    EXPECT_EQ(rtrim(" a \t  "), " a \t");
    EXPECT_EQ(vbVal("  -12abc"), -12);
    EXPECT_EQ(vbVal("+7 8"), 7);
    EXPECT_EQ(vbVal("99999999999999999999"), std::numeric_limits<qint64>::max());

    // A date and time as text: EmbeddedEngine.RepeatedValuesDownAColumnReadAsStored.
    EXPECT_EQ(QStringList({FieldValue(qint64(-42)).toText(), FieldValue(1.5).toText(),
                           FieldValue(100000.0).toText(),
                           FieldValue(QDateTime(QDate(2024, 1, 5), QTime(0, 0))).toText()}),
              QStringList({"-42", "1.5", "100000", "2024/01/05"}));

    bool ok = true;
    EXPECT_EQ(FieldValue(QString(" 12.5 ")).toInteger(&ok), 12);
    EXPECT_TRUE(ok);
    EXPECT_EQ(FieldValue(QString("13.5")).toInteger(), 14);
    EXPECT_EQ(FieldValue(-2.5).toInteger(), -2);
    EXPECT_EQ(FieldValue(QDateTime(QDate(1900, 1, 1), QTime(18, 0))).toInteger(), 2);
    FieldValue(QString("12x")).toInteger(&ok);
    EXPECT_FALSE(ok);
    FieldValue(QString("3000000000")).toInteger(&ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(FieldValue(QString("2024-01-05 09:03:07.000")).toDateTime(),
              QDateTime(QDate(2024, 1, 5), QTime(9, 3, 7)));

    EXPECT_EQ(csNullToStr(FieldValue()) + u'|' + csNullToStr(FieldValue(QString("本店  "))), "|本店");
    EXPECT_EQ(QList<qint32>({nNullToLong(FieldValue()), nNullToLong(FieldValue(QString("abc"))),
                             nNullToLong(FieldValue(QString(" 42 ")))}),
              QList<qint32>({0, 0, 42}));
}
