// The SWF tag objects: bit engine and value records, tags with their headers, shapes, bitmaps,
// PlaceObject2, action records with DoAction and DoInitAction, Protect, sound and video tags, and the movie
// container.
#pragma once

#include "swf/SWFActions.h"
#include "swf/SWFBitmaps.h"
#include "swf/SWFDoAction.h"
#include "swf/SWFPlaceObject.h"
#include "swf/SWFProtect.h"
#include "swf/SWFRecords.h"
#include "swf/SWFShapes.h"
#include "swf/SWFSoundTags.h"
#include "swf/SWFStreams.h"
#include "swf/SWFTags.h"
#include "swf/SWFTools.h"
#include "swf/SWFmd5.h"
