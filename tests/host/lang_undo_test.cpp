// The host's one undo queue: order, the redo tail, and which work records.
#include <maya/MGlobal.h>

#include "lang_test_support.h"

using host::UndoQueue;
using host::Value;
using langtest::LangTest;

namespace {

// The observable state the test commands change.
std::vector<long long> items;
std::vector<std::string> trace;

void addCommand(const char* name, host::CommandFn run, bool undoable = true) {
    host::CommandSpec entry;
    entry.name = name;
    entry.owner = "host";
    entry.undoable = undoable;
    entry.run = std::move(run);
    ASSERT_TRUE(host::CommandRegistry::instance().add(std::move(entry)));
}

// "push N": appends N; undo removes it again.
MStatus pushCommand(const host::Invocation& call, host::CommandContext& context) {
    long long n = 0;
    if (call.args.size() != 1 || !host::toInt(call.args[0], n))
        return MStatus::kInvalidParameter;
    items.push_back(n);
    context.undo.push_back(host::UndoStep{[] { items.pop_back(); }, [n] { items.push_back(n); }});
    return MStatus::kSuccess;
}

class LangUndo : public LangTest {
protected:
    void SetUp() override {
        LangTest::SetUp();
        items.clear();
        trace.clear();
        addCommand("push", pushCommand);
        addCommand("twoSteps", [](const host::Invocation&, host::CommandContext& context) {
            for (const char* step : {"a", "b"}) {
                std::string s = step;
                context.undo.push_back(host::UndoStep{[s] { trace.push_back("undo " + s); },
                                                      [s] { trace.push_back("redo " + s); }});
            }
            return MStatus(MStatus::kSuccess);
        });
        // Runs two pushes through the public API while it runs itself.
        addCommand("outer", [](const host::Invocation&, host::CommandContext&) {
            MStatus s = MGlobal::executeCommand("push 10", false, true);
            if (s)
                s = MGlobal::executeCommand("push 11", false, true);
            return s;
        });
        addCommand("pushNoUndo", pushCommand, false);
    }
    void TearDown() override {
        for (const char* name : {"push", "twoSteps", "outer", "pushNoUndo"})
            host::CommandRegistry::instance().remove(name);
        LangTest::TearDown();
    }
};

TEST_F(LangUndo, UndoAndRedoWalkTheQueueInOrder) {
    ASSERT_TRUE(run("push 1; push 2; push 3;"));
    EXPECT_EQ(UndoQueue::instance().entries().size(), 3u);
    ASSERT_TRUE(run("undo; undo;"));
    EXPECT_EQ(items, (std::vector<long long>{1}));
    ASSERT_TRUE(run("redo;"));
    EXPECT_EQ(items, (std::vector<long long>{1, 2}));
    EXPECT_TRUE(logged(host::MessageKind::Info, "Redo: push"));
    ASSERT_TRUE(run("undo; undo; undo;"));
    EXPECT_TRUE(items.empty());
    ASSERT_TRUE(run("undo;"));  // nothing left: a warning, not a failure
    EXPECT_TRUE(logged(host::MessageKind::Warning, "There are no more commands to undo."));
    ASSERT_TRUE(run("redo; redo; redo; redo;"));
    EXPECT_EQ(items, (std::vector<long long>{1, 2, 3}));
    EXPECT_TRUE(logged(host::MessageKind::Warning, "There are no more commands to redo."));
}

TEST_F(LangUndo, NewWorkAfterUndoDropsTheRedoTail) {
    ASSERT_TRUE(run("push 1; push 2; push 3; undo; undo; push 4;"));
    EXPECT_EQ(items, (std::vector<long long>{1, 4}));
    EXPECT_EQ(UndoQueue::instance().entries().size(), 2u);
    ASSERT_TRUE(run("redo;"));
    EXPECT_EQ(items, (std::vector<long long>{1, 4}));
    ASSERT_TRUE(run("undo; undo;"));
    EXPECT_TRUE(items.empty());
}

TEST_F(LangUndo, OneCommandsStepsUndoBackwardsAndRedoForwards) {
    ASSERT_TRUE(run("twoSteps; undo; redo;"));
    EXPECT_EQ(trace, (std::vector<std::string>{"undo b", "undo a", "redo a", "redo b"}));
}

TEST_F(LangUndo, NestedCommandsBelongToTheCommandThatRanThem) {
    ASSERT_TRUE(run("outer;"));
    EXPECT_EQ(items, (std::vector<long long>{10, 11}));
    ASSERT_EQ(UndoQueue::instance().entries().size(), 1u);
    EXPECT_EQ(UndoQueue::instance().entries()[0].command, "outer");
    ASSERT_TRUE(run("undo;"));
    EXPECT_TRUE(items.empty());
    ASSERT_TRUE(run("redo;"));
    EXPECT_EQ(items, (std::vector<long long>{10, 11}));
}

TEST_F(LangUndo, OnlyAskedForUndoableWorkRecords) {
    ASSERT_TRUE(MGlobal::executeCommand("push 1", false, false));
    ASSERT_TRUE(run("pushNoUndo 2;"));
    EXPECT_TRUE(UndoQueue::instance().entries().empty());
    ASSERT_TRUE(MGlobal::executeCommand("push 3", false, true));
    EXPECT_EQ(UndoQueue::instance().entries().size(), 1u);
    EXPECT_FALSE(run("push abc;"));  // failed, changed nothing, recorded nothing
    EXPECT_EQ(UndoQueue::instance().entries().size(), 1u);
}

TEST_F(LangUndo, ACallerCanCollectTheStepsInstead) {
    std::vector<host::UndoStep> steps;
    host::ExecOptions options;
    options.collect = &steps;
    ASSERT_TRUE(host::executeCommandLanguage("push 5; push 6;", nullptr, options));
    EXPECT_TRUE(UndoQueue::instance().entries().empty());
    ASSERT_EQ(steps.size(), 2u);
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        it->undo();
    EXPECT_TRUE(items.empty());
}

}  // namespace
