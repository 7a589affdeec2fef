#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The one place where the suite's text files meet their encoding: the Japanese Windows
// code page CP932 (windows-31j), lines ended by CR LF. Paths given here are native paths
// (see paths.h).
namespace textfile
{

QByteArray encode(const QString& text);  // CP932; characters it lacks become '?'
QString decode(const QByteArray& bytes); // invalid bytes never fail the read

// Byte length of the text in CP932.
int encodedLength(const QString& text);
// The longest start of the text whose CP932 form fits in maxBytes, cut on a character
// boundary.
QString cutToBytes(const QString& text, int maxBytes);

// Reads a whole file. False when it cannot be opened.
bool read(const QString& path, QString* text);
// Reads a whole file that must be CP932 (data handed over by other programs). False with
// *why set when it cannot be opened, holds bytes that are no CP932, or is UTF-8 text (a
// byte-order mark, or multi-byte sequences that are all valid UTF-8), which CP932 would
// otherwise read as wrong characters without any error.
bool readStrict(const QString& path, QString* text, QString* why);
// Reads a whole file and splits it into lines. CR LF, a lone LF and a lone CR each end a
// line; a last line without a line end still counts; an empty file has no lines.
bool readLines(const QString& path, QStringList* lines);

// Writes the text exactly as given (callers end lines with CR LF), replacing the file
// atomically: a temporary file in the same folder is written, flushed and renamed over the
// old one, so readers see the old file or the new one, never a half-written one.
bool write(const QString& path, const QString& text);
// Writes each line followed by CR LF, atomically.
bool writeLines(const QString& path, const QStringList& lines);
// Writes the bytes as they are, atomically.
bool writeBytes(const QString& path, const QByteArray& bytes);
// Copies a file byte for byte over the target, atomically. False when the source cannot be
// read or the target cannot be written; the old target then stays whole.
bool copy(const QString& source, const QString& target);

} // namespace textfile
