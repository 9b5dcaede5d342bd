#pragma once
// The graphics stand-in as one include.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Clipboard.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/Palette.h"
#include "platform/graphics/SysServices.h"
#include "platform/graphics/Types.h"
