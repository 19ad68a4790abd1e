#include "lang/interpreter.h"

#include <cmath>
#include <map>

#include "core/messages.h"
#include "lang/parser.h"

namespace host::lang {

namespace {

std::map<std::string, Variable>& variables() {
    static std::map<std::string, Variable> vars;
    return vars;
}

const char* typeName(VarType type, bool isArray) {
    switch (type) {
    case VarType::Int:
        return isArray ? "int[]" : "int";
    case VarType::Float:
        return isArray ? "float[]" : "float";
    case VarType::String:
        return isArray ? "string[]" : "string";
    }
    return "";
}

MStatus fail(const std::string& text, MStatus::MStatusCode code = MStatus::kFailure) {
    postMessage(MessageKind::Error, text);
    return code;
}

Value defaultValue(VarType type) {
    switch (type) {
    case VarType::Int:
        return Value(0);
    case VarType::Float:
        return Value(0.0);
    case VarType::String:
        return Value(std::string());
    }
    return Value();
}

bool convertScalar(const Value& in, VarType type, Value& out) {
    switch (type) {
    case VarType::Int: {
        long long i = 0;
        double d = 0;
        if (toInt(in, i)) {
            out = Value(i);
            return true;
        }
        // Like the language's own int conversion: a fraction is cut off.
        if (toDouble(in, d) && std::fabs(d) < 9.0e18) {
            out = Value(static_cast<long long>(d));
            return true;
        }
        return false;
    }
    case VarType::Float: {
        double d = 0;
        if (!toDouble(in, d))
            return false;
        out = Value(d);
        return true;
    }
    case VarType::String: {
        std::string s;
        if (!toText(in, s))
            return false;
        out = Value(s);
        return true;
    }
    }
    return false;
}

MStatus convert(const Value& in, const std::string& name, VarType type, bool isArray, Value& out) {
    const std::string target = typeName(type, isArray);
    // A command without a result reads as the type's empty value.
    if (in.isNone()) {
        out = isArray ? Value(Value::List{}) : defaultValue(type);
        return MStatus::kSuccess;
    }
    if (!isArray) {
        if (!in.isList() && convertScalar(in, type, out))
            return MStatus::kSuccess;
        return fail("Cannot convert \"" + displayText(in) + "\" to " + target + " for $" + name +
                    ".");
    }
    if (!in.isList())
        return fail("Cannot assign a single value to the array $" + name + ".");
    Value::List items;
    for (const Value& item : std::get<Value::List>(in.data)) {
        Value v;
        if (item.isList() || !convertScalar(item, type, v))
            return fail("Cannot convert \"" + displayText(item) + "\" to " + target + " for $" +
                        name + ".");
        items.push_back(std::move(v));
    }
    out = Value(std::move(items));
    return MStatus::kSuccess;
}

// The type a variable gets when its first assignment declares it.
void inferType(const Value& v, VarType& type, bool& isArray) {
    isArray = v.isList();
    const Value* sample = &v;
    if (isArray) {
        const auto& items = std::get<Value::List>(v.data);
        if (items.empty()) {
            type = VarType::String;
            return;
        }
        sample = &items.front();
    }
    type = sample->isInt() || sample->isBool() ? VarType::Int
           : sample->isDouble()                ? VarType::Float
                                               : VarType::String;
}

MStatus evaluate(const Expr& e, Value& out, const ExecOptions& options);

MStatus readIndex(const Expr& e, long long& index, const ExecOptions& options) {
    Value v;
    MStatus s = evaluate(e, v, options);
    if (!s)
        return s;
    if (!toInt(v, index) || index < 0)
        return fail("Invalid array index \"" + displayText(v) + "\".");
    return MStatus::kSuccess;
}

MStatus evaluateVariable(const Expr& e, Value& out, const ExecOptions& options) {
    const Variable* var = findVariable(e.name);
    if (!var)
        return fail("\"$" + e.name + "\" is an undeclared variable.");
    if (e.items.empty()) {
        out = var->value;
        return MStatus::kSuccess;
    }
    if (!var->isArray)
        return fail("\"$" + e.name + "\" is not an array.");
    long long index = 0;
    MStatus s = readIndex(*e.items[0], index, options);
    if (!s)
        return s;
    const auto& items = std::get<Value::List>(var->value.data);
    // Reading past the end gives the element type's empty value, as the language does.
    out = static_cast<std::size_t>(index) < items.size() ? items[index] : defaultValue(var->type);
    return MStatus::kSuccess;
}

MStatus arithmetic(const std::string& op, const Value& a, const Value& b, Value& out) {
    if (op == "+" && (a.isString() || b.isString())) {
        out = Value(displayText(a) + displayText(b));
        return MStatus::kSuccess;
    }
    long long ia = 0, ib = 0;
    if (toInt(a, ia) && toInt(b, ib) && !a.isDouble() && !b.isDouble()) {
        if (op == "/" && ib == 0)
            return fail("Division by zero.");
        out = Value(op == "+" ? ia + ib : op == "-" ? ia - ib : op == "*" ? ia * ib : ia / ib);
        return MStatus::kSuccess;
    }
    double da = 0, db = 0;
    if (!toDouble(a, da) || !toDouble(b, db))
        return fail("Cannot apply \"" + op + "\" to \"" + displayText(a) + "\" and \"" +
                    displayText(b) + "\".");
    if (op == "/" && db == 0.0)
        return fail("Division by zero.");
    out = Value(op == "+" ? da + db : op == "-" ? da - db : op == "*" ? da * db : da / db);
    return MStatus::kSuccess;
}

MStatus evaluateList(const Expr& e, Value& out, const ExecOptions& options) {
    Value::List items;
    for (const ExprPtr& item : e.items) {
        Value v;
        MStatus s = evaluate(*item, v, options);
        if (!s)
            return s;
        items.push_back(std::move(v));
    }
    out = Value(std::move(items));
    return MStatus::kSuccess;
}

MStatus evaluate(const Expr& e, Value& out, const ExecOptions& options) {
    switch (e.kind) {
    case Expr::Kind::Literal:
        out = e.literal;
        return MStatus::kSuccess;
    case Expr::Kind::Variable:
        return evaluateVariable(e, out, options);
    case Expr::Kind::Command:
        return runStatement(*e.command, &out, options);
    case Expr::Kind::List:
        return evaluateList(e, out, options);
    case Expr::Kind::Negate: {
        Value v;
        MStatus s = evaluate(*e.items[0], v, options);
        if (!s)
            return s;
        return arithmetic("-", Value(0), v, out);
    }
    case Expr::Kind::Binary: {
        Value a, b;
        MStatus s = evaluate(*e.items[0], a, options);
        if (s)
            s = evaluate(*e.items[1], b, options);
        if (!s)
            return s;
        return arithmetic(e.name, a, b, out);
    }
    }
    return MStatus::kFailure;
}

// How many values after a flag belong to it.
std::size_t flagArity(const CommandSpec& entry, const std::string& flag, bool query,
                      std::size_t available) {
    if (entry.flags.empty())
        return available > 0 ? 1 : 0;
    const FlagSyntax* fs = findFlagSyntax(entry.flags, flag);
    if (!fs || (query && flag != "q" && flag != "query"))
        return 0;
    return std::min(fs->args.size(), available);
}

bool hasQueryFlag(const std::vector<CommandWord>& words) {
    for (const CommandWord& w : words)
        if (w.isFlag && (w.flag == "q" || w.flag == "query"))
            return true;
    return false;
}

void appendPositional(Invocation& call, Value v) {
    // An array among a command's arguments stands for its elements.
    if (v.isList()) {
        for (Value& item : std::get<Value::List>(v.data))
            call.args.push_back(std::move(item));
    } else {
        call.args.push_back(std::move(v));
    }
}

// Gives each flag the values that belong to it; the rest are the command's own.
MStatus buildInvocation(const CommandSpec& entry, std::vector<CommandWord>& words,
                        Invocation& call) {
    const bool query = hasQueryFlag(words);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (!words[i].isFlag) {
            appendPositional(call, std::move(words[i].value));
            continue;
        }
        std::size_t available = 0;
        while (i + 1 + available < words.size() && !words[i + 1 + available].isFlag)
            ++available;
        if (!entry.flags.empty() && !findFlagSyntax(entry.flags, words[i].flag))
            return fail(call.command + ": invalid flag -" + words[i].flag,
                        MStatus::kInvalidParameter);
        Flag flag;
        flag.name = std::move(words[i].flag);
        for (std::size_t n = flagArity(entry, flag.name, query, available); n > 0; --n)
            flag.args.push_back(std::move(words[++i].value));
        call.flags.push_back(std::move(flag));
    }
    return MStatus::kSuccess;
}

MStatus notFound(const std::string& command) {
    return fail("Cannot find procedure \"" + command + "\".", MStatus::kNotFound);
}

MStatus runCommand(const Statement& s, Value* result, const ExecOptions& options) {
    // Checked before any argument runs, so a mistyped name changes nothing.
    if (!CommandRegistry::instance().find(s.command))
        return notFound(s.command);
    std::vector<CommandWord> words(s.words.size());
    for (std::size_t i = 0; i < s.words.size(); ++i) {
        words[i].isFlag = s.words[i].isFlag;
        if (words[i].isFlag) {
            words[i].flag = s.words[i].flag;
            continue;
        }
        MStatus st = evaluate(*s.words[i].value, words[i].value, options);
        if (!st)
            return st;
    }
    return runCommandWords(s.command, words, result, options);
}

MStatus declare(const Statement& s, Value* result, const ExecOptions& options) {
    Value initial;
    if (s.value) {
        MStatus st = evaluate(*s.value, initial, options);
        if (!st)
            return st;
        st = convert(initial, s.variable, s.type, s.isArray, initial);
        if (!st)
            return st;
    }
    auto& vars = variables();
    auto found = vars.find(s.variable);
    if (found != vars.end() && (found->second.type != s.type || found->second.isArray != s.isArray))
        return fail("Invalid redeclaration of variable \"$" + s.variable +
                    "\" as a different type.");
    if (found == vars.end()) {
        Variable v{s.type, s.isArray, s.isArray ? Value(Value::List{}) : defaultValue(s.type)};
        found = vars.emplace(s.variable, std::move(v)).first;
    }
    if (s.value) {
        found->second.value = initial;
        if (result)
            *result = initial;
    }
    return MStatus::kSuccess;
}

MStatus assignElement(const Statement& s, Variable& var, const Value& value,
                      const ExecOptions& options) {
    if (!var.isArray)
        return fail("\"$" + s.variable + "\" is not an array.");
    long long index = 0;
    MStatus st = readIndex(*s.index, index, options);
    if (!st)
        return st;
    Value element;
    st = convert(value, s.variable, var.type, false, element);
    if (!st)
        return st;
    auto& items = std::get<Value::List>(var.value.data);
    if (static_cast<std::size_t>(index) >= items.size())
        items.resize(index + 1, defaultValue(var.type));
    items[index] = element;
    return MStatus::kSuccess;
}

MStatus assign(const Statement& s, Value* result, const ExecOptions& options) {
    Value value;
    MStatus st = evaluate(*s.value, value, options);
    if (!st)
        return st;
    auto& vars = variables();
    auto found = vars.find(s.variable);
    if (found == vars.end()) {
        if (s.index)
            return fail("\"$" + s.variable + "\" is an undeclared variable.");
        Variable v;
        inferType(value, v.type, v.isArray);
        found = vars.emplace(s.variable, std::move(v)).first;
    }
    Variable& var = found->second;
    if (s.index) {
        st = assignElement(s, var, value, options);
    } else {
        Value converted;
        st = convert(value, s.variable, var.type, var.isArray, converted);
        if (st)
            var.value = std::move(converted);
    }
    if (st && result)
        *result = value;
    return st;
}

}  // namespace

