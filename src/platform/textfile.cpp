#include "textfile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

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
    return decoder.decode(bytes);
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

bool read(const QString& path, QString* text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
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
    const QByteArray bytes = file.readAll();
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
    if (lines)
        *lines = result;
    return true;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool copy(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return false;
    return writeBytes(target, bytes);
}

bool write(const QString& path, const QString& text)
{
    return writeBytes(path, encode(text));
}

bool writeLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        encodeInto(line, bytes);
        bytes += "\r\n";
    }
    return writeBytes(path, bytes);
}

} // namespace textfile
