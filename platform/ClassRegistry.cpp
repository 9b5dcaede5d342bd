#include "platform/ClassRegistry.h"

#include "platform/Strings.h"

namespace class_registry_detail {

bool SameName(std::string_view a, std::string_view b) { return SameText(a, b); }

void NotFound(std::string_view name) { throw EClassNotFound("Class " + std::string(name) + " not found"); }

void AlreadyRegistered(std::string_view name) {
    throw EClassRegistered("A class named " + std::string(name) + " already exists");
}

}  // namespace class_registry_detail
