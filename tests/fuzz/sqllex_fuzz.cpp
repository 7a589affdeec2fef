// The T-SQL tokenizer and the embedded engine's TOP n rewrite, on a statement (UTF-8).
// Tokens: in order, not overlapping, inside the text, only blanks and comments between them.
// The rewrite: literals, quoted names and comments come out unchanged and in order (none
// rewritten, spliced into the statement or dropped); each TOP removed gives one LIMIT.
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
    qsizetype pos = 0;
    for (size_t i = 0; i <= tokens.size(); ++i) {
        const qsizetype end = i < tokens.size() ? tokens[i].pos : sql.size();
        FUZZ_CHECK(end >= pos && end <= sql.size(), sql);
        while (pos < end) {
            const QStringView at = QStringView(sql).mid(pos);
            qsizetype len = 1; // a blank
            if (at.startsWith(u"--"))
                len = at.indexOf(u'\n') < 0 ? at.size() : at.indexOf(u'\n');
            else if (at.startsWith(u"/*"))
                len = at.indexOf(u"*/", 2) < 0 ? at.size() : at.indexOf(u"*/", 2) + 2;
            else
                FUZZ_CHECK(at[0].isSpace(), sql + QStringLiteral(" @%1").arg(pos));
            if (len > 1)
                comments << at.left(len).toString();
            pos += len;
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
    const QString sql = QString::fromUtf8(fuzz::input(data, size));
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
