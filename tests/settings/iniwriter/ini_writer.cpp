// ini_writer FILE KEY COUNT: writes KEY=1 .. KEY=COUNT into [W] of the file, one write at a
// time, while other processes write other keys; KEY must always hold the value written last.
// Exit code: the number of writes that failed or were lost (at most 100).
#include "platform/runtime.h"
#include "settings/clsOplIniFile.h"

#include <QCoreApplication>
#include <QFileInfo>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString file = QString::fromLocal8Bit(argv[1]);
    platform::runtime().gsAppPath = QFileInfo(file).absolutePath();
    const QString key = QString::fromLocal8Bit(argv[2]);
    const int count = QString::fromLocal8Bit(argv[3]).toInt();
    clsOplIniFile ini;
    ini.iInit(file);
    int lost = 0;
    for (int i = 1; i <= count; ++i) {
        // What this process wrote last is still there (the test reads the last value).
        if (i > 1 && ini.csGetProfileString("W", key) != QString::number(i - 1))
            ++lost;
        if (ini.iWriteProfileString("W", key, QString::number(i)) != 1)
            ++lost;
    }
    return qMin(lost, 100);
}
