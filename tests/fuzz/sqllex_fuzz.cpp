// The T-SQL tokenizer and the embedded engine's TOP n rewrite.
// Input: a statement (UTF-8).
// Properties of the tokens: in order, not overlapping, inside the text, and what lies
// between them is only blanks and comments. Properties of the rewrite: string literals,
// quoted names and comments come out unchanged and in the same order (no literal is
// rewritten, no comment spliced into the statement or dropped); each TOP removed gives one
// LIMIT.
#include "db/provider.h"
#include "db/sqllex.h"
#include "fuzzsupport.h"

#include <algorithm>

namespace
{

using namespace db::lex;

// The comments between the tokens, in order; fails when anything else stands there.
QStringList commentsOf(const QString& sql, const std::vector<Token>& tokens)
{
    QStringList comments;
    int pos = 0;
    for (size_t i = 0; i <= tokens.size(); ++i) {
        const int end = i < tokens.size() ? tokens[i].pos : int(sql.size());
        FUZZ_CHECK(end >= pos && end <= sql.size(), sql);
        while (pos < end) {
            if (sql[pos].isSpace()) {
                ++pos;
            } else if (sql.mid(pos, 2) == QLatin1String("--")) {
                const qsizetype nl = sql.indexOf(u'\n', pos);
                const int stop = nl < 0 ? int(sql.size()) : int(nl);
                comments << sql.mid(pos, stop - pos);
                pos = stop;
            } else if (sql.mid(pos, 2) == QLatin1String("/*")) {
                const qsizetype close = sql.indexOf(QLatin1String("*/"), pos + 2);
                const int stop = close < 0 ? int(sql.size()) : int(close) + 2;
                comments << sql.mid(pos, stop - pos);
                pos = stop;
            } else {
                fuzz::fail("only blanks and comments between tokens", sql + QStringLiteral(" @%1").arg(pos));
            }
        }
        FUZZ_CHECK(pos == end, sql + QStringLiteral(" @%1").arg(pos));
        if (i < tokens.size()) {
            FUZZ_CHECK(tokens[i].len > 0 && tokens[i].end() <= sql.size(), sql);
            pos = tokens[i].end();
        }
    }
    return comments;
}

QStringList literalsOf(const QString& sql, const std::vector<Token>& tokens)
{
    QStringList literals;
    for (const Token& t : tokens)
        if (t.kind == Kind::String || t.kind == Kind::Quoted)
            literals << sql.mid(t.pos, t.len);
    return literals;
}

int countWord(const QString& sql, const std::vector<Token>& tokens, QLatin1String word)
{
    return int(std::ranges::count_if(tokens, [&](const Token& t) { return isWord(sql, t, word); }));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString sql = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::vector<Token> tokens = tokenize(sql);
    const QStringList comments = commentsOf(sql, tokens);
    for (const Token& t : tokens) {
        if (t.kind == Kind::String)
            FUZZ_CHECK(sql[t.pos] == u'\'', sql);
        if (isName(t))
            (void)name(sql, t);
    }

    const QString out = db::embeddedDialect(sql);
    if (out == sql)
        return 0;
    const std::vector<Token> outTokens = tokenize(out);
    FUZZ_CHECK(commentsOf(out, outTokens) == comments, sql + QStringLiteral("\n=> ") + out);
    FUZZ_CHECK(literalsOf(out, outTokens) == literalsOf(sql, tokens), sql + QStringLiteral("\n=> ") + out);
    const int removed =
        countWord(sql, tokens, QLatin1String("TOP")) - countWord(out, outTokens, QLatin1String("TOP"));
    const int added =
        countWord(out, outTokens, QLatin1String("LIMIT")) - countWord(sql, tokens, QLatin1String("LIMIT"));
    FUZZ_CHECK(removed > 0 && removed == added, sql + QStringLiteral("\n=> ") + out);
    return 0;
}
