#include "lang/parser.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <stdexcept>

#include "lang/lexer.h"

namespace host::lang {

namespace {

// Deeper nesting than any script needs; beyond it a hostile text could
// exhaust the stack.
constexpr int kMaxNesting = 200;

bool isDeclarationStart(const std::string& word) {
    return word == "global" || word == "string" || word == "int" || word == "float";
}

// from_chars reads a number several times quicker than the C library, and a
// run's lines are mostly numbers. What it refuses (a value out of range) keeps
// the C library's reading, so every text reads as it always did.
Value numberValue(const Token& t) {
    const char* first = t.text.data();
    const char* last = first + t.text.size();
    if (first != last && *first == '+')
        ++first;  // the lexer allows it, from_chars does not
    if (t.kind == TokenKind::Int) {
        long long i = 0;
        auto [end, error] = std::from_chars(first, last, i);
        if (error == std::errc() && end == last)
            return Value(i);
        return Value(std::strtoll(t.text.c_str(), nullptr, 10));
    }
    double d = 0;
    auto [end, error] = std::from_chars(first, last, d);
    if (error == std::errc() && end == last)
        return Value(d);
    return Value(std::strtod(t.text.c_str(), nullptr));
}

struct SyntaxError {
    std::size_t offset;
    std::string reason;
};

class Parser {
public:
    Parser(std::string_view source, std::size_t base)
        : source_(source), lexer_(source), base_(base) {}

    std::vector<StatementPtr> program() {
        std::vector<StatementPtr> out;
        while (lexer_.peek(LexMode::Expression).kind != TokenKind::End)
            out.push_back(statement());
        return out;
    }

private:
    [[noreturn]] void fail(std::size_t offset, std::string reason) const {
        throw SyntaxError{base_ + offset, std::move(reason)};
    }

    Token take(LexMode mode) {
        Token t = lexer_.next(mode);
        if (t.kind == TokenKind::Error)
            fail(t.offset, t.text);
        return t;
    }

    Token expect(TokenKind kind, LexMode mode, const char* what) {
        Token t = take(mode);
        if (t.kind != kind)
            fail(t.offset, std::string("expected ") + what + describe(t));
        return t;
    }

    static std::string describe(const Token& t) {
        if (t.kind == TokenKind::End)
            return " before the end of the text";
        return " before \"" + t.text + "\"";
    }

    // A statement ends at ";" or at the end of the text.
    void endStatement(Statement& s) {
        Token t = take(LexMode::Expression);
        if (t.kind != TokenKind::Semicolon && t.kind != TokenKind::End)
            fail(t.offset, "expected \";\"" + describe(t));
        std::size_t end = t.kind == TokenKind::End ? source_.size() : t.offset;
        s.text = std::string(source_.substr(s.offset, end - s.offset));
        while (!s.text.empty() && std::isspace(static_cast<unsigned char>(s.text.back())))
            s.text.pop_back();
    }

    StatementPtr statement() {
        auto s = std::make_unique<Statement>();
        // A reference to the lexer's peeked token: read only before anything is taken.
        const Token& first = lexer_.peek(LexMode::Expression);
        s->offset = first.offset;
        if (first.kind == TokenKind::Semicolon) {
            take(LexMode::Expression);
            return s;
        }
        if (first.kind == TokenKind::Variable) {
            assignment(*s);
        } else if (first.kind == TokenKind::Word && isDeclarationStart(first.text)) {
            declaration(*s);
        } else if (first.kind == TokenKind::Word) {
            command(*s);
        } else if (first.kind == TokenKind::Error) {
            fail(first.offset, first.text);
        } else {
            fail(first.offset, "expected a command, declaration or assignment" + describe(first));
        }
        endStatement(*s);
        return s;
    }

    void declaration(Statement& s) {
        s.kind = Statement::Kind::Declare;
        Token t = take(LexMode::Expression);
        if (t.text == "global") {
            s.global = true;
            t = take(LexMode::Expression);
        }
        if (t.kind != TokenKind::Word ||
            (t.text != "string" && t.text != "int" && t.text != "float"))
            fail(t.offset, "expected a type (string, int or float)" + describe(t));
        s.type = t.text == "string" ? VarType::String
                 : t.text == "int"  ? VarType::Int
                                    : VarType::Float;
        s.variable = expect(TokenKind::Variable, LexMode::Expression, "a variable name").text;
        if (lexer_.peek(LexMode::Expression).kind == TokenKind::LBracket) {
            take(LexMode::Expression);
            expect(TokenKind::RBracket, LexMode::Expression, "\"]\"");
            s.isArray = true;
        }
        Token eq = lexer_.peek(LexMode::Expression);
        if (eq.kind == TokenKind::Operator && eq.text == "=") {
            take(LexMode::Expression);
            s.value = expression();
        }
    }