// Word lists kept from line to line: a run sends hundreds of thousands of
// lines, and a fresh list of that size costs an allocation (and glibc a
// consolidation of its free lists) per line. A nested line borrows another.
// A plug-in unloaded by an exit handler still runs commands after the
// thread's own objects are gone: from then on lines use lists of their own.
thread_local bool spareListsGone = false;  // trivially destroyed: outlives the lists

struct SpareLists {
    std::vector<std::vector<CommandWord>> lists;
    ~SpareLists() { spareListsGone = true; }
};

static std::vector<std::vector<CommandWord>>* spareWordLists() {
    if (spareListsGone)
        return nullptr;
    thread_local SpareLists spare;
    return &spare.lists;
}

BorrowedWords::BorrowedWords() {
    auto* spare = spareWordLists();
    if (!spare || spare->empty())
        return;
    words = std::move(spare->back());
    spare->pop_back();
}

BorrowedWords::~BorrowedWords() {
    words.clear();
    if (auto* spare = spareWordLists())
        spare->push_back(std::move(words));
}

void resetVariables() {
    variables().clear();
    variables()["gMainWindow"] = Variable{VarType::String, false, Value("MayaWindow")};
}

const Variable* findVariable(const std::string& name) {
    auto found = variables().find(name);
    return found == variables().end() ? nullptr : &found->second;
}

