#pragma once
// Runs a command through the shell, as a test checks the program's files with
// independent tools (unzip, pdfinfo, qpdf).

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace nevalorum::testing {

struct CommandResult {
    int ExitCode = -1;
    std::string Output;  // standard output and standard error
};

inline CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.Output.append(buffer, count);
    }
    const int status = pclose(pipe);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace nevalorum::testing
