// topmenu: the way into TopMenu from the desktop's menu and the shell.
//
// TopMenu takes no arguments and works on the folder its executable lies in, so one
// installed copy cannot serve the program folders of a site. This command keeps which
// program folder the user (or the whole computer) uses, lays out new program folders from
// the installed files, and starts a folder's own TopMenu from that folder.
//
//   topmenu                                     the configured folder's TopMenu
//   topmenu <folder>                            that folder's TopMenu
//   topmenu --new-installation <folder> [--system]
//   topmenu --use <folder> [--system]
//
// The configured folder is kept in topmenu/installation.conf (one line, Folder=<path>) of
// the user's configuration folder, else of the system's ($XDG_CONFIG_DIRS, /etc/xdg).

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace
{

const QString kTitle = QStringLiteral("拠点メニュー");
const QString kConfigFile = QStringLiteral("topmenu/installation.conf");

// The installed files, found from this program's own place (<prefix>/bin/topmenu), so that
// an unpacked package works wherever it lies. No application object is made before a window
// needs one: a message box needs QApplication, and there may be only one.
QString prefix()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath())
        .dir()
        .filePath(QStringLiteral(".."));
}

QString installedPrograms()
{
    return prefix() + QStringLiteral("/lib/topmenu");
}

QString installedFiles()
{
    return prefix() + QStringLiteral("/share/topmenu");
}

// Says a text on standard error and, when no terminal sees it (started from the menu) and
// there is a display, in a window as well.
void tell(const QString& text, QMessageBox::Icon icon)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    const bool display = qEnvironmentVariableIsSet("DISPLAY") ||
                         qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
                         qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    if (isatty(STDERR_FILENO) || !display)
        return;
    int argc = 1;
    char name[] = "topmenu";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QMessageBox box(icon, kTitle, text, QMessageBox::Ok);
    box.exec();
}

QString configuredFolder()
{
    const QString path = QStandardPaths::locate(QStandardPaths::GenericConfigLocation, kConfigFile);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("Folder="))
            return QString::fromUtf8(line.mid(7)).trimmed();
    }
    return {};
}

// Records the folder as the one the menu starts: the user's, or with `system` every user's
// (the first folder of $XDG_CONFIG_DIRS). Replaced whole or not at all.
bool recordFolder(const QString& folder, bool system, QString* where)
{
    const QString base =
        system ? QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation).value(1)
               : QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    *where = base + QLatin1Char('/') + kConfigFile;
    if (base.isEmpty() || !QDir().mkpath(QFileInfo(*where).path()))
        return false;
    QSaveFile file(*where);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("Folder=" + folder.toUtf8() + '\n');
    return file.commit();
}

bool holdsTopMenu(const QString& folder)
{
    return QFileInfo(folder + QStringLiteral("/TopMenu")).isExecutable();
}

// A folder laid out earlier keeps the TopMenu of its day (copied with its time); the
// package's newer build replaces it, by rename, so that a TopMenu running from the folder
// keeps its own file. A newer TopMenu put there by hand stays, and so do the stand-ins: a
// site may have put its own programs in their place.
void refreshTopMenu(const QString& folder)
{
    const QFileInfo installed(installedPrograms() + QStringLiteral("/TopMenu"));
    const QFileInfo present(folder + QStringLiteral("/TopMenu"));
    if (!installed.exists() || present.lastModified() >= installed.lastModified())
        return;
    const QString fresh = folder + QStringLiteral("/.TopMenu.update");
    QFile::remove(fresh);
    QFile copy(fresh);
    const bool ok = QFile::copy(installed.filePath(), fresh) && copy.open(QIODevice::ReadWrite) &&
                    copy.setFileTime(installed.lastModified(), QFileDevice::FileModificationTime) &&
                    (copy.close(), std::rename(QFile::encodeName(fresh).constData(),
                                               QFile::encodeName(present.filePath()).constData()) == 0);
    if (!ok) {
        QFile::remove(fresh);
        std::fprintf(
            stderr, "%s\n",
            qPrintable(
                QStringLiteral("注意: %1 の TopMenu を新しい版に置き換えられませんでした。").arg(folder)));
    }
}

