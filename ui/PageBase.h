#pragma once
// What the settings page stands on: a page form and the page's buttons, with the enabled state
// that the page's logic reads and writes.
#include <QWidget>

#include "platform/Object.h"
#include "platform/gui/Controls.h"

class TPageBase : public QWidget, public TObject {
    Q_OBJECT
public:
    explicit TPageBase(QWidget* owner = nullptr) : QWidget(owner) {}
};

using TPageButton = TButton;
inline bool ButtonEnabled(const TPageButton* b) { return b->isEnabled(); }
inline void SetButtonEnabled(TPageButton* b, bool value) { b->setEnabled(value); }
