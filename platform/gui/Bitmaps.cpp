#include "platform/gui/Bitmaps.h"

#include <QFile>
#include <QImageReader>
#include <string>

namespace {
QString ResourcePath(std::string_view name) {
    return QStringLiteral(":/bitmaps/") + QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}
}  // namespace

bool BitmapResourceExists(std::string_view name) { return QFile::exists(ResourcePath(name)); }

QPixmap LoadBitmapResource(std::string_view name) {
    QImageReader reader(ResourcePath(name));
    QImage image = reader.read();
    if (image.isNull()) throw EResNotFound("Resource " + std::string(name) + " not found");
    return QPixmap::fromImage(image);
}
