// The class library's runtime in one include: objects, exceptions, lists and streams.
#pragma once

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Lists.h"
#include "platform/vcl/Object.h"
#include "platform/vcl/Persistent.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/Types.h"
