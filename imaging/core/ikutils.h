// The imaging library's foundation: helpers, containers, metadata lists, captions, the pixel store and
// its masks and work bitmaps.
#pragma once

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKCaptions.h"
#include "imaging/core/IKContainers.h"
#include "imaging/core/IKDefs.h"
#include "imaging/core/IKExif.h"
#include "imaging/core/IKHelpers.h"
#include "imaging/core/IKMask.h"
#include "imaging/core/IKMemoryMapped.h"
#include "imaging/core/IKMetadata.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/core/IKWorkBitmaps.h"
