#pragma once
// The framework panel: a container with its own colour (or its parent's), an outer bevel (none
// or raised), a hint, and the alignment and anchors of Align.h like every control.
#include <QColor>
#include <QWidget>
#include <string>
#include <string_view>

#include "platform/Events.h"
#include "platform/gui/Align.h"

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public QWidget, public TObject {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr);
    std::string ClassName() const override { return "TPanel"; }

    // A colour of its own, or (ParentColor) whatever its parent shows through.
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);

    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);

    // The control's own visibility flag (it may be set while its parent is hidden).
    bool Visible() const { return !isHidden(); }
    void SetVisible(bool value) { setVisible(value); }

    std::string Hint() const;
    void SetHint(std::string_view hint);

    TAlign Align() const { return GetAlign(this); }
    void SetAlign(TAlign value) { ::SetAlign(this, value); }
    TAnchors Anchors() const { return GetAnchors(this); }
    void SetAnchors(TAnchors value) { ::SetAnchors(this, value); }

    // The width of the outer bevel: the border inside which children are aligned.
    int BorderWidth() const { return bevelOuter_ == bvNone ? 0 : 1; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
    bool parentColor_ = false;
    TBevelCut bevelOuter_ = bvRaised;
};
