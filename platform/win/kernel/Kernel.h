// The kernel half of the Win32-like layer in one include.
#pragma once

#include "platform/win/WinTypes.h"
#include "platform/win/kernel/Clock.h"
#include "platform/win/kernel/Errors.h"
#include "platform/win/kernel/Files.h"
#include "platform/win/kernel/MappedFile.h"
#include "platform/win/kernel/Memory.h"
#include "platform/win/kernel/Modules.h"
#include "platform/win/kernel/MulDiv.h"
#include "platform/win/kernel/Sync.h"
#include "platform/win/kernel/Version.h"