// Starts the folder's TopMenu in place of this process, from the folder (the database tool
// of the first start writes its log into the current folder).
int start(const QString& given)
{
    const QString folder = given.isEmpty() ? configuredFolder() : QFileInfo(given).absoluteFilePath();
    if (folder.isEmpty()) {
        tell(QStringLiteral("拠点メニューのプログラムフォルダーがまだ設定されていません。\n\n"
                            "新しく導入するときは、端末で次のコマンドを実行して\n"
                            "プログラムフォルダーを作成してください。\n"
                            "    topmenu --new-installation <フォルダー>\n\n"
                            "既にあるプログラムフォルダーを使うときは、\n"
                            "次のコマンドで設定してください。\n"
                            "    topmenu --use <フォルダー>\n\n"
                            "そのあと、もう一度メニューから拠点メニューを起動してください。"),
             QMessageBox::Information);
        return 1;
    }
    if (!holdsTopMenu(folder)) {
        tell(QStringLiteral("プログラムフォルダー %1 に TopMenu がありません。\n\n"
                            "フォルダーを確かめ、「topmenu --use <フォルダー>」で設定し直してください。")
                 .arg(folder),
             QMessageBox::Critical);
        return 1;
    }
    refreshTopMenu(folder);
    const QByteArray program = QFile::encodeName(folder + QStringLiteral("/TopMenu"));
    if (::chdir(QFile::encodeName(folder).constData()) == 0) {
        char* const argv[] = {const_cast<char*>(program.constData()), nullptr};
        ::execv(program.constData(), argv);
    }
    tell(QStringLiteral("%1 を起動できません。\n%2")
             .arg(QString::fromLocal8Bit(program), QString::fromLocal8Bit(std::strerror(errno))),
         QMessageBox::Critical);
    return 1;
}

int newInstallation(const QString& folder, bool system)
{
    const QFileInfo there(folder);
    if ((there.exists() || there.isSymLink()) &&
        !(there.isDir() &&
          QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))) {
        tell(QStringLiteral(
                 "%1 は既にあり、空のフォルダーではありません。\n"
                 "新しいプログラムフォルダーには、まだないフォルダーか空のフォルダーを指定してください。")
                 .arg(there.absoluteFilePath()),
             QMessageBox::Critical);
        return 1;
    }
    const QString programs = installedPrograms();
    const QString files = installedFiles();
    const QStringList args{programs + QStringLiteral("/layout-installation"),
                           QStringLiteral("--programs"),
                           programs,
                           QStringLiteral("--files"),
                           files + QStringLiteral("/installation"),
                           QStringLiteral("--art"),
                           files + QStringLiteral("/art"),
                           QStringLiteral("--mapdata"),
                           files + QStringLiteral("/mapdata"),
                           QStringLiteral("--postal"),
                           files + QStringLiteral("/postal/json"),
                           folder};
    QProcess layout;
    layout.setProcessChannelMode(QProcess::ForwardedChannels);
    layout.start(QStringLiteral("bash"), args);
    if (!layout.waitForFinished(-1) || layout.exitStatus() != QProcess::NormalExit ||
        layout.exitCode() != 0) {
        tell(QStringLiteral("プログラムフォルダー %1 を作成できませんでした。").arg(folder),
             QMessageBox::Critical);
        return 1;
    }
    const QString absolute = QFileInfo(folder).absoluteFilePath();
    QString where;
    if (!recordFolder(absolute, system, &where)) {
        tell(QStringLiteral("プログラムフォルダー %1 を作成しましたが、設定 %2 を書き込めませんでした。")
                 .arg(absolute, where),
             QMessageBox::Critical);
        return 1;
    }
    std::printf("%s\n", qPrintable(QStringLiteral("プログラムフォルダー %1 を作成しました。\n"
                                                  "メニューの「拠点メニュー」（または topmenu）で起動します。"
                                                  "初回の起動でデータベースを作成し、初期設定に進みます。")
                                       .arg(absolute)));
    return 0;
}

int use(const QString& folder, bool system)
{
    const QString absolute = QFileInfo(folder).absoluteFilePath();
    if (!holdsTopMenu(absolute)) {
        tell(QStringLiteral("%1 に TopMenu がありません。プログラムフォルダーを指定してください。")
                 .arg(absolute),
             QMessageBox::Critical);
        return 1;
    }
    QString where;
    if (!recordFolder(absolute, system, &where)) {
        tell(QStringLiteral("設定 %1 を書き込めませんでした。").arg(where), QMessageBox::Critical);
        return 1;
    }
    std::printf(
        "%s\n",
        qPrintable(QStringLiteral("拠点メニューはプログラムフォルダー %1 で起動します。").arg(absolute)));
    return 0;
}

int usage(FILE* to)
{
    std::fprintf(
        to, "%s\n",
        qPrintable(QStringLiteral(
            "使い方:\n"
            "  topmenu                                    設定したプログラムフォルダーの TopMenu を起動\n"
            "  topmenu <フォルダー>                       そのフォルダーの TopMenu を起動\n"
            "  topmenu --new-installation <フォルダー> [--system]\n"
            "                                             新しいプログラムフォルダーを作成して設定\n"
            "  topmenu --use <フォルダー> [--system]      既にあるプログラムフォルダーを設定\n"
            "--system はこのコンピューターの全ユーザーの設定にします（管理者権限が必要）。")));
    return to == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const bool system = args.removeAll(QStringLiteral("--system")) > 0;
    const QString command = args.value(0);
    if (command == QLatin1String("--new-installation") && args.size() == 2)
        return newInstallation(args.at(1), system);
    if (command == QLatin1String("--use") && args.size() == 2)
        return use(args.at(1), system);
    if (!system && args.size() <= 1 && !command.startsWith(QLatin1Char('-')))
        return start(command);
    if (args == QStringList{QStringLiteral("--help")})
        return usage(stdout);
    return usage(stderr);
}
