// The execution state asked of Windows while a terminal is written: the calls
// in order, and the thread's state as Windows reports it back. Whether the
// computer then really stays awake cannot be seen here (nor under Wine).
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "platform/windows/ExecutionStateSleepInhibitor.h"

namespace tvx {
namespace {

std::vector<unsigned long> gCalls;
unsigned long gAnswer = 0;

unsigned long RecordCall(unsigned long state)
{
    gCalls.push_back(state);
    return gAnswer;
}

class ExecutionStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gCalls.clear();
        gAnswer = ES_CONTINUOUS;
    }
};

TEST_F(ExecutionStateTest, HeldOnceWhileWrittenAndClearedAfter)
{
    {
        ExecutionStateSleepInhibitor lock(RecordCall);
        EXPECT_TRUE(lock.Hold("writing a terminal"));
        EXPECT_TRUE(lock.Hold("writing a terminal"));
        lock.Release();
        lock.Release();
        EXPECT_TRUE(lock.Hold("writing another"));
    } // still held when it goes
    const std::vector<unsigned long> expected = {ES_CONTINUOUS | ES_SYSTEM_REQUIRED, ES_CONTINUOUS,
                                                 ES_CONTINUOUS | ES_SYSTEM_REQUIRED, ES_CONTINUOUS};
    EXPECT_EQ(gCalls, expected);
}

TEST_F(ExecutionStateTest, AStateWindowsRefusedIsNotClearedLater)
{
    gAnswer = 0;
    ExecutionStateSleepInhibitor lock(RecordCall);
    EXPECT_FALSE(lock.Hold("writing a terminal"));
    lock.Release();
    EXPECT_EQ(gCalls, std::vector<unsigned long>{ES_CONTINUOUS | ES_SYSTEM_REQUIRED});
}

TEST_F(ExecutionStateTest, TheThreadsStateIsTheOneAskedFor)
{
    // A call gives back the state before it, so each probe puts back what it read.
    const auto current = [] {
        const EXECUTION_STATE state = SetThreadExecutionState(ES_CONTINUOUS);
        SetThreadExecutionState(state);
        return state;
    };
    ExecutionStateSleepInhibitor lock;
    ASSERT_TRUE(lock.Hold("writing a terminal"));
    EXPECT_EQ(current(), static_cast<EXECUTION_STATE>(ES_CONTINUOUS | ES_SYSTEM_REQUIRED));
    lock.Release();
    EXPECT_EQ(current(), static_cast<EXECUTION_STATE>(ES_CONTINUOUS));
}

} // namespace
} // namespace tvx
