// The SWF tag objects: bit engine and value records, tags with their headers, shapes, bitmaps and
// PlaceObject2, and the movie container.
#pragma once

#include "swf/SWFBitmaps.h"
#include "swf/SWFPlaceObject.h"
#include "swf/SWFRecords.h"
#include "swf/SWFShapes.h"
#include "swf/SWFStreams.h"
#include "swf/SWFTags.h"
#include "swf/SWFTools.h"
