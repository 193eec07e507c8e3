#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <tuple>

#include "platform/threads.h"

namespace {

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

[[noreturn]] void Exec(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         const std::string& workingDir) {
    int fds[2];
    if (argv.empty() || pipe2(fds, O_CLOEXEC) != 0) return false;
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        for (const std::string& entry : environment) putenv(strdup(entry.c_str()));
        if (!workingDir.empty() && chdir(workingDir.c_str()) != 0) _exit(126);
        Exec(argv);
    }
    close(fds[1]);
    pid_ = pid;
    out_ = fds[0];
    return true;
}

bool ChildProcess::ReadLine(std::string* line, int timeoutMs) {
    uint64_t deadline = GetTimeMicros() + static_cast<uint64_t>(timeoutMs) * 1000;
    for (;;) {
        size_t newline = pending_.find('\n');
        if (newline != std::string::npos) {
            *line = pending_.substr(0, newline);
            pending_.erase(0, newline + 1);
            return true;
        }
        if (out_ < 0) return false;
        uint64_t now = GetTimeMicros();
        if (now >= deadline) return false;
        pollfd reader{out_, POLLIN, 0};
        if (poll(&reader, 1, static_cast<int>((deadline - now) / 1000) + 1) <= 0) continue;
        char buffer[4096];
        ssize_t got = read(out_, buffer, sizeof buffer);
        if (got <= 0) {
            close(out_);
            out_ = -1;
            continue;
        }
        pending_.append(buffer, static_cast<size_t>(got));
    }
}

bool ChildProcess::WaitForLine(const std::string& prefix, std::string* line, int timeoutMs) {
    uint64_t deadline = GetTimeMicros() + static_cast<uint64_t>(timeoutMs) * 1000;
    while (GetTimeMicros() < deadline) {
        int left = static_cast<int>((deadline - GetTimeMicros()) / 1000) + 1;
        if (!ReadLine(line, left)) return false;
        if (line->rfind(prefix, 0) == 0) return true;
    }
    return false;
}

bool ChildProcess::Signal(int signal) { return pid_ > 0 && kill(pid_, signal) == 0; }

int ChildProcess::Wait(int timeoutMs) {
    if (pid_ <= 0) return -1;
    uint64_t deadline = GetTimeMicros() + static_cast<uint64_t>(timeoutMs) * 1000;
    int status = 0;
    while (GetTimeMicros() < deadline) {
        std::string ignored;
        while (out_ >= 0 && ReadLine(&ignored, 0)) {
        }
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            return ExitCodeOf(status);
        }
        SleepMs(10);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return -1;
}

RunResult RunProgram(const std::vector<std::string>& argv, const std::string& input, int timeoutMs) {
    RunResult result;
    int in[2], out[2], err[2];
    if (argv.empty() || pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) return result;
    pid_t pid = fork();
    if (pid < 0) {
        // No child: waitpid(-1) below would reap some other child of the test.
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        return result;
    }
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        Exec(argv);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    signal(SIGPIPE, SIG_IGN);
    size_t written = 0;
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    if (input.empty()) {
        close(in[1]);
        in[1] = -1;
    }
    uint64_t deadline = GetTimeMicros() + static_cast<uint64_t>(timeoutMs) * 1000;
    bool outOpen = true, errOpen = true;
    while ((outOpen || errOpen) && GetTimeMicros() < deadline) {
        pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
        if (!outOpen) fds[0].fd = -1;
        if (!errOpen) fds[1].fd = -1;
        poll(fds, 3, 50);
        for (auto [from, open, to] : {std::make_tuple(&fds[0], &outOpen, &result.out),
                                      std::make_tuple(&fds[1], &errOpen, &result.err)}) {
            char buffer[65536];
            if (!*open || !(from->revents & (POLLIN | POLLHUP))) continue;
            ssize_t got = read(from->fd, buffer, sizeof buffer);
            if (got > 0) to->append(buffer, static_cast<size_t>(got)); else *open = false;
        }
        if (in[1] >= 0 && (fds[2].revents & (POLLOUT | POLLERR))) {
            ssize_t put = write(in[1], input.data() + written, input.size() - written);
            if (put > 0) written += static_cast<size_t>(put);
            if (put < 0 || written == input.size()) {
                close(in[1]);
                in[1] = -1;
            }
        }
    }
    if (in[1] >= 0) close(in[1]);
    close(out[0]);
    close(err[0]);
    int status = 0;
    if (outOpen || errOpen) kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    result.status = (outOpen || errOpen) ? -1 : ExitCodeOf(status);
    return result;
}
