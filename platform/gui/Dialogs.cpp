#include "platform/gui/Dialogs.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <memory>

#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"
#include "platform/gui/QtText.h"

namespace {

struct ButtonInfo {
    const char* name;
    const char* caption;
    TModalResult result;
};

constexpr ButtonInfo kButtons[] = {
    {"Yes", "&Yes", mrYes},          {"No", "&No", mrNo},
    {"OK", "OK", mrOk},              {"Cancel", "Cancel", mrCancel},
    {"Abort", "&Abort", mrAbort},    {"Retry", "&Retry", mrRetry},
    {"Ignore", "&Ignore", mrIgnore}, {"All", "&All", mrAll},
    {"NoToAll", "&No to All", mrNoToAll}, {"YesToAll", "&Yes to All", mrYesToAll},
    {"Help", "&Help", mrNone},
};

const char* const kCaptions[] = {"Warning", "Error", "Information", "Confirm"};

int MulDiv(int a, int b, int c) { return (a * b + c / 2) / c; }

// Line breaks of the system's texts come as LF, CR LF or LF CR; each is one break on screen.
QString DialogText(std::string_view message) {
    QString text = ToQString(message);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QSize AverageCharSize(const QFontMetrics& fm) {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return QSize(fm.horizontalAdvance(letters) / 52, fm.height());
}

// The text's own size; the framework's width calculation ignores accelerator marks here.
int CaptionWidth(const QFontMetrics& fm, const QString& caption) {
    QString shown = caption;
    shown.remove(QLatin1Char('&'));
    return fm.horizontalAdvance(shown);
}

}  // namespace

TForm* CreateMessageDialog(std::string_view message, TMsgDlgType type, TMsgDlgButtons buttons) {
    auto form = std::make_unique<TForm>();
    form->SetBorderStyle(bsDialog);
    form->SetPosition(poScreenCenter);
    form->SetCaption(type == mtCustom ? (Application ? Application->Title() : std::string())
                                      : std::string(kCaptions[type]));

    const QFontMetrics fm(form->font());
    const QSize du = AverageCharSize(fm);
    const int horzMargin = MulDiv(8, du.width(), 4);
    const int vertMargin = MulDiv(8, du.height(), 8);
    const int horzSpacing = MulDiv(10, du.width(), 4);
    const int vertSpacing = MulDiv(10, du.height(), 8);
    const int buttonSpacing = MulDiv(4, du.width(), 4);
    const int buttonHeight = MulDiv(14, du.height(), 8);
    int buttonWidth = MulDiv(50, du.width(), 4);
    int buttonCount = 0;
    for (int b = mbYes; b <= mbHelp; ++b) {
        if (!buttons.Contains(static_cast<TMsgDlgBtn>(b))) continue;
        ++buttonCount;
        const int w = CaptionWidth(fm, QString::fromLatin1(kButtons[b].caption)) + 8;
        buttonWidth = std::max(buttonWidth, w);
    }

    const QString text = DialogText(message);
    int maxTextWidth = 400;
    if (QScreen* screen = QGuiApplication::primaryScreen()) maxTextWidth = screen->geometry().width() / 2;
    const QRect textRect =
        fm.boundingRect(QRect(0, 0, maxTextWidth, 0), Qt::TextWordWrap | Qt::TextExpandTabs, text);

    const bool hasIcon = type != mtCustom;
    int iconTextWidth = textRect.width();
    int iconTextHeight = textRect.height();
    if (hasIcon) {
        iconTextWidth += 32 + horzSpacing;
        iconTextHeight = std::max(iconTextHeight, 32);
    }
    const int groupWidth = buttonCount > 0 ? buttonWidth * buttonCount + buttonSpacing * (buttonCount - 1) : 0;
    const int clientWidth = std::max(iconTextWidth, groupWidth) + horzMargin * 2;
    const int clientHeight = iconTextHeight + buttonHeight + vertSpacing + vertMargin * 2;
    form->SetClientSize(clientWidth, clientHeight);

    if (hasIcon) {
        static const QStyle::StandardPixmap icons[] = {QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxCritical,
                                                       QStyle::SP_MessageBoxInformation,
                                                       QStyle::SP_MessageBoxQuestion};
        auto* image = new QLabel(form.get());
        image->setObjectName(QStringLiteral("Image"));
        image->setPixmap(form->style()->standardIcon(icons[type]).pixmap(32, 32));
        image->setGeometry(horzMargin, vertMargin, 32, 32);
    }

    auto* label = new TLabel(form.get());
    label->setObjectName(QStringLiteral("Message"));
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    label->setText(text);
    label->setGeometry(iconTextWidth - textRect.width() + horzMargin, vertMargin, textRect.width(),
                       textRect.height());

    // The default button is the first of OK, Yes and Retry present; the cancel button that of
    // Cancel, No and OK.
    int defaultButton = buttons.Contains(mbOK) ? mbOK : buttons.Contains(mbYes) ? mbYes : mbRetry;
    int cancelButton = buttons.Contains(mbCancel) ? mbCancel
                       : buttons.Contains(mbNo)   ? mbNo
                       : buttons.Contains(mbOK)   ? mbOK
                                                  : -1;
    int x = (clientWidth - groupWidth) / 2;
    const int y = iconTextHeight + vertMargin + vertSpacing;
    for (int b = mbYes; b <= mbHelp; ++b) {
        if (!buttons.Contains(static_cast<TMsgDlgBtn>(b))) continue;
        auto* button = new TButton(form.get());
        button->setObjectName(QString::fromLatin1(kButtons[b].name));
        button->SetCaption(kButtons[b].caption);
        button->SetModalResult(kButtons[b].result);
        button->SetDefault(b == defaultButton);
        button->SetCancel(b == cancelButton);
        button->setGeometry(x, y, buttonWidth, buttonHeight);
        x += buttonWidth + buttonSpacing;
    }
    return form.release();
}

TModalResult MessageDlg(std::string_view message, TMsgDlgType type, TMsgDlgButtons buttons) {
    std::unique_ptr<TForm> box(CreateMessageDialog(message, type, buttons));
    return box->ShowModal();
}

void ShowMessage(std::string_view message) {
    std::unique_ptr<TForm> box(CreateMessageDialog(message, mtCustom, {mbOK}));
    box->SetPosition(poMainFormCenter);
    box->ShowModal();
}
