#include "ui/EmbeddedForms.h"

#include <QPointer>

#include "platform/gui/Application.h"
#include "platform/gui/Screen.h"

void EmbedForm(QWidget* Panel, TCustomForm* Form, TAlign Align, bool Visible) {
    const bool autoScroll = Form->AutoScroll();
    // Qt re-creates nothing here: the form simply becomes a child widget without a frame.
    Form->hide();
    Form->setParent(Panel, Qt::Widget);
    Form->setGeometry(0, 0, 686, 385);
    DisableAlign(Panel);
    try {
        if (Align != alNone) SetAlign(Form, Align);
        Form->SetAutoScroll(autoScroll);
        try {
            Form->setVisible(Visible);
        } catch (...) {
        }
    } catch (...) {
        EnableAlign(Panel);
        throw;
    }
    EnableAlign(Panel);
}

TCustomForm* TEmbeddingHost::CreateEmbeddedForm(QWidget* Panel, std::string_view ClassName) {
    if (FCreatingForm) return nullptr;
    THourGlass hourGlass;
    FCreatingForm = true;
    struct ClearGuard {
        bool& flag;
        ~ClearGuard() { flag = false; }
    } clearGuard{FCreatingForm};
    TCustomForm* page = nullptr;
    try {
        page = TPageRegistry::Global().Create(ClassName, host_);
        QPointer<QWidget> active = page->ActiveControl();
        Panel->hide();
        EmbedForm(Panel, page, alClient, true);
        Panel->setToolTip(QString());
        // The framework's activation message, delivered by the event loop.
        QPointer<TCustomForm> posted(page);
        QMetaObject::invokeMethod(
            page,
            [posted] {
                if (posted) GuardedCall([&] { posted->PageActivated(); });
            },
            Qt::QueuedConnection);
        Panel->show();
        if (active) active->setFocus(Qt::OtherFocusReason);
    } catch (...) {
    }
    return page;
}
