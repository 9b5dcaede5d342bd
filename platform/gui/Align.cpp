#include "platform/gui/Align.h"

#include <QEvent>
#include <QHash>
#include <QPointer>
#include <algorithm>
#include <vector>

namespace {

const char* const kAlignProperty = "va_align";
const char* const kAnchorsProperty = "va_anchors";
const char* const kKeeperName = "va_alignKeeper";

// One per parent that has aligned or anchored children: watches the parent's size and the
// children's places and visibility.
class AlignKeeper : public QObject {
public:
    explicit AlignKeeper(QWidget* parent) : QObject(parent), parent_(parent) {
        setObjectName(QLatin1String(kKeeperName));
        parent->installEventFilter(this);
    }

    static AlignKeeper* Of(QWidget* parent, bool create) {
        if (!parent) return nullptr;
        // Kept in a property: a list of thousands of cards must not search its children each time.
        if (auto* k = static_cast<AlignKeeper*>(parent->property(kKeeperName).value<QObject*>())) return k;
        if (!create) return nullptr;
        auto* k = new AlignKeeper(parent);
        parent->setProperty(kKeeperName, QVariant::fromValue<QObject*>(k));
        return k;
    }

    void Track(QWidget* child) {
        Info& info = infos_[child];
        if (!info.watched) {
            child->installEventFilter(this);
            info.watched = true;
        }
        info.valid = false;
        Rebase(child, info);
    }

    void Post() {
        if (posted_) return;
        posted_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                posted_ = false;
                Layout();
            },
            Qt::QueuedConnection);
    }

    void Disable() { ++disabled_; }
    void Enable() {
        if (disabled_ > 0 && --disabled_ == 0) Post();
    }

    void Layout() {
        if (disabled_ > 0 || inLayout_) return;
        inLayout_ = true;
        const QRect client = parent_->contentsRect();
        std::vector<QWidget*> aligned[6];
        for (QObject* o : parent_->children()) {
            auto* child = qobject_cast<QWidget*>(o);
            if (!child || child->isWindow()) continue;
            auto it = infos_.find(child);
            if (it == infos_.end()) continue;
            const TAlign align = GetAlign(child);
            if (align != alNone) {
                if (!child->isHidden()) aligned[align].push_back(child);
                continue;
            }
            Anchor(child, *it, client.size());
        }
        auto byTop = [](QWidget* a, QWidget* b) { return a->y() < b->y(); };
        auto byBottom = [](QWidget* a, QWidget* b) { return a->geometry().bottom() > b->geometry().bottom(); };
        auto byLeft = [](QWidget* a, QWidget* b) { return a->x() < b->x(); };
        auto byRight = [](QWidget* a, QWidget* b) { return a->geometry().right() > b->geometry().right(); };
        std::stable_sort(aligned[alTop].begin(), aligned[alTop].end(), byTop);
        std::stable_sort(aligned[alBottom].begin(), aligned[alBottom].end(), byBottom);
        std::stable_sort(aligned[alLeft].begin(), aligned[alLeft].end(), byLeft);
        std::stable_sort(aligned[alRight].begin(), aligned[alRight].end(), byRight);
        int left = client.left(), top = client.top();
        int right = client.left() + client.width(), bottom = client.top() + client.height();
        for (QWidget* c : aligned[alTop]) {
            Place(c, QRect(left, top, right - left, c->height()));
            top += c->height();
        }
        for (QWidget* c : aligned[alBottom]) {
            bottom -= c->height();
            Place(c, QRect(left, bottom, right - left, c->height()));
        }
        for (QWidget* c : aligned[alLeft]) {
            Place(c, QRect(left, top, c->width(), std::max(0, bottom - top)));
            left += c->width();
        }
        for (QWidget* c : aligned[alRight]) {
            right -= c->width();
            Place(c, QRect(right, top, c->width(), std::max(0, bottom - top)));
        }
        for (QWidget* c : aligned[alClient])
            Place(c, QRect(left, top, std::max(0, right - left), std::max(0, bottom - top)));
        inLayout_ = false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent_) {
            switch (event->type()) {
                case QEvent::Resize:
                    Layout();
                    break;
                case QEvent::ChildRemoved:
                    if (auto* w = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) infos_.remove(w);
                    break;
                case QEvent::ChildAdded: {
                    // A control that brings its alignment along from another parent keeps it.
                    auto* w = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child());
                    if (w && (GetAlign(w) != alNone || GetAnchors(w) != akDefault)) {
                        Track(w);
                        Post();
                    }
                    break;
                }
                default:
                    break;
            }
            return false;
        }
        auto* child = qobject_cast<QWidget*>(watched);
        auto it = child ? infos_.find(child) : infos_.end();
        if (it == infos_.end()) return false;
        switch (event->type()) {
            case QEvent::Show:
            case QEvent::Hide:
                if (GetAlign(child) != alNone) Post();
                break;
            case QEvent::Move:
            case QEvent::Resize:
                if (!inLayout_) Rebase(child, *it);
                if (!inLayout_ && GetAlign(child) != alNone) Post();
                break;
            default:
                break;
        }
        return false;
    }

