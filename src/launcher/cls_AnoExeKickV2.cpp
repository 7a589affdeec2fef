#include "launcher/cls_AnoExeKickV2.h"

#include "platform/process.h"
#include "platform/runtime.h"

short cls_AnoExeKickV2::iExecCmd(const QString& cCmdLine)
{
    errStr_.clear();
    const QString failure = QStringLiteral("起動できませんでした！") + QLatin1Char('\r') + cCmdLine;
    int exitCode = 0;
    if (!platform::processes().startAndWait(cCmdLine, &exitCode)) {
        errStr_ = failure;
        return -1;
    }
    // The program ran; a non-zero exit code is only noted for the caller.
    if (exitCode != 0)
        errStr_ = failure;
    return 0;
}
