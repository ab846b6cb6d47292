// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdio>
#include <string>

namespace dmm::test {

// What a shell command writes to standard output.
inline std::string commandOutput(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

// The text of a PDF file as pdftotext -layout lays it out, pages ended by form feeds; `pages`
// may choose some ("-f 3 -l 3").
inline std::string pdfText(const std::string& pdf, const std::string& pages = "") {
    return commandOutput("pdftotext -layout " + pages + " '" + pdf + "' -");
}

}  // namespace dmm::test
