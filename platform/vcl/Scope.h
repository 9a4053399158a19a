// Small helpers for shapes the tree repeats: a step that runs when a scope ends (ScopeExit), a body whose
// closing step runs however it ends (TryFinally, WithUpdate for BeginUpdate/EndUpdate pairs), a locked
// TThreadList for as long as a scope lasts (TThreadListLock), and the setter rule "ignore an unchanged
// value, store the new one, then notify" (SetIfChanged).
//
// Which to take: ScopeExit for a step that cannot throw (putting back a flag, a counter, a pointer, a
// selected object); TryFinally or WithUpdate for a step that may (EndUpdate and Close call handlers). A
// destructor cannot let an exception out while another is on its way, so only the function form keeps
// the order a catch-and-rethrow block has: the closing step's exception passes on in place of the body's.
#pragma once

#include "platform/vcl/Lists.h"

#include <functional>
#include <type_traits>
#include <utility>

namespace vcl {

// Runs fn when the scope ends, by a return or by an exception. fn must be declared noexcept:
//     ScopeExit aligned([this]() noexcept { FAligning = false; });
template <class F> class ScopeExit {
    static_assert(std::is_nothrow_invocable_v<F&>,
                  "a ScopeExit step must not throw: declare it noexcept, or use TryFinally");

public:
    explicit ScopeExit(F fn) noexcept(std::is_nothrow_move_constructible_v<F>) : FFn(std::move(fn)) {}
    ~ScopeExit() {
        if (FArmed)
            FFn();
    }
    // The step will not run: for a step that undoes only what a failure leaves behind.
    void Dismiss() noexcept { FArmed = false; }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F FFn;
    bool FArmed = true;
};

// Runs body, then finally, however body ends, and returns what body returned. When body throws, finally
// runs and the exception passes on; when finally throws, its exception passes on in place of any other.
template <class Body, class Finally> decltype(auto) TryFinally(Body&& body, Finally&& finally) {
    using Result = std::invoke_result_t<Body&>;
    if constexpr (std::is_void_v<Result>) {
        try {
            std::invoke(body);
        } catch (...) {
            std::invoke(finally);
            throw;
        }
        std::invoke(finally);
    } else {
        Result result = [&]() -> Result {
            try {
                return std::invoke(body);
            } catch (...) {
                std::invoke(finally);
                throw;
            }
        }();
        std::invoke(finally);
        return result;
    }
}

// Calls target->BeginUpdate(), runs body and calls target->EndUpdate() however body ends:
//     WithUpdate(strings, [&] { strings->Clear(); ... });
template <class T, class Body> decltype(auto) WithUpdate(T* target, Body&& body) {
    target->BeginUpdate();
    return TryFinally(std::forward<Body>(body), [target] { target->EndUpdate(); });
}

// Holds a TThreadList locked while the scope lasts and reaches its items:
//     TThreadListLock painters(FPainters);
//     for (int32_t i = 0; i < painters->GetCount(); ++i) ...
class TThreadListLock {
public:
    explicit TThreadListLock(TThreadList& list) : FList(list), FItems(list.LockList()) {}
    ~TThreadListLock() { FList.UnlockList(); }
    TList* operator->() const noexcept { return FItems; }
    TList& operator*() const noexcept { return *FItems; }
    TThreadListLock(const TThreadListLock&) = delete;
    TThreadListLock& operator=(const TThreadListLock&) = delete;

private:
    TThreadList& FList;
    TList* FItems;
};

// Stores value in field unless they are equal; true when it stored. A setter reads
//     if (SetIfChanged(FWidth, value)) Changed(true);
template <class T, class U> bool SetIfChanged(T& field, U&& value) {
    if (field == value)
        return false;
    field = std::forward<U>(value);
    return true;
}

} // namespace vcl
