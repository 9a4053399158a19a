// The movie objects: the movie with its character identifiers and object list, images, shapes,
// placements, action scripts, sounds, sprites and video placements, and the audio readers.
#pragma once

#include "swf/BMPReader.h"
#include "swf/FlashActionScript.h"
#include "swf/FlashImage.h"
#include "swf/FlashMovie.h"
#include "swf/FlashPlacement.h"
#include "swf/FlashShape.h"
#include "swf/FlashSound.h"
#include "swf/FlashSprite.h"
#include "swf/FlashVideo.h"
#include "swf/ID3v1.h"
#include "swf/ID3v2.h"
#include "swf/MPEGaudio.h"
#include "swf/SoundReader.h"
