#pragma once
// Start-up of the storage subsystem, called from main and the test mains before anything else of
// storage is used.
namespace storage {
// Registers the persistent classes of storage by name (TPropertyGroup). Safe to call again.
void initialise();
}  // namespace storage