private:
    struct Info {
        bool watched = false;
        bool valid = false;
        QRect base;         // the child's place when it was last set by the program
        QSize parentBase;   // the parent's client size then
        QRect lastSet;      // the place the keeper (or the program) gave it last
    };

    void Rebase(QWidget* child, Info& info) {
        const QRect now = child->geometry();
        if (info.valid && now == info.lastSet) return;
        info.base = now;
        info.parentBase = parent_->contentsRect().size();
        info.lastSet = now;
        info.valid = true;
    }

    void Anchor(QWidget* child, Info& info, QSize size) {
        Rebase(child, info);
        const TAnchors a = GetAnchors(child);
        if (a == akDefault) return;
        const int dw = size.width() - info.parentBase.width();
        const int dh = size.height() - info.parentBase.height();
        QRect r = info.base;
        if ((a & akLeft) && (a & akRight))
            r.setWidth(std::max(0, r.width() + dw));
        else if (a & akRight)
            r.moveLeft(r.x() + dw);
        else if (!(a & akLeft))
            r.moveLeft(r.x() + dw / 2);
        if ((a & akTop) && (a & akBottom))
            r.setHeight(std::max(0, r.height() + dh));
        else if (a & akBottom)
            r.moveTop(r.y() + dh);
        else if (!(a & akTop))
            r.moveTop(r.y() + dh / 2);
        info.lastSet = r;
        if (child->geometry() != r) child->setGeometry(r);
    }

    void Place(QWidget* child, const QRect& r) {
        auto it = infos_.find(child);
        if (it != infos_.end()) it->lastSet = r;
        if (child->geometry() != r) child->setGeometry(r);
    }

    QWidget* parent_;
    QHash<QWidget*, Info> infos_;
    int disabled_ = 0;
    bool posted_ = false;
    bool inLayout_ = false;
};

}  // namespace

TAlign GetAlign(const QWidget* control) {
    const QVariant v = control ? control->property(kAlignProperty) : QVariant();
    return v.isValid() ? static_cast<TAlign>(v.toInt()) : alNone;
}

void SetAlign(QWidget* control, TAlign align) {
    if (!control) return;
    control->setProperty(kAlignProperty, static_cast<int>(align));
    if (AlignKeeper* k = AlignKeeper::Of(control->parentWidget(), true)) {
        k->Track(control);
        k->Post();
    }
}

TAnchors GetAnchors(const QWidget* control) {
    const QVariant v = control ? control->property(kAnchorsProperty) : QVariant();
    return v.isValid() ? static_cast<TAnchors>(v.toUInt()) : akDefault;
}

void SetAnchors(QWidget* control, TAnchors anchors) {
    if (!control) return;
    control->setProperty(kAnchorsProperty, anchors);
    if (AlignKeeper* k = AlignKeeper::Of(control->parentWidget(), true)) k->Track(control);
}

void DisableAlign(QWidget* parent) {
    if (AlignKeeper* k = AlignKeeper::Of(parent, true)) k->Disable();
}

void EnableAlign(QWidget* parent) {
    if (AlignKeeper* k = AlignKeeper::Of(parent, false)) k->Enable();
}

void Realign(QWidget* parent) {
    if (AlignKeeper* k = AlignKeeper::Of(parent, false)) k->Layout();
}
