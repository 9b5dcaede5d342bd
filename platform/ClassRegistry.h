#pragma once
// The framework's class registry: classes registered by name at start-up and created by name
// later, so that the creator needs no compile-time knowledge of the class. Names compare with
// A-Z folded, as the framework compares class names.
//
// One registry exists per factory signature, e.g.
//   TClassRegistry<std::unique_ptr<TPropertyGroup>()>  for plain persistent objects, and
//   TClassRegistry<TCustomForm*(QWidget* owner)>        for pages made with an owner (TPageRegistry).
// RegisterClass<T>(name) registers "new T(args...)"; Register takes any factory.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Object.h"

// "Class <name> not found"
VA_DECLARE_EXCEPTION(EClassNotFound, Exception)
// "A class named <name> already exists"
VA_DECLARE_EXCEPTION(EClassRegistered, Exception)

namespace class_registry_detail {
bool SameName(std::string_view a, std::string_view b);
[[noreturn]] void NotFound(std::string_view name);
[[noreturn]] void AlreadyRegistered(std::string_view name);
}  // namespace class_registry_detail

template <class Signature>
class TClassRegistry;

template <class Result, class... Args>
class TClassRegistry<Result(Args...)> {
public:
    using Factory = std::function<Result(Args...)>;

    // The one registry of this signature for the whole program.
    static TClassRegistry& Global() {
        static TClassRegistry registry;
        return registry;
    }

    // Registering a name again raises EClassRegistered (RegisterClass of the same class under
    // the same name again is ignored: a unit started twice).
    void Register(std::string name, Factory factory) {
        if (Find(name)) class_registry_detail::AlreadyRegistered(name);
        entries_.push_back({std::move(name), std::move(factory), nullptr});
    }

    template <class T>
    void RegisterClass(std::string name) {
        if (const Entry* e = Lookup(name)) {
            if (e->tag == Tag<T>()) return;
            class_registry_detail::AlreadyRegistered(name);
        }
        entries_.push_back({std::move(name), [](Args... args) -> Result { return Result(new T(std::forward<Args>(args)...)); },
                            Tag<T>()});
    }

    void Unregister(std::string_view name) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it)
            if (class_registry_detail::SameName(it->name, name)) {
                entries_.erase(it);
                return;
            }
    }

    bool IsRegistered(std::string_view name) const { return Lookup(name) != nullptr; }

    // The factory registered under name, or an empty one.
    Factory Find(std::string_view name) const {
        const Entry* e = Lookup(name);
        return e ? e->factory : Factory();
    }

    // Creates an instance by name; raises EClassNotFound when no class has that name.
    Result Create(std::string_view name, Args... args) const {
        const Entry* e = Lookup(name);
        if (!e) class_registry_detail::NotFound(name);
        return e->factory(std::forward<Args>(args)...);
    }

    // The registered names in registration order.
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const Entry& e : entries_) out.push_back(e.name);
        return out;
    }

private:
    struct Entry {
        std::string name;
        Factory factory;
        const void* tag;  // identifies the class of RegisterClass; null for Register
    };

    template <class T>
    static const void* Tag() {
        static const char tag = 0;
        return &tag;
    }

    const Entry* Lookup(std::string_view name) const {
        for (const Entry& e : entries_)
            if (class_registry_detail::SameName(e.name, name)) return &e;
        return nullptr;
    }

    std::vector<Entry> entries_;
};

// Persistent classes by name, as the framework's RegisterClass and FindClass keep them.
using TPersistentClassRegistry = TClassRegistry<std::unique_ptr<TPersistent>()>;
