// The T-SQL tokenizer and the embedded engine's TOP n rewrite, on a statement (UTF-8).
// Tokens: in order, not overlapping, inside the text. The rewrite: literals, quoted names and
// the text between the tokens (comments) come out unchanged and in order (none rewritten,
// spliced into the statement or dropped); each TOP removed gives one LIMIT.
#include "db/provider.h"
#include "db/sqllex.h"
#include "fuzzsupport.h"

#include <algorithm>

namespace
{

using namespace db::lex;

// The text between the tokens, its blanks dropped; fails when tokens overlap or run outside.
QString between(const QString& sql, const std::vector<Token>& tokens)
{
    QString gaps;
    qsizetype pos = 0;
    for (const Token& t : tokens) {
        FUZZ_CHECK(t.pos >= pos && t.len > 0 && t.end() <= sql.size(), sql);
        gaps += sql.mid(pos, t.pos - pos);
        pos = t.end();
    }
    return (gaps + sql.mid(pos)).simplified().remove(u' ');
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
    const QString gaps = between(sql, tokens);
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
    FUZZ_CHECK(between(out, outTokens) == gaps, sql + QStringLiteral("\n=> ") + out);
    FUZZ_CHECK(literalsOf(out, outTokens) == literalsOf(sql, tokens), sql + QStringLiteral("\n=> ") + out);
    const int removed =
        countWord(sql, tokens, QLatin1String("TOP")) - countWord(out, outTokens, QLatin1String("TOP"));
    const int added =
        countWord(out, outTokens, QLatin1String("LIMIT")) - countWord(sql, tokens, QLatin1String("LIMIT"));
    FUZZ_CHECK(removed > 0 && removed == added, sql + QStringLiteral("\n=> ") + out);
    return 0;
}
