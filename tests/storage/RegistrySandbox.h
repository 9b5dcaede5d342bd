#pragma once
// A configuration folder of the test's own for the registry store, so that no test touches the
// user's real settings.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <string>

#include "platform/registry/Registry.h"

class RegistrySandbox : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(configDir_.isValid());
        SetRegistryFolder(configDir_.path().toStdString());
    }
    std::string StoreFile() const { return RegistryFileName(); }
    bool StoreExists() const { return QFileInfo::exists(QString::fromStdString(StoreFile())); }
    std::string StoreText() const {
        QFile f(QString::fromStdString(StoreFile()));
        if (!f.open(QIODevice::ReadOnly)) return std::string();
        return f.readAll().toStdString();
    }
    void WriteStore(const std::string& text) {
        QFileInfo info(QString::fromStdString(StoreFile()));
        ASSERT_TRUE(QDir().mkpath(info.absolutePath()));
        QFile f(info.filePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.data(), static_cast<qint64>(text.size()));
    }
    unsigned StoreMode() const {
        struct stat st {};
        if (::stat(StoreFile().c_str(), &st) != 0) return 0;
        return st.st_mode & 0777;
    }

    QTemporaryDir configDir_;
};
