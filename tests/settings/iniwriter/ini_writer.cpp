// ini_writer FILE KEY COUNT: writes KEY=1 .. KEY=COUNT into [W] of the file, one write at a
// time, while other processes write other keys; KEY must always hold the value written last.
// Exit code: the number of writes that failed or were lost (at most 100).
#include "platform/runtime.h"
#include "settings/clsOplIniFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: ini_writer FILE KEY COUNT\n");
        return 100;
    }
    QCoreApplication app(argc, argv);
    const QString file = QString::fromLocal8Bit(argv[1]);
    platform::runtime().gsAppPath = QFileInfo(file).absolutePath();
    const QString key = QString::fromLocal8Bit(argv[2]);
    const int count = QString::fromLocal8Bit(argv[3]).toInt();
    const QString section = "W";
    clsOplIniFile ini;
    ini.iInit(file);
    int lost = 0;
    for (int i = 1; i <= count; ++i) {
        const QString before = ini.csGetProfileString(section, key);
        if (i > 1 && before != QString::number(i - 1))
            ++lost;
        if (ini.iWriteProfileString(section, key, QString::number(i)) != 1)
            ++lost;
        if (ini.csGetProfileString(section, key) != QString::number(i))
            ++lost;
    }
    if (lost)
        std::fprintf(stderr, "%s: %d writes lost\n", argv[2], lost);
    return std::min(lost, 100);
}
