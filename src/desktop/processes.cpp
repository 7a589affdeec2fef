#include "processes.h"

#include <QDesktopServices>
#include <QUrl>

namespace desktop
{

bool QtProcesses::shellOpen(const QString& address)
{
    return QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

} // namespace desktop