    void assignment(Statement& s) {
        s.kind = Statement::Kind::Assign;
        s.variable = take(LexMode::Expression).text;
        if (lexer_.peek(LexMode::Expression).kind == TokenKind::LBracket) {
            take(LexMode::Expression);
            s.index = expression();
            expect(TokenKind::RBracket, LexMode::Expression, "\"]\"");
        }
        Token eq = take(LexMode::Expression);
        if (eq.kind != TokenKind::Operator || eq.text != "=")
            fail(eq.offset, "expected \"=\"" + describe(eq));
        s.value = expression();
    }

    void command(Statement& s) {
        s.kind = Statement::Kind::Command;
        s.command = take(LexMode::Expression).text;
        for (;;) {
            const TokenKind kind = lexer_.peek(LexMode::Argument).kind;
            if (kind == TokenKind::Semicolon || kind == TokenKind::End)
                return;
            if (kind == TokenKind::Flag) {
                Word w;
                w.isFlag = true;
                w.flag = take(LexMode::Argument).text;
                s.words.push_back(std::move(w));
                continue;
            }
            Word w;
            w.value = argument();
            s.words.push_back(std::move(w));
        }
    }

    ExprPtr literal(Value v, std::size_t offset) {
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Kind::Literal;
        e->literal = std::move(v);
        e->offset = offset;
        return e;
    }

    ExprPtr argument() {
        Token t = take(LexMode::Argument);
        switch (t.kind) {
        case TokenKind::String:
        case TokenKind::Word:
            return literal(Value(t.text), t.offset);
        case TokenKind::Int:
        case TokenKind::Float:
            return literal(numberValue(t), t.offset);
        default:
            return shared(t);
        }
    }

    // What may stand both among arguments and in an expression.
    ExprPtr shared(const Token& t) {
        switch (t.kind) {
        case TokenKind::Variable:
            return variable(t);
        case TokenKind::Backtick:
            return backtick(t);
        case TokenKind::LParen: {
            ExprPtr inner = expression();
            expect(TokenKind::RParen, LexMode::Expression, "\")\"");
            return inner;
        }
        case TokenKind::LBrace:
            return list(t);
        default:
            fail(t.offset, t.kind == TokenKind::End ? std::string("unexpected end of the text")
                                                    : "unexpected \"" + t.text + "\"");
        }
    }

    ExprPtr variable(const Token& t) {
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Kind::Variable;
        e->name = t.text;
        e->offset = t.offset;
        if (lexer_.nextCharIs('[')) {
            take(LexMode::Expression);
            e->items.push_back(expression());
            expect(TokenKind::RBracket, LexMode::Expression, "\"]\"");
        }
        return e;
    }

    ExprPtr backtick(const Token& t) {
        Parser inner(t.text, base_ + t.offset + 1);
        std::vector<StatementPtr> statements = inner.program();
        if (statements.size() != 1 || statements[0]->kind != Statement::Kind::Command)
            fail(t.offset, "expected one command between backticks");
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Kind::Command;
        e->command = std::move(statements[0]);
        e->offset = t.offset;
        return e;
    }

    ExprPtr list(const Token& open) {
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Kind::List;
        e->offset = open.offset;
        if (lexer_.peek(LexMode::Expression).kind == TokenKind::RBrace) {
            take(LexMode::Expression);
            return e;
        }
        for (;;) {
            e->items.push_back(expression());
            Token t = take(LexMode::Expression);
            if (t.kind == TokenKind::RBrace)
                return e;
            if (t.kind != TokenKind::Comma)
                fail(t.offset, "expected \",\" or \"}\"" + describe(t));
        }
    }

    ExprPtr binary(std::string op, ExprPtr left, ExprPtr right, std::size_t offset) {
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Kind::Binary;
        e->name = std::move(op);
        e->offset = offset;
        e->items.push_back(std::move(left));
        e->items.push_back(std::move(right));
        return e;
    }

