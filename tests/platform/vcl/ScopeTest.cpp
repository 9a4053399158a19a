#include "platform/vcl/Scope.h"

#include "platform/vcl/Classes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

using namespace vcl;

namespace {

struct BodyError : std::runtime_error {
    BodyError() : std::runtime_error("body") {}
};
struct StepError : std::runtime_error {
    StepError() : std::runtime_error("step") {}
};

// The shape the helpers replace, written out: the reference every case below is compared with.
std::string CatchAndRethrow(bool bodyThrows, bool stepThrows, std::string& log) {
    auto body = [&] {
        log += "body;";
        if (bodyThrows)
            throw BodyError();
    };
    auto step = [&] {
        log += "step;";
        if (stepThrows)
            throw StepError();
    };
    try {
        try {
            body();
        } catch (...) {
            step();
            throw;
        }
        step();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "none";
}

std::string WithTryFinally(bool bodyThrows, bool stepThrows, std::string& log) {
    try {
        TryFinally(
            [&] {
                log += "body;";
                if (bodyThrows)
                    throw BodyError();
            },
            [&] {
                log += "step;";
                if (stepThrows)
                    throw StepError();
            });
    } catch (const std::exception& e) {
        return e.what();
    }
    return "none";
}

// A list whose EndUpdate may raise, as a TStrings' change handler may.
struct UpdateCounter {
    int Level = 0;
    int Ends = 0;
    bool EndThrows = false;
    void BeginUpdate() { ++Level; }
    void EndUpdate() {
        --Level;
        ++Ends;
        if (EndThrows)
            throw StepError();
    }
};

} // namespace

TEST(TryFinally, KeepsTheOrderAndTheExceptionOfCatchAndRethrow) {
    // The closing step's own exception wins over the body's, as it does when a catch block throws.
    for (bool bodyThrows : {false, true})
        for (bool stepThrows : {false, true}) {
            std::string expectedLog, log;
            const std::string expected = CatchAndRethrow(bodyThrows, stepThrows, expectedLog);
            EXPECT_EQ(WithTryFinally(bodyThrows, stepThrows, log), expected) << bodyThrows << stepThrows;
            EXPECT_EQ(log, expectedLog);
        }
}

TEST(TryFinally, ReturnsWhatTheBodyReturnsAfterTheStep) {
    int closed = 0;
    std::string text = TryFinally([&] { return std::string(closed ? "late" : "early"); }, [&] { ++closed; });
    EXPECT_EQ(text, "early");
    EXPECT_EQ(closed, 1);
    int value = 7;
    int& ref = TryFinally([&]() -> int& { return value; }, [] {});
    EXPECT_EQ(&ref, &value);
}

TEST(ScopeExit, RunsOnceOnReturnAndOnException) {
    int runs = 0;
    {
        ScopeExit restore([&]() noexcept { ++runs; });
    }
    EXPECT_EQ(runs, 1);
    EXPECT_THROW(
        {
            ScopeExit restore([&]() noexcept { ++runs; });
            throw BodyError();
        },
        BodyError);
    EXPECT_EQ(runs, 2);
    {
        ScopeExit restore([&]() noexcept { ++runs; });
        restore.Dismiss();
    }
    EXPECT_EQ(runs, 2);
    // Only steps that cannot throw are taken.
    auto throwing = [] {};
    static_assert(!std::is_nothrow_invocable_v<decltype(throwing)&>);
}

TEST(WithUpdate, EndsTheUpdateHoweverTheBodyEnds) {
    struct Case {
        bool BodyThrows, EndThrows;
        const char* Expected;
    } cases[] = {{false, false, "none"}, {true, false, "body"}, {false, true, "step"}, {true, true, "step"}};
    for (const Case& c : cases) {
        UpdateCounter target;
        target.EndThrows = c.EndThrows;
        std::string what = "none";
        try {
            WithUpdate(&target, [&] {
                EXPECT_EQ(target.Level, 1);
                if (c.BodyThrows)
                    throw BodyError();
            });
        } catch (const std::exception& e) {
            what = e.what();
        }
        EXPECT_EQ(what, c.Expected) << c.BodyThrows << c.EndThrows;
        EXPECT_EQ(target.Level, 0);
        EXPECT_EQ(target.Ends, 1);
    }
}

TEST(WithUpdate, AStringListNotifiesOnceAtTheEnd) {
    TStringList list;
    int changes = 0;
    list.SetOnChange([&](TObject*) { ++changes; });
    WithUpdate(&list, [&] {
        list.Add("a");
        list.Add("b");
        EXPECT_EQ(changes, 0);
    });
    EXPECT_EQ(changes, 1);
    auto failing = [&] {
        list.Add("c");
        throw BodyError();
    };
    EXPECT_THROW(WithUpdate(&list, failing), BodyError);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.GetCount(), 3);
}

TEST(TThreadListLock, HoldsTheListUntilTheScopeEnds) {
    TThreadList list;
    int item = 0;
    std::atomic<bool> added{false};
    std::thread other;
    {
        TThreadListLock locked(list);
        other = std::thread([&] {
            list.Add(&item);
            added = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(added);
        EXPECT_EQ(locked->GetCount(), 0);
    }
    other.join();
    EXPECT_TRUE(added);
    TThreadListLock again(list);
    EXPECT_EQ(again->GetCount(), 1);
    EXPECT_EQ((*again).Get(0), &item);
}

TEST(SetIfChanged, StoresOnlyADifferentValue) {
    int width = 5;
    EXPECT_FALSE(SetIfChanged(width, 5));
    EXPECT_TRUE(SetIfChanged(width, 6));
    EXPECT_EQ(width, 6);
    std::string caption = "a";
    std::string value = "b";
    EXPECT_TRUE(SetIfChanged(caption, value));
    EXPECT_EQ(caption, "b");
    EXPECT_EQ(value, "b");
    EXPECT_FALSE(SetIfChanged(caption, std::string("b")));
}
