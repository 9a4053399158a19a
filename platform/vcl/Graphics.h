// The graphics half of the class library in one include: colours, fonts, pens, brushes, canvases and the
// picture classes.
#pragma once

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Graphic.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Metafile.h"
#include "platform/vcl/Picture.h"
