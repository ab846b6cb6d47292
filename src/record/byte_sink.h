// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <string_view>

namespace dmm {

// Takes the next piece of a file's bytes; false when they cannot be written.
using ByteSink = std::function<bool(std::string_view)>;

}  // namespace dmm
