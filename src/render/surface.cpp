// The program's surface records.
#include "render/surface.h"

Surface BackBuffer = {};
Surface PictureSurface = {};
Surface MojiSurface = {};
Surface BarSurface = {};
