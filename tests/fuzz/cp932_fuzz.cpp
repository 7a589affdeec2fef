// The CP932 module on any bytes and any text: reading drops no byte (a broken one reads as
// U+001A, an unassigned pair as U+FFFD); text read once and written is stable from then on;
// writing gives the length encodedLength() says; cutToBytes() gives the longest start that fits.
#include "fuzzsupport.h"
#include "platform/textfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::input(data, size);

    const QString text = textfile::decode(bytes);
    // At most one character per byte, at least one per two bytes (so none for no bytes).
    FUZZ_CHECK(text.size() <= bytes.size() && text.size() * 2 >= bytes.size(), text);
    const QByteArray written = textfile::encode(text);
    // A pair the code page leaves unassigned reads as U+FFFD, which is written as '?'.
    QString stable = text;
    stable.replace(QChar(0xfffd), u'?');
    FUZZ_CHECK(textfile::decode(written) == stable, text);
    // Bytes that read cleanly are written back as they were, apart from the duplicate codes
    // of the extension characters (read as one character, written in one form).
    if (!text.contains(QChar(0x1a)) && !text.contains(QChar(0xfffd)))
        FUZZ_CHECK(written.size() == bytes.size(), text);

    // The same bytes as UTF-8 text, as a name typed into a window might be.
    const QString typed = QString::fromUtf8(bytes);
    const QByteArray out = textfile::encode(typed);
    FUZZ_CHECK(out.size() == textfile::encodedLength(typed), typed);
    const QString back = textfile::decode(out);
    FUZZ_CHECK(textfile::encode(back) == out, typed);

    const int limit = bytes.isEmpty() ? 0 : uchar(bytes[0]) % 64;
    const QString cut = textfile::cutToBytes(typed, limit);
    FUZZ_CHECK(typed.startsWith(cut), cut);
    FUZZ_CHECK(textfile::encodedLength(cut) <= limit, cut);
    if (cut.size() < typed.size()) {
        const qsizetype next = typed[cut.size()].isHighSurrogate() && cut.size() + 1 < typed.size() ? 2 : 1;
        FUZZ_CHECK(textfile::encodedLength(typed.left(cut.size() + next)) > limit, cut);
    }
    return 0;
}
