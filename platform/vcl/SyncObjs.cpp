#include "platform/vcl/SyncObjs.h"

#include "platform/vcl/Exceptions.h"
#include "platform/win/kernel/Errors.h"

namespace vcl {

TCriticalSection::TCriticalSection() {
    win::InitializeCriticalSection(&FSection);
}

TCriticalSection::~TCriticalSection() {
    win::DeleteCriticalSection(&FSection);
}

void TCriticalSection::Acquire() {
    win::EnterCriticalSection(&FSection);
}

void TCriticalSection::Release() {
    win::LeaveCriticalSection(&FSection);
}

bool TCriticalSection::TryEnter() {
    return win::TryEnterCriticalSection(&FSection) != win::FALSE;
}

TEvent::TEvent(bool manualReset, bool initialState, const char* name)
    : FHandle(win::CreateEvent(nullptr, manualReset, initialState, name)) {
    if (!FHandle)
        throw EOutOfResources("Cannot create event: " + win::SysErrorMessage(win::GetLastError()));
}

TEvent::~TEvent() {
    win::CloseHandle(FHandle);
}

TWaitResult TEvent::WaitFor(win::DWORD timeoutMs) {
    switch (win::WaitForSingleObject(FHandle, timeoutMs)) {
    case win::WAIT_OBJECT_0:
        return wrSignaled;
    case win::WAIT_TIMEOUT:
        return wrTimeout;
    case win::WAIT_ABANDONED:
        return wrAbandoned;
    default:
        FLastError = int(win::GetLastError());
        return wrError;
    }
}

void TEvent::SetEvent() {
    win::SetEvent(FHandle);
}

void TEvent::ResetEvent() {
    win::ResetEvent(FHandle);
}

} // namespace vcl
