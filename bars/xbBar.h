// The command bars: the chief header of the bar library. It gathers the bar manager, its bars, dock sites,
// categories and groups, the items (buttons and sub items) and their links, the painter families, the
// library's registries and start-up, and the shared utilities.
#pragma once

#include "bars/xbBarButton.h"
#include "bars/xbBarCategories.h"
#include "bars/xbBarCommon.h"
#include "bars/xbBarControl.h"
#include "bars/xbBarItem.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPainter.h"
#include "bars/xbBarSubItem.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBarUtils.h"
#include "bars/xbBars.h"
#include "bars/xbDockControl.h"
