// The class library's runtime in one include: objects, exceptions, lists, strings, streams, components,
// collections, settings stores and the run-time library.
#pragma once

#include "platform/vcl/Collection.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/Lists.h"
#include "platform/vcl/Object.h"
#include "platform/vcl/Persistent.h"
#include "platform/vcl/Registry.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/Types.h"
#include "platform/vcl/SyncObjs.h"
#include "platform/vcl/Thread.h"
