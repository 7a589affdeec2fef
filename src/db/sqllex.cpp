#include "db/sqllex.h"

#include <algorithm>
#include <initializer_list>

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

bool isClosedQuote(const QString& text, const Token& token)
{
    if (token.kind != Kind::String && token.kind != Kind::Quoted)
        return true;
    const QChar close = text[token.pos] == u'[' ? QChar(u']') : text[token.pos];
    for (int i = token.pos + 1; i < token.end(); ++i) {
        if (text[i] != close)
            continue;
        if (i + 1 < token.end() && text[i + 1] == close) {
            ++i;
            continue;
        }
        return i + 1 == token.end();
    }
    return false;
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

namespace
{

bool isAnyWord(const QString& text, const Token& token, std::initializer_list<QLatin1String> words)
{
    for (QLatin1String w : words)
        if (isWord(text, token, w))
            return true;
    return false;
}

// Words that begin a statement of their own.
bool isStatementWord(const QString& s, const Token& t)
{
    return isAnyWord(s, t, {QLatin1String("SELECT"),   QLatin1String("INSERT"),  QLatin1String("UPDATE"),
                            QLatin1String("DELETE"),   QLatin1String("CREATE"),  QLatin1String("DROP"),
                            QLatin1String("ALTER"),    QLatin1String("BEGIN"),   QLatin1String("COMMIT"),
                            QLatin1String("ROLLBACK"), QLatin1String("WITH"),    QLatin1String("TRUNCATE"),
                            QLatin1String("USE"),      QLatin1String("DECLARE"), QLatin1String("EXEC"),
                            QLatin1String("EXECUTE"),  QLatin1String("PRINT"),   QLatin1String("PRAGMA"),
                            QLatin1String("SAVE"),     QLatin1String("GRANT"),   QLatin1String("REVOKE")});
}

// Words after which a statement word belongs to the statement: UNION SELECT, CREATE VIEW v
// AS SELECT, ON DELETE, DO UPDATE, AFTER INSERT, INSERT OR ROLLBACK and the like.
bool joinsNextWord(const QString& s, const Token& t)
{
    return isAnyWord(s, t,
                     {QLatin1String("UNION"), QLatin1String("ALL"), QLatin1String("EXCEPT"),
                      QLatin1String("INTERSECT"), QLatin1String("AS"), QLatin1String("ON"),
                      QLatin1String("DO"), QLatin1String("BEFORE"), QLatin1String("AFTER"),
                      QLatin1String("OF"), QLatin1String("FOR"), QLatin1String("INSTEAD"),
                      QLatin1String("OR"), QLatin1String("CONFLICT")});
}

// WITH [RECURSIVE] name [(columns)] AS: the head of a common table expression (not WITH TIES or a
// table hint).
bool isCteHead(const QString& s, const std::vector<Token>& t, size_t i)
{
    if (i + 1 < t.size() && isWord(s, t[i + 1], QLatin1String("RECURSIVE")))
        ++i;
    return i + 2 < t.size() && isName(t[i + 1]) &&
           (isWord(s, t[i + 2], QLatin1String("AS")) || isPunct(s, t[i + 2], u'('));
}

// CREATE or ALTER of a procedure, function or trigger, whose body is the rest of the batch.
bool opensBody(const QString& s, const std::vector<Token>& t, size_t i)
{
    if (!isAnyWord(s, t[i], {QLatin1String("CREATE"), QLatin1String("ALTER")}))
        return false;
    for (size_t j = i + 1; j < t.size() && j <= i + 3; ++j)
        if (isAnyWord(s, t[j],
                      {QLatin1String("PROCEDURE"), QLatin1String("PROC"), QLatin1String("FUNCTION"),
                       QLatin1String("TRIGGER")}))
            return true;
    return false;
}

} // namespace

std::vector<size_t> statementStarts(const QString& s, const std::vector<Token>& t)
{
    std::vector<size_t> starts;
    int depth = 0;
    bool restOfBatch = false; // a procedure, function or trigger body
    bool needsSource = false; // INSERT before its VALUES or SELECT
    bool cteOpen = false;     // a WITH list before the statement it serves
    for (size_t i = 0; i < t.size(); ++i) {
        const Token& tok = t[i];
        if (isPunct(s, tok, u'(')) {
            ++depth;
            continue;
        }
        if (isPunct(s, tok, u')')) {
            depth = std::max(0, depth - 1);
            continue;
        }
        if (depth > 0 || tok.kind != Kind::Word)
            continue;
        bool starts_here = starts.empty();
        if (!starts_here && !restOfBatch && isStatementWord(s, tok)) {
            const Token& before = t[i - 1];
            const bool select = isWord(s, tok, QLatin1String("SELECT"));
            const bool change = isAnyWord(s, tok,
                                          {QLatin1String("INSERT"), QLatin1String("UPDATE"),
                                           QLatin1String("DELETE"), QLatin1String("MERGE")});
            const bool continues =
                isPunct(s, before, u',') || joinsNextWord(s, before) ||
                (select && (needsSource || cteOpen)) || (change && cteOpen) ||
                // ALTER TABLE t DROP COLUMN c, ALTER TABLE t ALTER COLUMN c
                (isAnyWord(s, tok, {QLatin1String("DROP"), QLatin1String("ALTER")}) && i + 1 < t.size() &&
                 isAnyWord(s, t[i + 1], {QLatin1String("COLUMN"), QLatin1String("CONSTRAINT")})) ||
                (isWord(s, tok, QLatin1String("WITH")) && !isCteHead(s, t, i));
            starts_here = !continues;
        }
        if (starts_here) {
            starts.push_back(i);
            needsSource = isWord(s, tok, QLatin1String("INSERT"));
            cteOpen = isWord(s, tok, QLatin1String("WITH")) && isCteHead(s, t, i);
            restOfBatch = opensBody(s, t, i);
            continue;
        }
        // The statement goes on: follow what it still expects.
        if (needsSource &&
            isAnyWord(s, tok,
                      {QLatin1String("VALUES"), QLatin1String("SELECT"), QLatin1String("DEFAULT"),
                       QLatin1String("EXEC"), QLatin1String("EXECUTE")}))
            needsSource = false;
        if (cteOpen && isAnyWord(s, tok,
                                 {QLatin1String("SELECT"), QLatin1String("INSERT"), QLatin1String("UPDATE"),
                                  QLatin1String("DELETE"), QLatin1String("MERGE")})) {
            cteOpen = false;
            needsSource = isWord(s, tok, QLatin1String("INSERT"));
        } else if (isWord(s, tok, QLatin1String("WITH")) && isCteHead(s, t, i)) {
            cteOpen = true; // CREATE VIEW v AS WITH c AS (...) SELECT ...
        }
    }
    return starts;
}

std::vector<std::pair<int, int>> statementRanges(const QString& s)
{
    const std::vector<Token> t = tokenize(s);
    const std::vector<size_t> starts = statementStarts(s, t);
    std::vector<std::pair<int, int>> out;
    for (size_t k = 0; k < starts.size(); ++k) {
        const size_t last = k + 1 < starts.size() ? starts[k + 1] : t.size();
        const bool body = opensBody(s, t, starts[k]);
        int from = t[starts[k]].pos;
        int depth = 0;
        for (size_t i = starts[k]; i < last; ++i) {
            if (isPunct(s, t[i], u'('))
                ++depth;
            else if (isPunct(s, t[i], u')'))
                depth = std::max(0, depth - 1);
            else if (!body && depth == 0 && isPunct(s, t[i], u';')) {
                if (t[i].pos > from)
                    out.emplace_back(from, t[i].pos);
                from = i + 1 < t.size() ? t[i + 1].pos : int(s.size());
            }
        }
        const int to = last < t.size() ? t[last].pos : int(s.size());
        if (from < to && from < (last > starts[k] ? t[last - 1].end() : to))
            out.emplace_back(from, to);
    }
    return out;
}

} // namespace db::lex
