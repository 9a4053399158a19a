// The themed control set: what every control stands on (theme services, colour and font routines, the
// frame model with its border painting, bitmap and gradient painting).
#pragma once

#include "controls/FcFrames.h"
#include "controls/FcGraphics.h"
#include "controls/FcThemeServices.h"
#include "controls/FcUxTheme.h"
