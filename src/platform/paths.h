#pragma once

#include <QString>

namespace platform {

// The one conversion from the suite's Windows paths to paths of this system. On Windows
// it is the identity. On POSIX "\" becomes "/", a drive letter "X:" becomes the folder
// "drive_x" in the program folder, and every component that exists is matched without
// regard to letter case (the suite writes "DATA\Data0501" and reads "DATA\DATA0501");
// components that do not exist keep the name given. Paths that are already native pass
// through unchanged apart from the case matching.
QString nativePath(const QString& suitePath);

} // namespace platform
