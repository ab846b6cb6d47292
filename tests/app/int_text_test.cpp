// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "int_text.h"

#include <gtest/gtest.h>

#include <QString>

#include <string>

namespace dmm {
namespace {

// The window reads its integers as the recorder does (parseIntegerText, tested with the
// recorder); a text that is no integer fails the handler with the conversion message.
TEST(IntText, IntegerTextsConvertOrFailWithTheirMessage) {
    struct Row {
        const char* text;
        bool ok;
        int value;
    } rows[] = {{"-12", true, -12}, {"+5", true, 5}, {" 7", false, 0}, {"\xC2\xB5", false, 0}};
    for (const Row& r : rows) {
        if (r.ok) {
            EXPECT_EQ(integerFromText(QString::fromUtf8(r.text)), r.value) << r.text;
        } else {
            try {
                integerFromText(QString::fromUtf8(r.text));
                ADD_FAILURE() << r.text << " converted";
            } catch (const HandlerError& e) {
                EXPECT_EQ(std::string(e.what()), "'" + std::string(r.text) + "' is not a valid integer value");
            }
        }
    }
}

}  // namespace
}  // namespace dmm
