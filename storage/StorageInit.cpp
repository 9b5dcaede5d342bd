#include "storage/StorageInit.h"

#include "platform/ClassRegistry.h"
#include "storage/SettingsUnit.h"

namespace storage {

void initialise() { TPersistentClassRegistry::Global().RegisterClass<TPropertyGroup>("TPropertyGroup"); }

}  // namespace storage
