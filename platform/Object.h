#pragma once
// Root classes of the framework's object model: class names for messages, and the Assign/AssignTo
// hand-over through which persistent objects copy each other.
#include <string>

#include "platform/Exceptions.h"

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    virtual std::string ClassName() const { return "TObject"; }
};

// "Cannot assign <source class> to <target class>"; a missing source is named "nil".
inline std::string AssignErrorText(const TObject* source, const TObject* target) {
    return "Cannot assign " + (source ? source->ClassName() : std::string("nil")) + " to " +
           (target ? target->ClassName() : std::string("nil"));
}

class TPersistent : public TObject {
public:
    std::string ClassName() const override { return "TPersistent"; }

    // The target tries the classes it knows; otherwise the source is asked to copy itself there.
    virtual void Assign(TPersistent* source) {
        if (source) {
            source->AssignTo(this);
            return;
        }
        AssignError(nullptr);
    }
    // The source's half of the hand-over; the base knows no target and raises.
    virtual void AssignTo(TPersistent* dest) {
        if (!dest) throw EConvertError(AssignErrorText(this, nullptr));
        dest->AssignError(this);
    }

protected:
    void AssignError(const TObject* source) { throw EConvertError(AssignErrorText(source, this)); }
};
