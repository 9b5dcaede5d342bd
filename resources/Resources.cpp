#include "resources/Resources.h"

#include <QtCore/qglobal.h>

static void InitBitmaps() { Q_INIT_RESOURCE(bitmaps); }

void InitialiseResources() { InitBitmaps(); }
