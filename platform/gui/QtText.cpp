#include "platform/gui/QtText.h"

#include "platform/Codec.h"

QString ToQString(std::string_view cp1251) {
    const std::u16string utf16 = Cp1251ToUtf16(cp1251);
    return QString(reinterpret_cast<const QChar*>(utf16.data()), static_cast<qsizetype>(utf16.size()));
}

std::string FromQString(const QString& text) {
    return Utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                             static_cast<size_t>(text.size())));
}
