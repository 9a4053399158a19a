// The movie objects: the movie with its character identifiers and object list, images, shapes,
// placements and action scripts.
#pragma once

#include "swf/BMPReader.h"
#include "swf/FlashActionScript.h"
#include "swf/FlashImage.h"
#include "swf/FlashMovie.h"
#include "swf/FlashPlacement.h"
#include "swf/FlashShape.h"
