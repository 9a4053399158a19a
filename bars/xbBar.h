// The command bars: the chief header of the bar library. It gathers the bar manager, the items and their
// links, the painter families, the library's registries and start-up, and the shared utilities.
#pragma once

#include "bars/xbBarCommon.h"
#include "bars/xbBarItem.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPainter.h"
#include "bars/xbBarUtils.h"
#include "bars/xbDockControl.h"
