#pragma once
// The contacts page's tests: a data module over a registry folder and a program folder of the
// test's own, record files written into that folder, and small helpers.
#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "platform/ProgramDir.h"
#include "platform/registry/Registry.h"
#include "storage/DataModuleUnit.h"
#include "ui/FileReadErrors.h"

inline void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// One contact record; every field is written as text (UTF-8 in the file, cp1251 here).
struct Rec {
    std::string name, age, area, url, vip = "0", photos = "0", voice = "0", intim = "0", newMessage = "0";
};

std::string FriendsXml(const std::vector<Rec>& records);

class DataModuleTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Writes a file into the program folder (bytes as given).
    void WriteFile(const std::string& name, const std::string& bytes) const;
    std::string ReadFile(const std::string& name) const;
    std::string Path(const std::string& name) const { return dir.path().toStdString() + "/" + name; }

    QTemporaryDir registryDir;
    QTemporaryDir dir;
    std::unique_ptr<TdmFriend> dm;
};
