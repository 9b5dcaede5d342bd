#include "platform/gui/SystemClipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include "platform/Strings.h"
#include "platform/Threads.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/SysServices.h"
#include "platform/gui/Application.h"
#include "platform/qtimage/QtImage.h"

namespace {

QString MimeOf(unsigned format) {
    const std::string name = GetClipboardFormatName(format);
    if (name.empty()) return {};
    if (UpperCase(name) == "GIF IMAGE") return QStringLiteral("image/gif");
    // Registered names are ASCII in practice; anything else is kept by its id.
    return QStringLiteral("application/x-velmora-format-%1").arg(format);
}

}  // namespace

HCLIPDATA TQtClipboard::GetData(unsigned format) {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime) return nullptr;
    if (format == CF_BITMAP) {
        if (!mime->hasImage()) return nullptr;
        const QImage image = qvariant_cast<QImage>(mime->imageData());
        if (image.isNull()) return nullptr;
        auto bitmap = std::make_shared<TBitmap>();
        QImageToBitmap(image, *bitmap);
        auto d = std::make_shared<TClipboardData>();
        d->Bitmap = std::move(bitmap);
        return d;
    }
    const QString type = MimeOf(format);
    if (type.isEmpty() || !mime->hasFormat(type)) return nullptr;
    const QByteArray bytes = mime->data(type);
    return MakeClipboardBytes(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

bool TQtClipboard::SetData(unsigned format, HCLIPDATA data) {
    if (!data) return false;
    QClipboard* clip = QGuiApplication::clipboard();
    // Adds to what is there: a new set of formats holding the old ones and this one.
    auto mime = std::make_unique<QMimeData>();
    if (const QMimeData* old = clip->mimeData()) {
        for (const QString& f : old->formats()) mime->setData(f, old->data(f));
        if (old->hasImage()) mime->setImageData(old->imageData());
    }
    if (format == CF_BITMAP) {
        if (!data->Bitmap) return false;
        const QImage image = BitmapToQImage(*data->Bitmap);
        if (image.isNull()) return false;
        mime->setImageData(image);
    } else {
        const QString type = MimeOf(format);
        if (type.isEmpty()) return false;
        mime->setData(type, QByteArray(reinterpret_cast<const char*>(data->Bytes.data()),
                                       static_cast<qsizetype>(data->Bytes.size())));
    }
    clip->setMimeData(mime.release());
    return true;
}

void TQtClipboard::Empty() { QGuiApplication::clipboard()->clear(); }

void InstallGuiThreadHooks() {
    // A queued call, never a blocking one: the main thread may itself be waiting for a worker
    // (and running CheckSynchronize in that wait).
    SetWakeMainThread([] {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [] { GuardedCall([] { CheckSynchronize(); }); },
                                      Qt::QueuedConnection);
    });
    SetMessagePumpHook([] {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return QCoreApplication::closingDown() || (Application && Application->Terminated());
    });
    SetClipboardBackend(std::make_unique<TQtClipboard>());
}

void RemoveGuiThreadHooks() {
    SetWakeMainThread({});
    SetMessagePumpHook({});
    SetClipboardBackend(nullptr);
}
