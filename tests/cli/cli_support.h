// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace cli_test {

struct Run {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a shell command line and collects its standard output and the standard error of its
// last command.
inline Run shell(const std::string& command) {
    char errPath[] = "/tmp/dmmcli_err_XXXXXX";
    const int fd = mkstemp(errPath);
    if (fd >= 0) close(fd);
    const std::string cmd = command + " 2>" + std::string(errPath);
    Run run;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return run;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) run.out.append(buf.data(), n);
    const int rc = pclose(p);
    run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    std::ifstream e(errPath);
    std::stringstream ss;
    ss << e.rdbuf();
    run.err = ss.str();
    std::remove(errPath);
    return run;
}

// Runs dmmcli with the arguments (a shell-quoted string) and collects its outputs. `prefix`
// goes before the program, e.g. "env -u DISPLAY".
inline Run dmmcli(const std::string& args, const std::string& stdinFile = "",
                  const std::string& prefix = "") {
    std::string cmd = (prefix.empty() ? "" : prefix + " ") + std::string(DMMCLI_PATH) + " " + args;
    if (!stdinFile.empty()) cmd += " < '" + stdinFile + "'";
    return shell(cmd);
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

inline std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : line) {
        if (c == '\t') {
            out.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    out.push_back(cur);
    return out;
}

}  // namespace cli_test
