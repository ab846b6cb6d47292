// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace dmm::test {

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir {
public:
    explicit TempDir(const std::filesystem::path& in = std::filesystem::temp_directory_path()) {
        std::string pattern = (in / "dmm-record-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace dmm::test
