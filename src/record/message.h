// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace dmm {

// A message box for the user: caption "Information" with the information icon, or "Error"
// with the error icon, and one OK button. The recorder and the file commands return these;
// the window shows them through its dialogs.
struct Message {
    enum class Kind { Information, Error };
    Kind kind = Kind::Information;
    std::string text;

    std::string_view caption() const { return kind == Kind::Error ? "Error" : "Information"; }
    bool operator==(const Message&) const = default;
};

inline Message information(std::string text) {
    return {Message::Kind::Information, std::move(text)};
}
inline Message error(std::string text) { return {Message::Kind::Error, std::move(text)}; }

// Shows a message and returns once the user has closed it.
using ShowMessage = std::function<void(const Message&)>;

}  // namespace dmm
