// One launcher of the double-login check: logs in on one account again and again (double-login
// control on), holds a marker file only one session may create, logs out. Prints
// "sessions=<n> refused=<n> overlaps=<n> errors=<n>"; ends with 0 when none overlapped or failed.
// login_race <program folder> <login id> <password> <rounds>

#include "launcher/login.h"
#include "launcher/statefiles.h"
#include "platform/messagebox.h"
#include "platform/runtime.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

// Counts the boxes: the refusal of an account in use is expected, anything else is an error.
struct CountingBoxes : platform::MessageBoxes {
    platform::MsgAnswer show(const QString& text, const QString&, platform::MsgIcon,
                             platform::MsgButtons) override
    {
        const bool refusal = text == QStringLiteral("このアカウントは現在ログイン中です");
        ++(refusal ? refused : errors);
        if (!refusal)
            std::fprintf(stderr, "%s\n", qPrintable(text));
        return platform::MsgAnswer::Ok;
    }
    int refused = 0;
    int errors = 0;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    platform::installSystemRuntime();
    CountingBoxes boxes;
    platform::runtime().messages = &boxes;
    platform::runtime().gsAppPath = args[1];
    const QByteArray marker = (args[1] + QStringLiteral("/session.marker")).toLocal8Bit();
    const int rounds = args[4].toInt();

    int sessions = 0, overlaps = 0;
    for (int i = 0; i < rounds; ++i) {
        if (LoginAccount(args[2], args[3], true, nullptr) != 1)
            continue;
        ++sessions;
        const int fd = ::open(marker.constData(), O_CREAT | O_EXCL | O_WRONLY, 0644);
        if (fd < 0) {
            ++overlaps;
        } else {
            ::close(fd);
            QThread::usleep(1000); // the session lasts a moment, so an overlap cannot slip by
            ::unlink(marker.constData());
        }
        if (iAccountLogout(args[2], 0) != 0)
            ++boxes.errors;
    }
    std::printf("sessions=%d refused=%d overlaps=%d errors=%d\n", sessions, boxes.refused, overlaps,
                boxes.errors);
    return overlaps == 0 && boxes.errors == 0 ? 0 : 1;
}
