#include "../../src/app/translations.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

// The standard buttons of every box speak Japanese once the program has started.
TEST(Translations, StandardButtonsSpeakJapanese)
{
    ASSERT_TRUE(installQtTranslations(*qApp));
    QMessageBox box(QMessageBox::Question, "拠点メニュー", "システムを終了します。よろしいですか？",
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), "はい(Y)");
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), "いいえ(N)");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "キャンセル");
    // Other cases of this program see Qt's own texts again.
    for (QTranslator* t : qApp->findChildren<QTranslator*>())
        QCoreApplication::removeTranslator(t);
}
