#include "ui/dlMessages.h"

#include <QList>
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "platform/gui/Application.h"
#include "platform/gui/Bitmaps.h"
#include "platform/gui/Controls.h"
#include "platform/CpLiteral.h"

TdlgMessages* dlgMessages = nullptr;

namespace {

struct ButtonStyle {
    const char* framework;  // caption of the standard dialog's push button
    TBitBtnKind kind;
    const char* caption;
    const char* glyph;
};

const ButtonStyle kStyles[] = {
    {"&Yes", bkYes, u8"Да"_cp.c_str(), "BTN_YES"},
    {"&No", bkNo, u8"Нет"_cp.c_str(), "BTN_NO"},
    {"OK", bkOK, "OK", "BTN_OK"},
    {"Cancel", bkCancel, u8"Отмена"_cp.c_str(), "BTN_CANCEL"},
    {"&Abort", bkAbort, u8"Прервать"_cp.c_str(), "BTN_ABORT"},
    {"&Retry", bkRetry, u8"Повторить"_cp.c_str(), "BTN_RETRY"},
    {"&Ignore", bkIgnore, u8"Игнорировать"_cp.c_str(), "BTN_IGNORE"},
    {"&All", bkAll, u8"Все"_cp.c_str(), "BTN_ALL"},
    {"&No to All", bkNo, u8"Нет для Всех"_cp.c_str(), "BTN_ALL_NO"},
    {"&Yes to All", bkYes, u8"Да для Всех"_cp.c_str(), "BTN_ALL_YES"},
    {"&Help", bkHelp, u8"Подсказка"_cp.c_str(), "BTN_HELP"},
};

const ButtonStyle* StyleFor(const std::string& caption) {
    for (const ButtonStyle& s : kStyles)
        if (caption == s.framework) return &s;
    return nullptr;
}

}  // namespace

TdlgMessages::TdlgMessages(QWidget* owner) : TForm(owner) { setObjectName(QStringLiteral("dlgMessages")); }

TForm* TdlgMessages::CreateDialog(std::string_view message, TMsgDlgType type, TMsgDlgButtons buttons) {
    std::unique_ptr<TForm> dialog(CreateMessageDialog(message, type, buttons));
    dialog->SetPosition(poMainFormCenter);
    Restyle(dialog.get(), type);
    return dialog.release();
}

void TdlgMessages::Restyle(TForm* dialog, TMsgDlgType type) {
    // The standard dialog's push buttons, in their order, and its last label (the message).
    QList<TButton*> pushButtons;
    for (QObject* child : dialog->children())
        if (auto* b = dynamic_cast<TButton*>(child)) pushButtons.append(b);
    TLabel* label = nullptr;
    for (QObject* child : dialog->children())
        if (auto* l = dynamic_cast<TLabel*>(child)) label = l;
    const int n = static_cast<int>(pushButtons.size());
    const int labelWidth = label ? label->width() : 0;

    int width = dialog->Width();
    if (type != mtCustom) {
        width = std::max(n * 100 + (n + 1) * 20, labelWidth + 52);
        dialog->SetWidth(width);
    }
    if (label) {
        if (type == mtCustom) {
            // Halves round to even, as the framework's Round does.
            label->move(static_cast<int>(std::nearbyint(width / 2.0 - labelWidth / 2.0)), label->y());
        } else {
            label->move((width - labelWidth + 44) / 2, 20);
            label->SetTransparent(true);
        }
    }
    const int gap = (width - n * 100) / (n + 1);

    for (int i = 1; i <= n; ++i) {
        TButton* push = pushButtons[i - 1];
        auto* button = new TBitBtn(dialog);
        button->setObjectName(push->objectName());
        const std::string caption = push->Caption();
        button->SetCaption(caption);
        const ButtonStyle* style = StyleFor(caption);
        if (style) {
            button->SetKind(style->kind);
            button->SetCaption(style->caption);
        }
        if (type != mtCustom) {
            button->setGeometry(i * gap + (i - 1) * 100, push->y(), 100, 25);
        } else {
            button->setGeometry(push->x(), push->y(), push->width(), std::max(push->height(), GlyphSize + 8));
        }
        try {
            if (style) button->SetGlyph(LoadBitmapResource(style->glyph));
            button->SetGlyphSize(GlyphSize, GlyphSize);
        } catch (...) {
            // A box without a glyph still asks its question.
        }
        button->show();
        delete push;
    }
    dialog->SetCaption(Application ? Application->Title() : std::string());
}

TModalResult TdlgMessages::ShowMessage(std::string_view message) {
    std::unique_ptr<TForm> box(CreateDialog(message, mtCustom, {mbOK}));
    return box->ShowModal();
}

TModalResult TdlgMessages::MessageDlg(std::string_view message, TMsgDlgType type, TMsgDlgButtons buttons) {
    std::unique_ptr<TForm> box(CreateDialog(message, type, buttons));
    return box->ShowModal();
}
