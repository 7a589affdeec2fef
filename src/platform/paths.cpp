#include "paths.h"

#include "runtime.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace platform
{

#ifdef Q_OS_WIN

QString nativePath(const QString& suitePath)
{
    return QDir::toNativeSeparators(suitePath);
}

#else

namespace
{

QString programFolder()
{
    QString app = gsAppPath();
    if (app.isEmpty())
        app = QCoreApplication::applicationDirPath();
    app.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (app.size() > 1 && app.endsWith(QLatin1Char('/')))
        app.chop(1);
    return app;
}

QString join(const QString& base, const QString& name)
{
    if (base.isEmpty())
        return name;
    if (base.endsWith(QLatin1Char('/')))
        return base + name;
    return base + QLatin1Char('/') + name;
}

// The entry of the folder whose name equals the given one without regard to letter case:
// the exact name when it exists, else the first such entry in sorted order. Empty when
// there is none.
QString matchEntry(const QString& folder, const QString& name)
{
    const QString dir = folder.isEmpty() ? QStringLiteral(".") : folder;
    if (QFileInfo::exists(join(folder, name)))
        return name;
    QStringList entries = QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(entries.begin(), entries.end());
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

} // namespace

QString nativePath(const QString& suitePath)
{
    if (suitePath.isEmpty())
        return {};
    QString path = suitePath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));

    // The path is a base that is taken as it is, then components that are matched.
    // "floor" components at the start of the list may not be left by "..": the root of a
    // drive stays the root, as on Windows.
    QString base;
    QStringList given;
    qsizetype floor = 0;
    const QString app = programFolder();
    if (path.size() >= 2 && path[1] == QLatin1Char(':') && path[0].isLetter() && path[0].unicode() < 128) {
        base = app;
        given << QStringLiteral("drive_") + path[0].toLower();
        floor = 1;
        path = path.mid(2);
    } else if (path.startsWith(QLatin1Char('/'))) {
        if (path == app || path.startsWith(app + QLatin1Char('/'))) {
            base = app;
            path = path.mid(app.size());
        } else {
            base = QStringLiteral("/");
        }
    }
    given += path.split(QLatin1Char('/'), Qt::SkipEmptyParts);

    QStringList parts;
    for (const QString& part : std::as_const(given)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (parts.size() > floor && parts.last() != QLatin1String(".."))
                parts.removeLast();
            else if (base.isEmpty())
                parts << part; // a relative path may climb above the current folder
            else if (parts.isEmpty() && floor == 0 && base != QLatin1String("/"))
                base = QFileInfo(base).path(); // above the program folder
            // otherwise at a root, which ".." does not leave
            continue;
        }
        parts << part;
    }

    QString result = base;
    for (const QString& part : std::as_const(parts))
        result = join(result, part);
    if (result.isEmpty())
        return QStringLiteral(".");
    if (QFileInfo::exists(result))
        return result; // exact names exist: nothing to match

    result = base;
    bool matching = true;
    for (const QString& part : std::as_const(parts)) {
        if (matching && part != QLatin1String("..")) {
            const QString found = matchEntry(result, part);
            if (found.isEmpty()) {
                matching = false; // nothing below a missing component exists
                result = join(result, part);
            } else {
                result = join(result, found);
            }
        } else {
            result = join(result, part);
        }
    }
    return result;
}

#endif

} // namespace platform
