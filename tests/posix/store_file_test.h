#pragma once
// A test with a store file of its own: the config and runtime folders point
// into a temporary folder, never at the user's.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/ini_file_store.h"

class StoreFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "orbek-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
        ::setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", home_.c_str(), 1);
        path_ = posix::IniFileStore::PathFor(u"Orbek");
    }
    void TearDown() override { std::filesystem::remove_all(home_); }

    std::string Folder() const { return std::filesystem::path(path_).parent_path(); }

    void WriteFile(std::string_view bytes) {
        std::filesystem::create_directories(Folder());
        std::ofstream file(path_, std::ios::binary | std::ios::trunc);
        ASSERT_TRUE(file) << path_;
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    std::string ReadFile() const {
        std::ifstream file(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    // The names of the files in the store's folder, hidden ones too, in order.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(Folder(), ignored)) {
            if (entry.is_regular_file()) names.push_back(entry.path().filename());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Those of `names` that hold `part`.
    static std::vector<std::string> Holding(const std::vector<std::string>& names,
                                            std::string_view part) {
        std::vector<std::string> held;
        for (const auto& name : names) {
            if (name.find(part) != std::string::npos) held.push_back(name);
        }
        return held;
    }

    std::string home_;
    std::string path_;
};
