// A launcher process of the crash and race tests: it runs one base creation, deletion or
// setup save on a program folder and prints its outcome; the environment may tell it to
// stop, or to kill itself, at a named step (crashpoint.h). Message boxes go to standard
// error and take their first button; the clock stands on 31 January 2024.
//
//   admin_child <folder> create <code> <name> [copyback]   prints "created <code> <branch>"
//   admin_child <folder> delete <code> <branch>            prints "deleted"
//   admin_child <folder> save <code> <branch>              prints "saved" (3 practitioners, 4 users)

#include "bases/baseadmin.h"
#include "platform/clock.h"
#include "platform/runtime.h"
#include "setup/setupsave.h"

#include <QCoreApplication>
#include <cstdio>

struct FixedClock : platform::Clock {
    QDateTime now() const override { return QDateTime(QDate(2024, 1, 31), QTime(9, 0)); }
    qint64 tickCount() const override { return 0; }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    platform::installSystemRuntime();
    FixedClock clock;
    platform::runtime().clock = &clock;
    platform::runtime().gsAppPath = args.value(1);
    const QString what = args.value(2);
    const short cd = short(args.value(3).toInt());
    const short eb = short(args.value(4).toInt());

    if (what == QLatin1String("create")) {
        const QString copyBack =
            args.size() > 5 ? args[1] + QStringLiteral("\\drive_c\\KVX\\MASTER") : QString();
        const bases::CreateOutcome out =
            bases::createKyoten({{cd, 0, 0, gsPrefName()[size_t(cd)], args[4], {}, 0, {}, 0, {}, 1},
                                 true,
                                 args[1],
                                 copyBack,
                                 bases::Schedule{20, 840, 1800, 1220, 1740}});
        if (out.result == bases::Created::Yes)
            return std::printf("created %d %d\n", out.row.iKyotenCd, out.row.iKyotenEb) < 0;
        std::printf("failed %d %s|%s\n", int(out.result), qPrintable(out.failure),
                    qPrintable(out.undoFailure));
    } else if (what == QLatin1String("delete")) {
        const bases::DeleteOutcome out = bases::deleteKyoten({cd, eb});
        if (out.result == bases::Deleted::Yes && out.left.isEmpty())
            return std::printf("deleted\n") < 0;
        std::printf("failed %d %s\n", int(out.result), qPrintable(out.failure + out.left.join(' ')));
    } else if (what == QLatin1String("save")) {
        state().gtKyoten = {cd, eb, 0, QString(), QStringLiteral("札幌")};
        tSetupData& d = state().gtSetupData;
        d.companyName = QStringLiteral("O'Hara治療院");
        d.address = QStringLiteral("北海道札幌市中央区北一条西");
        d.postalCode = QStringLiteral("0600001");
        d.latitude = 155000000;
        for (int i = 1; i <= 4; ++i) {
            if (i <= 3)
                d.staff.push_back({double(i), QStringLiteral("施術者'%1").arg(i)});
            d.users.push_back({double(i), QStringLiteral("利用者①%1").arg(i)});
        }
        d.staffCount = 3;
        d.userCount = 4;
        d.holidayRule = 2;
        d.iReseptFixedDay = 10;
        d.iChargeFixedDay = -1;
        d.recordKeeping = 1;
        if (saveSetupData())
            return std::printf("saved\n") < 0;
    }
    return 1;
}