    bool peekOperator(const char* a, const char* b, Token& out) {
        out = lexer_.peek(LexMode::Expression);
        return out.kind == TokenKind::Operator && (out.text == a || out.text == b);
    }

    ExprPtr expression() {
        const std::size_t at = lexer_.peek(LexMode::Expression).offset;
        if (++nesting_ > kMaxNesting)
            fail(at, "expression nested too deeply");
        ExprPtr left = term();
        Token op;
        while (peekOperator("+", "-", op)) {
            take(LexMode::Expression);
            left = binary(op.text, std::move(left), term(), op.offset);
        }
        --nesting_;
        return left;
    }

    ExprPtr term() {
        ExprPtr left = unary();
        Token op;
        while (peekOperator("*", "/", op)) {
            take(LexMode::Expression);
            left = binary(op.text, std::move(left), unary(), op.offset);
        }
        return left;
    }

    ExprPtr unary() {
        Token op;
        if (peekOperator("-", "-", op)) {
            if (++nesting_ > kMaxNesting)
                fail(op.offset, "expression nested too deeply");
            take(LexMode::Expression);
            auto e = std::make_unique<Expr>();
            e->kind = Expr::Kind::Negate;
            e->offset = op.offset;
            e->items.push_back(unary());
            --nesting_;
            return e;
        }
        return primary();
    }

    ExprPtr primary() {
        Token t = take(LexMode::Expression);
        switch (t.kind) {
        case TokenKind::String:
            return literal(Value(t.text), t.offset);
        case TokenKind::Int:
        case TokenKind::Float:
            return literal(numberValue(t), t.offset);
        case TokenKind::Word:
            if (t.text == "true" || t.text == "on" || t.text == "yes")
                return literal(Value(1), t.offset);
            if (t.text == "false" || t.text == "off" || t.text == "no")
                return literal(Value(0), t.offset);
            fail(t.offset, "unexpected word \"" + t.text + "\" in an expression");
        default:
            return shared(t);
        }
    }

    std::string_view source_;
    Lexer lexer_;
    std::size_t base_;
    int nesting_ = 0;
};

}  // namespace

ParseResult parse(std::string_view source) {
    ParseResult result;
    try {
        Parser parser(source, 0);
        result.statements = parser.program();
    } catch (const SyntaxError& e) {
        SourcePosition p = positionOf(source, e.offset);
        result.ok = false;
        result.statements.clear();
        result.error = "line " + std::to_string(p.line) + ", column " + std::to_string(p.column) +
                       ": " + e.reason;
    }
    return result;
}

bool readPlainCommand(std::string_view source, std::string& command,
                      std::vector<CommandWord>& words) {
    Lexer lexer(source);
    Token name = lexer.next(LexMode::Expression);
    if (name.kind != TokenKind::Word || isDeclarationStart(name.text))
        return false;
    command = std::move(name.text);
    words.clear();
    for (;;) {
        Token t = lexer.next(LexMode::Argument);
        switch (t.kind) {
        case TokenKind::End:
            return true;
        case TokenKind::Semicolon:
            return lexer.next(LexMode::Expression).kind == TokenKind::End;
        case TokenKind::Flag:
            words.push_back(CommandWord{true, std::move(t.text), Value()});
            break;
        case TokenKind::String:
        case TokenKind::Word:
            words.push_back(CommandWord{false, std::string(), Value(std::move(t.text))});
            break;
        case TokenKind::Int:
        case TokenKind::Float:
            words.push_back(CommandWord{false, std::string(), numberValue(t)});
            break;
        default:
            return false;
        }
    }
}

bool isCompleteInput(std::string_view source) {
    Lexer lexer(source);
    int depth = 0;
    TokenKind last = TokenKind::End;
    for (;;) {
        Token t = lexer.next(LexMode::Argument);
        if (t.kind == TokenKind::End)
            break;
        if (t.kind == TokenKind::Error)
            return t.text.rfind("unterminated", 0) != 0;
        if (t.kind == TokenKind::LParen || t.kind == TokenKind::LBrace)
            ++depth;
        if (t.kind == TokenKind::RParen || t.kind == TokenKind::RBrace)
            --depth;
        last = t.kind;
    }
    return depth <= 0 && (last == TokenKind::Semicolon || last == TokenKind::End);
}

}  // namespace host::lang
