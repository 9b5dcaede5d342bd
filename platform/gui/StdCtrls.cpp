#include "platform/gui/StdCtrls.h"

#include <QStyle>
#include <QStyleOptionButton>

#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"
#include "platform/gui/QtText.h"

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange) GuardedCall([this] { OnChange(this); });
    });
}

std::string TEdit::Text() const { return FromQString(text()); }

void TEdit::SetText(std::string_view text) { setText(ToQString(text)); }

void TEdit::SetPasswordChar(char c) {
    passwordChar_ = c;
    if (c) {
        // The style's own mask is a dot; the edit shows the character it is given.
        const QString shown = ToQString(std::string_view(&c, 1));
        const int code = shown.isEmpty() ? '*' : shown[0].unicode();
        setStyleSheet(QStringLiteral("lineedit-password-character: %1").arg(code));
        setEchoMode(QLineEdit::Password);
    } else {
        setStyleSheet(QString());
        setEchoMode(QLineEdit::Normal);
    }
}

QString TEdit::QtPasswordChar() const {
    return passwordChar_ ? ToQString(std::string_view(&passwordChar_, 1)) : QString();
}

void TEdit::SetQtPasswordChar(const QString& value) {
    const std::string c = FromQString(value.left(1));
    SetPasswordChar(c.empty() ? '\0' : c[0]);
}

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent) {
    connect(this, &QCheckBox::toggled, this, [this] {
        if (OnClick) GuardedCall([this] { OnClick(this); });
    });
}

std::string TCheckBox::Caption() const { return FromQString(wrapLabel_ ? caption_ : text()); }

void TCheckBox::SetCaption(std::string_view caption) { setText(ToQString(caption)); }

void TCheckBox::setText(const QString& text) {
    if (wrapLabel_) {
        caption_ = text;
        wrapLabel_->setText(caption_);
    } else {
        QCheckBox::setText(text);
    }
}

void TCheckBox::SetWordWrap(bool value) {
    if (value == WordWrap()) return;
    if (value) {
        caption_ = text();
        QCheckBox::setText(QString());
        wrapLabel_ = new TLabel(this);
        wrapLabel_->SetAutoSize(false);
        wrapLabel_->SetWordWrap(true);
        wrapLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // Clicks on the text reach the box underneath.
        wrapLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
        wrapLabel_->setText(caption_);
        PlaceWrapLabel();
        wrapLabel_->show();
    } else {
        delete wrapLabel_;
        wrapLabel_ = nullptr;
        QCheckBox::setText(caption_);
        caption_.clear();
    }
}

void TCheckBox::PlaceWrapLabel() {
    if (!wrapLabel_) return;
    QStyleOptionButton option;
    initStyleOption(&option);
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this) +
                          style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    wrapLabel_->setGeometry(indicator, 0, std::max(0, width() - indicator), height());
}

bool TCheckBox::hitButton(const QPoint& pos) const {
    return wrapLabel_ ? rect().contains(pos) : QCheckBox::hitButton(pos);
}

void TCheckBox::resizeEvent(QResizeEvent* event) {
    QCheckBox::resizeEvent(event);
    PlaceWrapLabel();
}
