// The movie objects: the movie with its character identifiers and object list, images, shapes and
// placements.
#pragma once

#include "swf/BMPReader.h"
#include "swf/FlashImage.h"
#include "swf/FlashMovie.h"
#include "swf/FlashPlacement.h"
#include "swf/FlashShape.h"
