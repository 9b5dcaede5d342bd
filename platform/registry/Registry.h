#pragma once
// The registry as the system uses it: two roots, keys as "\"-separated paths, values of two
// kinds (REG_DWORD and REG_SZ). Names and strings are cp1251 text.
//
// HKEY_CURRENT_USER lives in one file of the user's configuration folder, in a text format of our
// own that keeps each value's kind; QSettings' user path for our format places it:
//   <config>/VelmoraAgent/HKEY_CURRENT_USER.hive
// (tests move <config> with QSettings::setPath(RegistryFormat(), QSettings::UserScope, dir)).
// Each object reads the file itself (again when another save has replaced it) and keeps its
// changes until Flush or CloseKey writes them, by whole-file replacement. A write that fails
// raises, drops those changes and leaves the file as it was.
// A save reads the file, merges its changes and replaces the file under an exclusive lock on
// "<store>.lock" (an flock, so a process that dies holds nothing), so that two processes saving at
// once keep each other's values; a save that cannot have the lock within a bound fails.
// The file holds the password, so it is created with mode 0600 and folders we create get 0700.
// A store that cannot be read reads as empty. A line of it that cannot be read is skipped on its
// own; before a write replaces a store with such lines, it is copied unchanged to "<store>.bak".
//
// HKEY_CLASSES_ROOT is read-only and holds what the system's MIME list says: a key per file
// extension (".png") with the value "Content Type", and a key per content type under
// "MIME\Database\Content Type" with the value "Extension" (".png"). It may be empty.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Exceptions.h"

class TStringList;

VA_DECLARE_EXCEPTION(ERegistryException, Exception)

using HKEY = std::uintptr_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;

enum TRegDataType { rdUnknown, rdString, rdInteger };

class TRegistry {
public:
    TRegistry();  // root HKEY_CURRENT_USER, no key open
    ~TRegistry(); // closes the key; a write that fails here is lost, so callers CloseKey first
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return root_; }
    void SetRootKey(HKEY root); // closes the open key; any other value raises
    // The open key's path without a leading "\" ('' at the root or when none is open).
    const std::string& CurrentPath() const { return path_; }

    // Paths beginning with "\" start at the root, others at the open key; empty segments are
    // skipped. Names are compared exactly (case-sensitive).
    bool KeyExists(const std::string& key);
    // False when the key is missing and canCreate is false, or when the root is read-only.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    // Writes what changed (as Flush) and closes the key; raises when the store cannot be written.
    void CloseKey();
    bool HasSubKeys();
    void GetKeyNames(TStringList& names);   // sub-keys of the open key, in name order
    void GetValueNames(TStringList& names); // values of the open key, in name order

    bool ValueExists(const std::string& name);
    TRegDataType GetDataType(const std::string& name); // rdUnknown when there is no such value
    // Raise ERegistryException "Invalid data type for '<name>'" when the value is missing or of
    // the other kind; ReadString gives '' for a missing value.
    int ReadInteger(const std::string& name);
    std::string ReadString(const std::string& name);
    // Raise ERegistryException "Failed to set data for '<name>'" without a key open for writing.
    void WriteInteger(const std::string& name, int value);
    void WriteString(const std::string& name, const std::string& value);
    bool DeleteValue(const std::string& name);
    // Stores pending changes now; raises ERegistryException when they cannot be written, and the
    // changes are then dropped.
    void Flush();

    struct Impl;

private:
    std::string Resolve(const std::string& key) const;
    Impl& Store();

    HKEY root_ = HKEY_CURRENT_USER;
    std::string path_;
    bool open_ = false;
    bool writable_ = false;
    bool dirty_ = false;
    std::unique_ptr<Impl> impl_;
};

// The QSettings format under which HKEY_CURRENT_USER is kept (registered on first use).
// Declared as int so that this header needs no Qt; cast to QSettings::Format.
int RegistryFormat();
// The file that backs HKEY_CURRENT_USER under the current QSettings user path. Paths here are
// file-system paths (the local 8-bit encoding, UTF-8 on Debian), not cp1251 text.
std::string RegistryFileName();
// Points HKEY_CURRENT_USER at <dir>/VelmoraAgent/HKEY_CURRENT_USER.hive (QSettings::setPath for
// our format): tests give each run a folder of its own so the user's settings are never touched.
void SetRegistryFolder(const std::string& dir);

// Seams for tests of saves in several processes: the longest a save waits for the lock (5 s by
// default), and a hook the saving process calls at the steps named here.
enum class TRegistrySaveStep {
    LockBusy,  // another save holds the lock: this one waits
    Read,      // the lock is held and the store read; the write comes next
};
void SetRegistrySaveSeams(std::chrono::milliseconds lockWait, std::function<void(TRegistrySaveStep)> hook);
