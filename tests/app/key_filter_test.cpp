// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "key_filter.h"

#include <gtest/gtest.h>

#include <QString>

namespace dmm {
namespace {

TEST(KeyFilter, KeepsDigitsAndEditingKeys) {
    const KeyFilter digits(KeyFilter::digits(), nullptr);
    const KeyFilter signedDigits(KeyFilter::signedDigits(), nullptr);
    struct Row {
        int key;
        const char* text;
        bool digitsKeep, signedKeep;
    } rows[] = {
        {Qt::Key_7, "7", true, true},          {Qt::Key_A, "a", false, false},
        {Qt::Key_Period, ".", false, false},   {Qt::Key_Minus, "-", false, true},
        {Qt::Key_Plus, "+", false, true},      {Qt::Key_Space, " ", false, false},
        {Qt::Key_Backspace, "\b", true, true}, {Qt::Key_Left, "", true, true},
        {Qt::Key_V, "\x16", false, false},     {Qt::Key_C, "\x03", false, false},
        {Qt::Key_X, "\x18", false, false},     {Qt::Key_Return, "\r", false, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(digits.accepts(r.key, QString::fromLatin1(r.text)), r.digitsKeep) << r.key;
        EXPECT_EQ(signedDigits.accepts(r.key, QString::fromLatin1(r.text)), r.signedKeep) << r.key;
    }
}

}  // namespace
}  // namespace dmm
