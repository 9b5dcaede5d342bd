#include "platform/gui/ExtControls.h"

#include "platform/gui/Controls.h"

#include <QLabel>

#include "platform/Codec.h"
#include "platform/gui/Application.h"
#include "platform/gui/QtText.h"

TGroupBox::TGroupBox(QWidget* parent) : QGroupBox(parent) {}

std::string TGroupBox::Caption() const { return FromQString(title()); }

void TGroupBox::SetCaption(std::string_view caption) { setTitle(ToQString(caption)); }

TCheckListBox::TCheckListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (filling_) return;
        GuardedCall([this, item] {
            if (currentItem() != item) setCurrentItem(item);
            if (OnClickCheck) OnClickCheck(this);
        });
    });
}

std::string TCheckListBox::Items(int index) const {
    const QListWidgetItem* it = item(index);
    return it ? FromQString(it->text()) : std::string();
}

void TCheckListBox::Clear() {
    filling_ = true;
    clear();
    filling_ = false;
}

void TCheckListBox::Add(std::string_view text) {
    filling_ = true;
    auto* it = new QListWidgetItem(ToQString(text), this);
    it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    it->setCheckState(Qt::Unchecked);
    filling_ = false;
}

void TCheckListBox::SetItems(const std::vector<std::string>& items) {
    Clear();
    for (const std::string& s : items) Add(s);
}

bool TCheckListBox::Checked(int index) const {
    const QListWidgetItem* it = item(index);
    return it && it->checkState() == Qt::Checked;
}

void TCheckListBox::SetChecked(int index, bool value) {
    QListWidgetItem* it = item(index);
    if (!it) return;
    filling_ = true;
    it->setCheckState(value ? Qt::Checked : Qt::Unchecked);
    filling_ = false;
}

TSpeedButton::TSpeedButton(QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(this, &QToolButton::clicked, this, [this] {
        GuardedCall([this] {
            if (OnClick) OnClick(this);
        });
    });
}

void TSpeedButton::SetGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    ShowGlyph(*this, glyph);
}

void TSpeedButton::Click() {
    if (isEnabled()) click();
}

TProgressBar::TProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
}

void TProgressBar::SetMax(int value) { setMaximum(value); }

void TProgressBar::SetPosition(int value) { setValue(std::clamp(value, minimum(), maximum())); }

TStatusBar::TStatusBar(QWidget* parent, int panels) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (int i = 0; i < panels; ++i) {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        addPermanentWidget(label, i + 1 == panels ? 1 : 0);
        panels_.push_back(label);
    }
}

std::string TStatusBar::PanelText(int index) const {
    QLabel* label = Panel(index);
    return label ? FromQString(label->text()) : std::string();
}

void TStatusBar::SetPanelText(int index, std::string_view text) {
    if (QLabel* label = Panel(index)) label->setText(ToQString(text));
}

QLabel* TStatusBar::Panel(int index) const {
    return index >= 0 && index < PanelCount() ? panels_[static_cast<size_t>(index)] : nullptr;
}

bool TCp1251Validator::Holds(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80) return true;
    const std::string back = Utf16ToCp1251(std::u16string_view(&u, 1));
    return back.size() == 1 && Cp1251ToUtf16(back) == std::u16string(1, u);
}

QValidator::State TCp1251Validator::validate(QString& input, int& pos) const {
    QString kept;
    kept.reserve(input.size());
    int newPos = pos;
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (Holds(input[i])) {
            kept.append(input[i]);
        } else if (i < pos) {
            --newPos;
        }
    }
    input = kept;
    pos = std::max(0, newPos);
    return Acceptable;
}

void TCp1251Validator::fixup(QString& input) const {
    int pos = 0;
    validate(input, pos);
}
