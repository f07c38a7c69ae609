#pragma once
// A test with a store file of its own: the config and runtime folders point
// into a temporary folder, never at the user's.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <string>

#include "platform/qt/qt_settings.h"

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("XDG_CONFIG_HOME", home_.path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", home_.path().toUtf8());
        path_ = qtrt::QtSettingsBackend::PathFor(u"Orbek");
    }

    void WriteFile(const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path_).absolutePath());
        QFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    std::string ReadFile() {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }

    // The files in the store's folder.
    QStringList Entries() {
        return QDir(QFileInfo(path_).absolutePath()).entryList(QDir::Files | QDir::Hidden);
    }

    QTemporaryDir home_;
    QString path_;
};
