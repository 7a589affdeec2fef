#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace textfile
{

namespace
{

constexpr const char* kCodePage = "windows-31j";

// The converter substitutes its own byte pair for characters the code page lacks; the
// suite's programs expect '?' there, as Windows writes it. Pieces that fail are halved
// until the failing characters are found, so clean text costs one conversion.
void encodeInto(QStringView text, QByteArray& out)
{
    if (text.isEmpty())
        return;
    QStringEncoder encoder(kCodePage, QStringEncoder::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError()) {
        out += bytes;
        return;
    }
    const bool single = text.size() == 1 || (text.size() == 2 && text[0].isHighSurrogate());
    if (single) {
        out += '?';
        return;
    }
    qsizetype mid = text.size() / 2;
    if (text[mid].isLowSurrogate() && text[mid - 1].isHighSurrogate())
        ++mid; // never between the halves of a surrogate pair
    encodeInto(text.first(mid), out);
    encodeInto(text.sliced(mid), out);
}

// Length of the character (one or two UTF-16 units) that starts at i.
qsizetype charLength(QStringView text, qsizetype i)
{
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return 2;
    return 1;
}

bool isLeadByte(uchar b)
{
    return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc);
}

// What the converter gives for a byte it cannot read.
constexpr QChar kBrokenByte(0x1a);

// Temporaries of the atomic write: "~<name>.XXXXXX.tmp" beside the file.
constexpr int kTempTagLength = 6;

QString tempName(const QString& fileName)
{
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString tag;
    for (int i = 0; i < kTempTagLength; ++i)
        tag += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))]);
    return QLatin1Char('~') + fileName + QLatin1Char('.') + tag + QStringLiteral(".tmp");
}

bool isTempOf(const QString& entry, const QString& fileName)
{
    const qsizetype head = fileName.size() + 2; // "~" + name + "."
    if (entry.size() != head + kTempTagLength + 4 || !entry.startsWith(u'~') ||
        !entry.endsWith(QLatin1String(".tmp")) || QStringView(entry).mid(1, fileName.size()) != fileName ||
        entry[head - 1] != u'.')
        return false;
    for (qsizetype i = head; i < head + kTempTagLength; ++i) {
        if (!(entry[i].isLetterOrNumber() && entry[i].unicode() < 0x80))
            return false;
    }
    return true;
}

// The file a write replaces: a link is followed, so that the link stays and its target
// gets the new text.
QString writeTarget(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return info.symLinkTarget();
    return info.absoluteFilePath();
}

#ifdef Q_OS_WIN

// An open temporary cannot be deleted on Windows, so what can be deleted is stale.
void removeStaleTemps(const QString& folder, const QString& fileName)
{
    const QDir dir(folder);
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (isTempOf(entry, fileName))
            QFile::remove(dir.filePath(entry));
    }
}

bool replaceAtomically(const QString& path, const QByteArray& bytes, Sync sync)
{
    const QString target = writeTarget(path);
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    removeStaleTemps(folder, info.fileName());
    QFile temp;
    for (int attempt = 0; attempt < 100 && !temp.isOpen(); ++attempt) {
        temp.setFileName(QDir(folder).filePath(tempName(info.fileName())));
        temp.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    }
    if (!temp.isOpen())
        return false;
    const bool written = temp.write(bytes) == bytes.size() && temp.flush() &&
                         (sync == Sync::None || FlushFileBuffers(HANDLE(_get_osfhandle(temp.handle()))));
    temp.close();
    if (!written ||
        !MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(temp.fileName()).utf16()),
                     reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(target).utf16()),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        temp.remove();
        return false;
    }
    return true;
}

#else

// A writer holds an exclusive lock on its temporary until the rename, and the system drops
// it when the writer dies: a temporary whose lock can be taken is stale.
void removeStaleTemps(const QString& folder, const QString& fileName)
{
    const QDir dir(folder);
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!isTempOf(entry, fileName))
            continue;
        const QByteArray name = QFile::encodeName(dir.filePath(entry));
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat held, named;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
            ::lstat(name.constData(), &named) == 0 && held.st_ino == named.st_ino &&
            held.st_dev == named.st_dev)
            ::unlink(name.constData());
        ::close(fd);
    }
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

