#pragma once

#include <QLatin1String>
#include <QString>
#include <utility>
#include <vector>

// A small T-SQL tokenizer: enough to find statement boundaries, parentheses and keywords
// without being fooled by strings, quoted names or comments.
namespace db::lex
{

enum class Kind { Word, Number, String, Quoted, Punct };

struct Token {
    Kind kind;
    int pos;
    int len;
    int end() const { return pos + len; }
};

// Tokens in order; blanks and comments are skipped.
std::vector<Token> tokenize(const QString& text);

// True when the token is the given keyword (ASCII, without regard to case).
bool isWord(const QString& text, const Token& token, QLatin1String word);
// True when the token is the single character c.
bool isPunct(const QString& text, const Token& token, QChar c);
// False for a string or quoted name whose closing quote is missing (it runs to the end of
// the text); true for every other token.
bool isClosedQuote(const QString& text, const Token& token);
// True when the token can name an object: a word or a quoted name.
bool isName(const Token& token);
// The name a word or quoted name stands for ([a]]b] gives a]b).
QString name(const QString& text, const Token& token);

// The statements of a T-SQL batch, which SQL Server lets follow each other without
// semicolons: a new statement begins at a statement keyword at the top level that cannot
// continue the statement before it (INSERT ... SELECT, CREATE VIEW ... AS SELECT, UNION
// SELECT, ON DELETE, the statement after a WITH list continue it). Returns the index into
// tokens of each statement's first token; semicolons stay inside the statements. A CREATE
// PROCEDURE, FUNCTION or TRIGGER runs to the end of the batch, as on the server.
std::vector<size_t> statementStarts(const QString& text, const std::vector<Token>& tokens);

// Each statement of a batch on its own, for engines that take one statement per call: the
// statements above, further split at semicolons outside parentheses (not inside a body that
// runs to the end of the batch). Ranges [first, second) of text, without the semicolons.
std::vector<std::pair<int, int>> statementRanges(const QString& text);

} // namespace db::lex
