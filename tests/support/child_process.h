// A child program for whole-program tests: extra environment, its output read line by line
// and its exit status, each with a deadline (killed when it runs over).
#pragma once

#include <string>
#include <vector>

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // `environment` entries are "NAME=value", added to this process's own.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {},
               const std::string& workingDir = "");
    // The next line of standard output (without "\n"); false at end or timeout.
    bool ReadLine(std::string* line, int timeoutMs);
    // Reads lines until one starts with `prefix`; returns it in `line`.
    bool WaitForLine(const std::string& prefix, std::string* line, int timeoutMs);
    // The exit code (128 + signal when killed by one); -1 when it had to be killed.
    int Wait(int timeoutMs);
    bool Signal(int signal);  // to the running child; false when there is none

private:
    int pid_ = -1;
    int out_ = -1;
    std::string pending_;
};

// Runs a program to its end and captures stdout and stderr separately.
struct RunResult {
    int status = -1;
    std::string out, err;
};
RunResult RunProgram(const std::vector<std::string>& argv, const std::string& input = "", int timeoutMs = 60000);
