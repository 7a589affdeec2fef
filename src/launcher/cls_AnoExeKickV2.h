#pragma once

#include <QString>

// Starts a command line and waits for it to end.
class cls_AnoExeKickV2
{
public:
    // 0 when the process was started and waited for (a non-zero exit code sets the
    // failure text "起動できませんでした！" + CR + the command line); -1 when it could not be
    // started.
    short iExecCmd(const QString& cCmdLine);
    const QString& csErrStr() const { return errStr_; }

private:
    QString errStr_;
};
