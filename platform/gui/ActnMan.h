#pragma once
// Actions and the menu bar they drive. An action has a caption, enabled and visible states, an
// image and an execute handler; every menu item shows one action and follows its states, and a
// hidden action shows no item. The menu bar is built from category actions (the menus) and their
// item actions, with null for a separator.
#include <QAction>
#include <QMenuBar>
#include <QPixmap>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Events.h"

class TAction : public QAction, public TObject {
    Q_OBJECT
public:
    explicit TAction(QObject* owner = nullptr, std::string_view name = {});
    std::string ClassName() const override { return "TAction"; }

    std::string Name() const { return objectName().toStdString(); }
    std::string Caption() const;
    void SetCaption(std::string_view caption);
    // The action's own flags: Qt disables a hidden action, while a hidden action here keeps its
    // enabled state and still executes.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool Visible() const { return isVisible(); }
    void SetVisible(bool value);
    void SetImage(const QPixmap& image);

    TNotifyEvent OnExecute;
    // Runs OnExecute when the action is enabled; true when a handler ran. Nothing raised leaves it.
    bool Execute();

private:
    bool enabled_ = true;
};

// The actions of a window, by name, in the order created.
class TActionList : public QObject, public TObject {
    Q_OBJECT
public:
    explicit TActionList(QObject* owner = nullptr);
    std::string ClassName() const override { return "TActionList"; }

    TAction* Add(std::string_view name, std::string_view caption);
    TAction* Find(std::string_view name) const;
    int Count() const { return static_cast<int>(actions_.size()); }
    TAction* Actions(int index) const { return actions_.at(static_cast<size_t>(index)); }

private:
    std::vector<TAction*> actions_;
};

class TActionMainMenuBar : public QMenuBar, public TObject {
    Q_OBJECT
public:
    explicit TActionMainMenuBar(QWidget* parent = nullptr);
    std::string ClassName() const override { return "TActionMainMenuBar"; }

    // A menu captioned by category, showing items in order; null items are separators.
    QMenu* AddCategory(TAction* category, std::initializer_list<TAction*> items);
};
