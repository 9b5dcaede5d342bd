#include "platform/gui/ActnMan.h"

#include <QIcon>
#include <QMenu>

#include "platform/gui/Application.h"
#include "platform/gui/QtText.h"
#include "platform/gui/TImage.h"

TAction::TAction(QObject* owner, std::string_view name) : QAction(owner) {
    setObjectName(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    connect(this, &QAction::triggered, this, [this] { Execute(); });
    connect(this, &QAction::enabledChanged, this, [this](bool on) {
        // Qt turns a hidden action off by itself; only the program's own changes count.
        if (isVisible()) enabled_ = on;
    });
}

std::string TAction::Caption() const { return FromQString(text()); }

void TAction::SetCaption(std::string_view caption) { setText(ToQString(caption)); }

void TAction::SetEnabled(bool value) {
    enabled_ = value;
    setEnabled(value);
}

void TAction::SetVisible(bool value) {
    setVisible(value);
    setEnabled(enabled_);
}

// Menu glyphs stand on a key colour, the bottom-left pixel's, which an image list masks out.
void TAction::SetImage(const QPixmap& image) {
    setIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(KeyColourTransparent(image.toImage()))));
}

bool TAction::Execute() {
    if (!enabled_ || !OnExecute) return false;
    GuardedCall([this] { OnExecute(this); });
    return true;
}

TActionList::TActionList(QObject* owner) : QObject(owner) {}

TAction* TActionList::Add(std::string_view name, std::string_view caption) {
    auto* action = new TAction(this, name);
    action->SetCaption(caption);
    actions_.push_back(action);
    return action;
}

TAction* TActionList::Find(std::string_view name) const {
    for (TAction* a : actions_)
        if (a->Name() == name) return a;
    return nullptr;
}

TActionMainMenuBar::TActionMainMenuBar(QWidget* parent) : QMenuBar(parent) {
    setNativeMenuBar(false);
    setFixedHeight(24);
}

QMenu* TActionMainMenuBar::AddCategory(TAction* category, std::initializer_list<TAction*> items) {
    QMenu* menu = addMenu(category->text());
    menu->setObjectName(category->objectName());
    connect(category, &QAction::changed, menu, [menu, category] {
        menu->setTitle(category->text());
        menu->menuAction()->setVisible(category->isVisible());
        menu->setEnabled(category->isEnabled());
    });
    for (TAction* item : items) {
        if (item)
            menu->addAction(item);
        else
            menu->addSeparator();
    }
    return menu;
}
