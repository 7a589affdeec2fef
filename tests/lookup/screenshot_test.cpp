#include "db/cT_ADODB.h"
#include "installation.h"
#include "lookup/frmSearchAdd.h"
#include "postaldictionary.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

// The search dialog after a search in mode 0, as a picture (build folder, screenshots/).
TEST(Screenshot, SearchDialogAfterAPostalCodeSearch)
{
    TestInstallation inst;
    inst.writeAdodbIni();
    inst.createDatabase();
    const QByteArray env = qgetenv("TOPMENU_POSTAL_DIR");
    std::vector<postal::Entry> entries;
    QString error;
    ASSERT_TRUE(postal::readDictionary(env.isEmpty() ? sourceDir() + "/.cache/jquery-jpostal-ja/json"
                                                     : QString::fromLocal8Bit(env),
                                       &entries, &error, {"100"}));
    cT_ADODB db;
    db.iInit("Provider=SQLOLEDB;Data Source=PC01\\MIRANE;Database=MIRANE45");
    ASSERT_EQ(db.iConnect(), 0);
    ASSERT_TRUE(postal::loadDictionary(db, entries, &error));

    frmSearchAdd dialog;
    dialog.setWindowTitle("住所検索");
    dialog.txtAdd()->setText("100-00");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* grid = dialog.findChild<QTableView*>("fpSpread01");
    ASSERT_GT(grid->model()->rowCount(), 5);
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(5, 0));
    const QImage shot = dialog.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString dir = binDir() + "/../screenshots";
    QDir().mkpath(dir);
    ASSERT_TRUE(shot.save(dir + "/searchadd_mode0.png"));
}
