#include "desktopruntime.h"

#include "messagebox.h"
#include "platform/runtime.h"
#include "processes.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

#ifdef TOPMENU_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif
#include <thread>

namespace desktop
{

namespace
{

std::thread& fontConfiguration()
{
    static std::thread thread;
    return thread;
}

} // namespace

void startFontConfiguration()
{
#ifdef TOPMENU_HAVE_FONTCONFIG
    // Qt's font database starts by loading fontconfig's configuration (FcInit), the largest
    // single part of a start; once it is loaded, Qt's own call takes it as it is.
    if (!fontConfiguration().joinable())
        fontConfiguration() = std::thread([] { FcInit(); });
#endif
}

void installDesktopRuntime()
{
    if (fontConfiguration().joinable())
        fontConfiguration().join();
    platform::installSystemRuntime();
    // Kept for the life of the process, as the system's seams are.
    static QtMessageBoxes messageBoxes;
    static QtProcesses processes;
    platform::runtime().messages = &messageBoxes;
    platform::runtime().processes = &processes;
    useJapaneseFont();
}

QString japaneseFontFamily(const QStringList& japaneseFamilies)
{
    // Proportional user-interface gothics first, as Windows draws the suite's screens.
    static const char* const preferred[] = {"Meiryo UI",        "Yu Gothic UI",       "MS UI Gothic",
                                            "Noto Sans CJK JP", "Source Han Sans JP", "IPAexGothic",
                                            "IPAPGothic",       "VL PGothic",         "TakaoPGothic",
                                            "IPAGothic",        "VL Gothic",          "TakaoGothic"};
    for (const char* name : preferred) {
        const QString family = QString::fromLatin1(name);
        if (japaneseFamilies.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return japaneseFamilies.value(0);
}

bool useJapaneseFont()
{
    const QString family = japaneseFontFamily(QFontDatabase::families(QFontDatabase::Japanese));
    if (family.isEmpty())
        return false;
    QFont font = QApplication::font();
    font.setFamilies({family});
    QApplication::setFont(font);
    return true;
}

} // namespace desktop
