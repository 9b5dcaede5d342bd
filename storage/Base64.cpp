#include "storage/Base64.h"

#include <QByteArray>

std::string EncodeBase64(std::string_view bytes) {
    QByteArray data = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64();
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

bool DecodeBase64(std::string_view text, std::string& out) {
    out.clear();
    // Qt accepts text without its padding even in strict mode; RFC 4648 text comes in whole
    // quanta of four characters.
    if (text.size() % 4 != 0) return false;
    auto result = QByteArray::fromBase64Encoding(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())),
        QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (result.decodingStatus != QByteArray::Base64DecodingStatus::Ok) return false;
    out.assign(result.decoded.constData(), static_cast<size_t>(result.decoded.size()));
    return true;
}
