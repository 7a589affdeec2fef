#pragma once

#include <QString>
#include <vector>

// One key to write: section, key and value.
struct ProfileEntry {
    QString section;
    QString key;
    QString value;
};

// Reads and writes one INI file the way the Windows private-profile functions do on the
// suite's files: section and key names match without regard to letter case, blanks around
// keys and values are ignored, one pair of quotes around a value is dropped on reading, the
// first matching section and key win; a write replaces the value in place, or appends the
// key at the end of its section, or the section at the end of the file, creating the file
// when needed. Files are CP932 with CR LF; values read are cut at 255 bytes. Section and
// key names given here are taken without blanks at either end, as the file's are read.
// A write keeps every byte of the lines it does not change, replaces the file atomically,
// and runs under the file's inter-process lock, as the profile functions serialise their
// callers: writers in several processes never lose each other's keys.
class clsOplIniFile
{
public:
    // 0 when the file exists; -1 with csErrMsg set otherwise (the name stays stored).
    short iInit(const QString& csFileName);
    // The value, trailing blanks removed; empty when the file, section or key is missing.
    QString csGetProfileString(const QString& csSectionName, const QString& csKeyName) const;
    // 1 on success, 0 when the file cannot be written (the old file stays whole), -1 when
    // the arguments cannot be written into the file (a name holding a line end or "=" in
    // a key, or "]" in a section, or a name the code page cannot hold).
    short iWriteProfileString(const QString& csSectionName, const QString& csKeyName,
                              const QString& csWriteBuf);
    // Writes the entries in order in one replace of the file, so that readers see all of
    // them or none. With a base file, the new file starts from that file's bytes instead of
    // its own (a copy of the base with the entries written into it). Results as above; -1
    // when any entry cannot be written, and then nothing is written; 0 also when the base
    // file cannot be read.
    short iWriteProfileStrings(const std::vector<ProfileEntry>& entries, const QString& baseFile = {});
    const QString& csErrMsg() const { return errMsg_; }
    const QString& fileName() const { return fileName_; }

private:
    QString fileName_;
    QString errMsg_;
};
