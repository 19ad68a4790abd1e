#include "lang_test_support.h"

#include <memory>

#include "plugins/plugin_loader.h"

namespace langtest {

namespace {

class SessionEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        host::setQuiet(true);
        session_ = std::make_unique<host::Session>();
    }
    void TearDown() override { session_.reset(); }

private:
    std::unique_ptr<host::Session> session_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new SessionEnvironment);

}  // namespace

void LangTest::SetUp() {
    host::UndoQueue::instance().clear();
    host::resetScene();
    host::lang::resetVariables();
    host::clearMessageLog();
}

void LangTest::TearDown() {
    host::unloadAllPlugins();
    host::UndoQueue::instance().clear();
}

MStatus LangTest::run(const std::string& text, host::Value* result) {
    host::ExecOptions options;
    options.recordUndo = true;
    return host::executeCommandLanguage(text, result, options);
}

bool LangTest::logged(host::MessageKind kind, const std::string& text) const {
    for (const host::Message& m : host::messageLog())
        if (m.kind == kind && m.text == text)
            return true;
    return false;
}

std::string LangTest::lastError() const {
    const auto& log = host::messageLog();
    for (auto it = log.rbegin(); it != log.rend(); ++it)
        if (it->kind == host::MessageKind::Error)
            return it->text;
    return std::string();
}

void Probe::add(const std::string& name, std::vector<host::FlagSyntax> flags) {
    host::CommandSpec entry;
    entry.name = name;
    entry.owner = "host";
    entry.flags = std::move(flags);
    entry.run = [this](const host::Invocation& call, host::CommandContext& context) {
        calls.push_back(call);
        context.result = host::Value(static_cast<long long>(calls.size()));
        return MStatus(MStatus::kSuccess);
    };
    ASSERT_TRUE(host::CommandRegistry::instance().add(std::move(entry)));
    names_.push_back(name);
}

Probe::~Probe() {
    for (const std::string& name : names_)
        host::CommandRegistry::instance().remove(name);
}

}  // namespace langtest