bool replaceAtomically(const QString& path, const QByteArray& bytes, Sync sync)
{
    const QString target = writeTarget(path);
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    removeStaleTemps(folder, info.fileName());

    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = QFile::encodeName(QDir(folder).filePath(tempName(info.fileName())));
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        // Another writer's clean-up may have taken the new file for stale before it was
        // locked; it then holds the lock or has already removed the name.
        struct stat st;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &st) != 0 || st.st_nlink == 0) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0)
        return false;

    const QByteArray targetName = QFile::encodeName(target);
    struct stat old;
    if (::stat(targetName.constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);
    const bool ok = writeAll(fd, bytes) && (sync == Sync::None || ::fsync(fd) == 0) &&
                    ::rename(temp.constData(), targetName.constData()) == 0;
    if (!ok)
        ::unlink(temp.constData());
    ::close(fd);
    return ok;
}

#endif

// True when the bytes hold multi-byte sequences and every one of them is well-formed UTF-8.
bool isUtf8Text(const QByteArray& bytes)
{
    bool multiByte = false;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uchar c = uchar(bytes[i]);
        int follow = c < 0x80             ? 0
                     : (c & 0xE0) == 0xC0 ? 1
                     : (c & 0xF0) == 0xE0 ? 2
                     : (c & 0xF8) == 0xF0 ? 3
                                          : -1;
        if (follow < 0 || (follow == 1 && c < 0xC2) || i + follow >= n + (follow == 0 ? 1 : 0))
            return false;
        for (int k = 1; k <= follow; ++k)
            if (i + k >= n || (uchar(bytes[i + k]) & 0xC0) != 0x80)
                return false;
        multiByte = multiByte || follow > 0;
        i += follow + 1;
    }
    return multiByte;
}

} // namespace

QByteArray encode(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    encodeInto(text, out);
    return out;
}

QString decode(const QByteArray& bytes)
{
    QStringDecoder decoder(kCodePage, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    // The converter drops a lead byte whose second byte is missing; like any other broken
    // byte it must still show. With a second byte after it, it would join that byte.
    if (!bytes.isEmpty() && isLeadByte(uchar(bytes.back()))) {
        QStringDecoder probe(kCodePage, QStringDecoder::Flag::Stateless);
        if (!QString(probe.decode(bytes + 'A')).endsWith(u'A'))
            text += kBrokenByte;
    }
    return text;
}

int encodedLength(const QString& text)
{
    return int(encode(text).size());
}

QString cutToBytes(const QString& text, int maxBytes)
{
    if (maxBytes <= 0)
        return {};
    if (encodedLength(text) <= maxBytes)
        return text;
    int used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype len = charLength(text, i);
        const int bytes = encodedLength(text.mid(i, len));
        if (used + bytes > maxBytes)
            break;
        used += bytes;
        i += len;
    }
    return text.left(i);
}

bool readBytes(const QString& path, QByteArray* bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    if (bytes)
        *bytes = all;
    return true;
}

bool read(const QString& path, QString* text)
{
    QByteArray bytes;
    if (!readBytes(path, &bytes))
        return false;
    if (text)
        *text = decode(bytes);
    return true;
}

bool readStrict(const QString& path, QString* text, QString* why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return false;
    }
    return decodeStrict(file.readAll(), text, why);
}

bool decodeStrict(const QByteArray& bytes, QString* text, QString* why)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        *why = QStringLiteral("UTF-8 (BOM)");
        return false;
    }
    if (isUtf8Text(bytes)) {
        *why = QStringLiteral("UTF-8");
        return false;
    }
    QStringDecoder decoder(kCodePage, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError()) {
        *why = QStringLiteral("not CP932");
        return false;
    }
    *text = std::move(decoded);
    return true;
}

bool readLines(const QString& path, QStringList* lines)
{
    QString text;
    if (!read(path, &text))
        return false;
    if (lines)
        *lines = splitLines(text);
    return true;
}

QStringList splitLines(const QString& text)
{
    QStringList result;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        result << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        result << text.mid(start);
    return result;
}

bool writeBytes(const QString& path, const QByteArray& bytes, Sync sync)
{
    if (path.isEmpty())
        return false;
    return replaceAtomically(path, bytes, sync);
}

bool copy(const QString& source, const QString& target)
{
    QByteArray bytes;
    return readBytes(source, &bytes) && writeBytes(target, bytes);
}

bool write(const QString& path, const QString& text)
{
    return writeBytes(path, encode(text));
}

bool writeLines(const QString& path, const QStringList& lines, Sync sync)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        encodeInto(line, bytes);
        bytes += "\r\n";
    }
    return writeBytes(path, bytes, sync);
}

} // namespace textfile
