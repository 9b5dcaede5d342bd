#pragma once
// The skinned controls are made of images and labels; a click on any listed child is the
// control's own click. A press and a release on the same child, the release inside it, is one
// click (as the framework counts clicks).
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <initializer_list>

class TClickRelay : public QObject {
public:
    TClickRelay(QObject* owner, std::function<void()> onClick) : QObject(owner), onClick_(std::move(onClick)) {}

    void Watch(std::initializer_list<QWidget*> children) {
        for (QWidget* c : children) c->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> onClick_;
    QPointer<QObject> pressed_;
};

// The greyed look of a disabled caption, without disabling the label (it still gets the mouse).
class TLabel;
void ShowLabelEnabled(TLabel* label, bool enabled);
