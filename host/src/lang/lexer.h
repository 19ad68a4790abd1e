#pragma once
// Splits command-language text into tokens. What a token is depends on where
// the parser stands: among a command's arguments "pCube1.f[2]" is one word and
// "-sl" a flag, inside an expression "-" is an operator.
#include <cstddef>
#include <string>
#include <string_view>

namespace host::lang {

enum class TokenKind {
    End,
    Semicolon,
    String,  // text holds the unescaped contents
    Int,
    Float,
    Word,      // a bare word (argument mode) or an identifier (expression mode)
    Flag,      // text holds the name without '-'
    Variable,  // text holds the name without '$'
    Backtick,  // text holds the command between the backticks
    LParen,
    RParen,
    LBrace,
    RBrace,
    LBracket,
    RBracket,
    Comma,
    Operator,  // + - * / =
    Error      // text holds the reason
};

enum class LexMode { Argument, Expression };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;
    std::size_t offset = 0;  // where the token starts in the source
    bool spaceBefore = false;
};

struct SourcePosition {
    int line = 1;
    int column = 1;
};

SourcePosition positionOf(std::string_view source, std::size_t offset);

class Lexer {
public:
    explicit Lexer(std::string_view source) : source_(source) {}

    Token next(LexMode mode);
    // The token next() would give, without consuming it. The parser peeks
    // before nearly every token it takes, so the peeked token is kept and
    // handed out by the next() that follows instead of being scanned twice.
    const Token& peek(LexMode mode);
    std::size_t offset() const { return pos_; }
    // True when the next character (no space between) is c.
    bool nextCharIs(char c) const { return pos_ < source_.size() && source_[pos_] == c; }

private:
    bool skipSpace();  // also skips // and /* */ comments; true when anything was skipped
    Token scan(LexMode mode);
    Token scanString(std::size_t start);
    Token scanBacktick(std::size_t start);
    Token scanNumber(std::size_t start, bool negative);
    Token scanWord(std::size_t start, LexMode mode);
    Token scanName(std::size_t start, TokenKind kind);
    Token make(TokenKind kind, std::size_t start, std::string text) const;

    std::string_view source_;
    std::size_t pos_ = 0;
    bool spaceBefore_ = false;

    // The last peek: valid while pos_ is still peekFrom_ and the mode is the same.
    Token peeked_;
    std::size_t peekFrom_ = 0;
    std::size_t peekEnd_ = 0;
    LexMode peekMode_ = LexMode::Argument;
    bool hasPeeked_ = false;
};

}  // namespace host::lang
