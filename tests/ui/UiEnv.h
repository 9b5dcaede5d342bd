#pragma once
// A fresh world for a user-interface test: its own program folder, current folder and registry,
// and helpers to write and read the files there. The current folder is changed for the test's
// life ("AgentServers.xml" is a bare name) and put back afterwards.
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/ProgramDir.h"
#include "platform/registry/Registry.h"

class UiTestEnv {
public:
    UiTestEnv() : oldCwd_(QDir::currentPath()) {
        QSettings::setPath(static_cast<QSettings::Format>(RegistryFormat()), QSettings::UserScope, configDir.path());
        SetProgramDirectory(programDir.path().toStdString() + "/");
        QDir::setCurrent(currentDir.path());
    }
    ~UiTestEnv() {
        QDir::setCurrent(oldCwd_);
        SetProgramDirectory("");
    }
    UiTestEnv(const UiTestEnv&) = delete;
    UiTestEnv& operator=(const UiTestEnv&) = delete;

    std::string ProgramFile(const std::string& name) const { return programDir.path().toStdString() + "/" + name; }
    std::string CurrentFile(const std::string& name) const { return currentDir.path().toStdString() + "/" + name; }
    QString ConfigDir() const { return configDir.path(); }

    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    QTemporaryDir programDir, currentDir, configDir;

private:
    QString oldCwd_;
};

// A contact record of a folder file, as the system writes it (UTF-8 text).
inline std::string FriendXml(const std::string& name, const std::string& login, const std::string& url,
                             const std::string& extra = "") {
    return "<Friend><Name>" + name + "</Name><Login>" + login + "</Login><URL>" + url +
           "</URL><Area></Area><Age>0</Age><VipUser>0</VipUser><PhotoCount>0</PhotoCount><WithVoice>0</WithVoice>"
           "<Intim>0</Intim><AgeRange></AgeRange>" + extra + "</Friend>";
}
inline std::string FriendsFile(const std::string& records) { return "<Friends>" + records + "</Friends>"; }
