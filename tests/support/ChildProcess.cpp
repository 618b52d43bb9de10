#include "support/ChildProcess.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>

CChildProcess::CChildProcess(const std::function<int(int outputFd)>& body, unsigned limitSeconds) {
    int channel[2];
    if (pipe(channel) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
        close(channel[0]);
        alarm(limitSeconds);
        _exit(body(channel[1]) & 0xFF);
    }
    close(channel[1]);
    if (m_pid < 0) {
        close(channel[0]);
        return;
    }
    m_output = channel[0];
}

CChildProcess::~CChildProcess() {
    if (m_pid > 0) {
        Kill();
        std::string ignored;
        Wait(ignored);
    }
    if (m_output >= 0) close(m_output);
}

void CChildProcess::Kill() {
    if (m_pid > 0) kill(m_pid, SIGKILL);
}

int CChildProcess::Wait(std::string& output) {
    output.clear();
    if (m_pid <= 0) return -1001;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(m_output, buffer, sizeof buffer);
        if (got <= 0) break;
        output.append(buffer, static_cast<std::size_t>(got));
    }
    int status = 0;
    const pid_t pid = std::exchange(m_pid, -1);
    if (waitpid(pid, &status, 0) != pid) return -1002;
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return WEXITSTATUS(status);
}

int CChildProcess::Run(const std::function<int(int outputFd)>& body, unsigned limitSeconds,
                       std::string& output) {
    CChildProcess child(body, limitSeconds);
    return child.Wait(output);
}
#endif
