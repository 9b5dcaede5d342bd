#include "ui/GroupBoxAdapter.h"

#include <QCheckBox>

#include "platform/Codec.h"

TGroupBoxAdapter::TGroupBoxAdapter(QGroupBox* box) : box_(box) {}

std::unique_ptr<TGroupBoxAdapter> TGroupBoxAdapter::For(QWidget* control) {
    auto* box = qobject_cast<QGroupBox*>(control);
    return box ? std::make_unique<TGroupBoxAdapter>(box) : nullptr;
}

namespace {
QList<QWidget*> Children(QGroupBox* box) {
    if (!box) return {};
    return box->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
}
}  // namespace

QWidget* TGroupBoxAdapter::Child(int index) const {
    const QList<QWidget*> children = Children(box_);
    return index >= 0 && index < children.size() ? children[index] : nullptr;
}

int TGroupBoxAdapter::ControlCount() const { return static_cast<int>(Children(box_).size()); }

std::string TGroupBoxAdapter::ControlName(int index) const {
    QWidget* w = Child(index);
    return w ? Utf16ToCp1251(w->objectName().toStdU16String()) : std::string();
}

bool TGroupBoxAdapter::IsCheckBox(int index) const { return qobject_cast<QCheckBox*>(Child(index)) != nullptr; }

bool TGroupBoxAdapter::Checked(int index) const {
    auto* check = qobject_cast<QCheckBox*>(Child(index));
    return check && check->isChecked();
}

void TGroupBoxAdapter::SetChecked(int index, bool value) {
    if (auto* check = qobject_cast<QCheckBox*>(Child(index))) check->setChecked(value);
}
