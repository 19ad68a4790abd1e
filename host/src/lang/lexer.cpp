#include "lang/lexer.h"

namespace host::lang {

namespace {

// ASCII classes, as the C locale has them: the language is ASCII, and these
// run for every character of every line, where the <cctype> calls cost.
bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isNameStart(char c) {
    return isLetter(c) || c == '_';
}
bool isNameChar(char c) {
    return isLetter(c) || isDigit(c) || c == '_';
}

// Characters that end a bare word among a command's arguments.
bool endsWord(char c) {
    return isSpace(c) || c == ';' || c == '"' || c == '`' || c == '(' || c == ')' || c == '{' ||
           c == '}' || c == ',';
}

bool isNumber(std::string_view word, bool& isFloat) {
    std::size_t i = 0;
    if (i < word.size() && (word[i] == '-' || word[i] == '+'))
        ++i;
    bool digits = false, dot = false, exponent = false;
    for (; i < word.size(); ++i) {
        char c = word[i];
        if (isDigit(c)) {
            digits = true;
        } else if (c == '.' && !dot && !exponent) {
            dot = true;
        } else if ((c == 'e' || c == 'E') && digits && !exponent) {
            exponent = true;
            digits = false;
            if (i + 1 < word.size() && (word[i + 1] == '-' || word[i + 1] == '+'))
                ++i;
        } else {
            return false;
        }
    }
    isFloat = dot || exponent;
    return digits;
}

}  // namespace

SourcePosition positionOf(std::string_view source, std::size_t offset) {
    SourcePosition p;
    for (std::size_t i = 0; i < offset && i < source.size(); ++i) {
        if (source[i] == '\n') {
            ++p.line;
            p.column = 1;
        } else {
            ++p.column;
        }
    }
    return p;
}

const Token& Lexer::peek(LexMode mode) {
    if (hasPeeked_ && peekFrom_ == pos_ && peekMode_ == mode)
        return peeked_;
    const std::size_t saved = pos_;
    spaceBefore_ = skipSpace();
    peeked_ = scan(mode);
    peekFrom_ = saved;
    peekEnd_ = pos_;
    peekMode_ = mode;
    hasPeeked_ = true;
    pos_ = saved;
    return peeked_;
}

Token Lexer::next(LexMode mode) {
    if (hasPeeked_ && peekFrom_ == pos_ && peekMode_ == mode) {
        hasPeeked_ = false;
        pos_ = peekEnd_;
        spaceBefore_ = peeked_.spaceBefore;
        return std::move(peeked_);
    }
    spaceBefore_ = skipSpace();
    return scan(mode);
}

bool Lexer::skipSpace() {
    const std::size_t start = pos_;
    while (pos_ < source_.size()) {
        char c = source_[pos_];
        if (isSpace(c)) {
            ++pos_;
        } else if (source_.substr(pos_, 2) == "//") {
            while (pos_ < source_.size() && source_[pos_] != '\n')
                ++pos_;
        } else if (source_.substr(pos_, 2) == "/*") {
            std::size_t close = source_.find("*/", pos_ + 2);
            pos_ = close == std::string_view::npos ? source_.size() : close + 2;
        } else {
            break;
        }
    }
    return pos_ != start;
}

Token Lexer::make(TokenKind kind, std::size_t start, std::string text) const {
    Token t;
    t.kind = kind;
    t.text = std::move(text);
    t.offset = start;
    t.spaceBefore = spaceBefore_;
    return t;
}

Token Lexer::scan(LexMode mode) {
    const std::size_t start = pos_;
    if (pos_ >= source_.size())
        return make(TokenKind::End, start, "");
    const char c = source_[pos_];
    const char after = pos_ + 1 < source_.size() ? source_[pos_ + 1] : '\0';
    switch (c) {
    case ';':
        ++pos_;
        return make(TokenKind::Semicolon, start, ";");
    case '"':
        return scanString(start);
    case '`':
        return scanBacktick(start);
    case '(':
        ++pos_;
        return make(TokenKind::LParen, start, "(");
    case ')':
        ++pos_;
        return make(TokenKind::RParen, start, ")");
    case '{':
        ++pos_;
        return make(TokenKind::LBrace, start, "{");
    case '}':
        ++pos_;
        return make(TokenKind::RBrace, start, "}");
    case ',':
        ++pos_;
        return make(TokenKind::Comma, start, ",");
    case '$':
        if (!isNameStart(after))
            return make(TokenKind::Error, start, "expected a variable name after '$'");
        ++pos_;
        return scanName(start, TokenKind::Variable);
    default:
        break;
    }
    if (mode == LexMode::Argument) {
        if (c == '-' && isNameStart(after)) {
            ++pos_;
            return scanName(start, TokenKind::Flag);
        }
        return scanWord(start, mode);
    }
    if (c == '[') {
        ++pos_;
        return make(TokenKind::LBracket, start, "[");
    }
    if (c == ']') {
        ++pos_;
        return make(TokenKind::RBracket, start, "]");
    }
    if (c == '+' || c == '-' || c == '*' || c == '/' || c == '=') {
        ++pos_;
        return make(TokenKind::Operator, start, std::string(1, c));
    }
    if (isDigit(c) || (c == '.' && isDigit(after)))
        return scanNumber(start, false);
    if (isNameStart(c))
        return scanName(start, TokenKind::Word);
    ++pos_;
    return make(TokenKind::Error, start, std::string("unexpected character '") + c + "'");
}

Token Lexer::scanString(std::size_t start) {
    std::string text;
    ++pos_;  // opening quote
    while (pos_ < source_.size()) {
        char c = source_[pos_++];
        if (c == '"')
            return make(TokenKind::String, start, std::move(text));
        if (c != '\\') {
            text += c;
            continue;
        }
        if (pos_ >= source_.size())
            break;
        char e = source_[pos_++];
        switch (e) {
        case 'n':
            text += '\n';
            break;
        case 't':
            text += '\t';
            break;
        case 'r':
            text += '\r';
            break;
        case '"':
            text += '"';
            break;
        case '\\':
            text += '\\';
            break;
        default:
            // An unknown escape keeps its backslash, so paths like "C:\data" survive.
            text += '\\';
            text += e;
            break;
        }
    }
    return make(TokenKind::Error, start, "unterminated string");
}

Token Lexer::scanBacktick(std::size_t start) {
    std::size_t close = source_.find('`', pos_ + 1);
    if (close == std::string_view::npos) {
        pos_ = source_.size();
        return make(TokenKind::Error, start, "unterminated `command`");
    }
    std::string inner(source_.substr(pos_ + 1, close - pos_ - 1));
    pos_ = close + 1;
    return make(TokenKind::Backtick, start, std::move(inner));
}

Token Lexer::scanNumber(std::size_t start, bool negative) {
    std::size_t end = pos_;
    while (end < source_.size() && (isNameChar(source_[end]) || source_[end] == '.' ||
                                    ((source_[end] == '-' || source_[end] == '+') &&
                                     (source_[end - 1] == 'e' || source_[end - 1] == 'E'))))
        ++end;
    std::string text(source_.substr(pos_, end - pos_));
    pos_ = end;
    bool isFloat = false;
    if (!isNumber(text, isFloat))
        return make(TokenKind::Error, start, "malformed number \"" + text + "\"");
    if (negative)
        text.insert(text.begin(), '-');
    return make(isFloat ? TokenKind::Float : TokenKind::Int, start, std::move(text));
}

Token Lexer::scanWord(std::size_t start, LexMode) {
    std::size_t end = pos_;
    while (end < source_.size() && !endsWord(source_[end]))
        ++end;
    std::string text(source_.substr(pos_, end - pos_));
    pos_ = end;
    bool isFloat = false;
    if (isNumber(text, isFloat))
        return make(isFloat ? TokenKind::Float : TokenKind::Int, start, std::move(text));
    return make(TokenKind::Word, start, std::move(text));
}

Token Lexer::scanName(std::size_t start, TokenKind kind) {
    std::size_t end = pos_;
    while (end < source_.size() && isNameChar(source_[end]))
        ++end;
    std::string text(source_.substr(pos_, end - pos_));
    pos_ = end;
    return make(kind, start, std::move(text));
}

}  // namespace host::lang