MStatus runCommandWords(const std::string& command, std::vector<CommandWord>& words, Value* result,
                        const ExecOptions& options) {
    // Looked up again: an argument's `command` may have unregistered it.
    const CommandSpec* entry = CommandRegistry::instance().find(command);
    if (!entry)
        return notFound(command);
    Invocation call;
    call.command = command;
    call.args.reserve(words.size());
    MStatus st = buildInvocation(*entry, words, call);
    if (!st)
        return st;
    return invoke(call, result, options);
}

MStatus runStatement(const Statement& statement, Value* result, const ExecOptions& options) {
    if (result)
        *result = Value();
    switch (statement.kind) {
    case Statement::Kind::Empty:
        return MStatus::kSuccess;
    case Statement::Kind::Command:
        return runCommand(statement, result, options);
    case Statement::Kind::Declare:
        return declare(statement, result, options);
    case Statement::Kind::Assign:
        return assign(statement, result, options);
    }
    return MStatus::kFailure;
}

}  // namespace host::lang

namespace host {

MStatus executeCommandLanguage(std::string_view text, Value* result, const ExecOptions& options) {
    if (result)
        *result = Value();
    // Most lines a plug-in sends are one plain command: they skip the syntax tree.
    {
        std::string command;
        lang::BorrowedWords borrowed;
        if (lang::readPlainCommand(text, command, borrowed.words)) {
            if (options.echo)
                postMessage(MessageKind::Result, std::string(text));
            return lang::runCommandWords(command, borrowed.words, result, options);
        }
    }
    lang::ParseResult parsed = lang::parse(text);
    if (!parsed.ok) {
        postMessage(MessageKind::Error, "Syntax error at " + parsed.error);
        return MStatus::kFailure;
    }
    if (options.echo)
        postMessage(MessageKind::Result, std::string(text));
    for (const lang::StatementPtr& statement : parsed.statements) {
        MStatus status = lang::runStatement(*statement, result, options);
        if (!status)
            return status;
    }
    return MStatus::kSuccess;
}

}  // namespace host
