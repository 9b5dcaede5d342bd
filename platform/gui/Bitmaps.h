#pragma once
// Named bitmap resources, compiled in through Qt's resource system under ":/bitmaps/<NAME>".
#include <QPixmap>
#include <string_view>

#include "platform/Exceptions.h"

VA_DECLARE_EXCEPTION(EResNotFound, Exception)

// The bitmap of that name; raises EResNotFound "Resource <name> not found" when there is none.
QPixmap LoadBitmapResource(std::string_view name);
bool BitmapResourceExists(std::string_view name);
