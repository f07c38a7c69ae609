// The store file is where it was when Qt named its folder.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QStandardPaths>
#include <optional>
#include <string>

#include "platform/posix/ini_file_store.h"

namespace {

class StorePathTest : public ::testing::Test {
  protected:
    void TearDown() override {
        Restore("HOME", home_);
        Restore("XDG_CONFIG_HOME", config_);
    }

    static std::optional<std::string> Get(const char* name) {
        const char* value = ::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    static void Restore(const char* name, const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }

    std::optional<std::string> home_ = Get("HOME"), config_ = Get("XDG_CONFIG_HOME");
};

TEST_F(StorePathTest, TheFileIsInQtsConfigFolder) {
    const std::optional<std::string> configs[] = {std::nullopt, "", "/tmp/orbek-config",
                                                  "/tmp//orbek/config/", "relative/config"};
    const std::optional<std::string> homes[] = {std::nullopt, "", "/home/user", "/home/user/",
                                                "//home//user/./x/.."};
    for (const auto& config : configs) {
        for (const auto& home : homes) {
            SCOPED_TRACE("XDG_CONFIG_HOME=" + config.value_or("(unset)") +
                         " HOME=" + home.value_or("(unset)"));
            Restore("XDG_CONFIG_HOME", config);
            Restore("HOME", home);
            const QString folder =
                QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
            EXPECT_EQ(posix::IniFileStore::PathFor(u"Orbek"),
                      (folder + "/Orbek/Orbek.ini").toStdString());
        }
    }
}

}  // namespace
