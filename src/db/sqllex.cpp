#include "db/sqllex.h"

namespace db::lex
{

namespace
{

bool wordStart(QChar c)
{
    return c.isLetter() || c == u'_' || c == u'@' || c == u'#';
}
bool wordPart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

// The end of a quoted run that starts at pos with open and ends with close; a doubled
// close character stands for itself.
int quotedEnd(const QString& s, int pos, QChar close)
{
    int i = pos + 1;
    while (i < s.size()) {
        if (s[i] == close) {
            if (i + 1 < s.size() && s[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return int(s.size());
}

} // namespace

std::vector<Token> tokenize(const QString& s)
{
    std::vector<Token> out;
    const int n = int(s.size());
    int i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            while (i < n && s[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            const int close = int(s.indexOf(QLatin1String("*/"), i + 2));
            i = close < 0 ? n : close + 2;
        } else if (c == u'\'') {
            const int e = quotedEnd(s, i, u'\'');
            out.push_back({Kind::String, i, e - i});
            i = e;
        } else if (c == u'[' || c == u'"' || c == u'`') {
            const int e = quotedEnd(s, i, c == u'[' ? QChar(u']') : c);
            out.push_back({Kind::Quoted, i, e - i});
            i = e;
        } else if (c.isDigit()) {
            int e = i + 1;
            while (e < n && (s[e].isLetterOrNumber() || s[e] == u'.'))
                ++e;
            out.push_back({Kind::Number, i, e - i});
            i = e;
        } else if (wordStart(c)) {
            int e = i + 1;
            while (e < n && wordPart(s[e]))
                ++e;
            out.push_back({Kind::Word, i, e - i});
            i = e;
        } else {
            out.push_back({Kind::Punct, i, 1});
            ++i;
        }
    }
    return out;
}

bool isWord(const QString& text, const Token& token, QLatin1String word)
{
    return token.kind == Kind::Word && token.len == word.size() &&
           QStringView(text).mid(token.pos, token.len).compare(word, Qt::CaseInsensitive) == 0;
}

bool isPunct(const QString& text, const Token& token, QChar c)
{
    return token.kind == Kind::Punct && text[token.pos] == c;
}

bool isName(const Token& token)
{
    return token.kind == Kind::Word || token.kind == Kind::Quoted;
}

QString name(const QString& text, const Token& token)
{
    if (token.kind != Kind::Quoted)
        return text.mid(token.pos, token.len);
    const QChar open = text[token.pos];
    const QChar close = open == u'[' ? QChar(u']') : open;
    QString inner = text.mid(token.pos + 1, token.len - 2);
    if (token.len < 2 || text[token.end() - 1] != close)
        inner = text.mid(token.pos + 1, token.len - 1); // unterminated: the rest of the text
    inner.replace(QString(2, close), QString(close));
    return inner;
}

} // namespace db::lex
