#pragma once

#include <QByteArray>
#include <QString>

namespace platform
{

// Where a folder's files are kept. The embedded database must stay on this computer's own
// disk: its write-ahead log and its file locks do not hold between computers, and two of
// them writing one file over a shared folder corrupt it without a word.
class Volumes
{
public:
    virtual ~Volumes() = default;
    // The kind of network file system the folder lies on, as the system names it ("nfs4",
    // "cifs", "fuse.sshfs"; on Windows "UNC パス" or "ネットワーク ドライブ"); empty when it lies on this
    // computer's own disk. A folder that does not exist yet is answered by its nearest
    // existing parent, where it would be made.
    virtual QString networkKind(const QString& folder) const = 0;
};

// Linux: the folder's entry in the mount table (/proc/self/mountinfo), since statfs cannot
// tell a network FUSE mount from a local one. Windows: a UNC path or a remote drive.
class SystemVolumes : public Volumes
{
public:
    QString networkKind(const QString& folder) const override;
};

// The answer for a path (absolute, symbolic links resolved) on the device major:minor
// ("0:52"; empty when unknown) from the text of /proc/self/mountinfo. The mount that holds
// the path is the one with its device whose mount point is the longest leading part of the
// path; without a device match, the longest mount point; among equals, the one mounted last.
QString networkKindInMountTable(const QString& path, const QString& device, const QByteArray& mountInfo);

// The kind a mount of this file-system type and source counts as: empty for a local one.
QString networkKindOf(const QString& type, const QString& source);

// \\server\share\... and its long form \\?\UNC\server\share\... (either slash).
bool isUncPath(const QString& path);

} // namespace platform
