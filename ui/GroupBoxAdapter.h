#pragma once
// The settings' option groups copy their options to and from the check boxes of a group box.
// Storage knows group boxes only through TGroupBoxHook; this is that hook over a Qt group box.
#include <QGroupBox>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "storage/SettingsUnit.h"

class TGroupBoxAdapter : public TGroupBoxHook {
public:
    explicit TGroupBoxAdapter(QGroupBox* box);

    // The hook for control when it is a group box, else null (the option groups then do nothing).
    static std::unique_ptr<TGroupBoxAdapter> For(QWidget* control);

    // The box's child widgets in their order; the component name is the widget's object name.
    int ControlCount() const override;
    std::string ControlName(int index) const override;
    bool IsCheckBox(int index) const override;
    bool Checked(int index) const override;
    void SetChecked(int index, bool value) override;

private:
    QWidget* Child(int index) const;
    QPointer<QGroupBox> box_;
};
