// A piece of a test run in a child process (Linux only), so that a call that blocks for
// good, a deliberate kill or several processes at once end or race in children, not in the
// test itself.
#pragma once

#include <functional>
#include <string>

#ifndef _WIN32
#include <sys/types.h>

class CChildProcess {
public:
    // Forks a child that runs `body` and ends with its result (0..255) without running any
    // destructor of the parent's objects. The child is killed by SIGALRM when it has not
    // ended within `limitSeconds`: a guard against a call that blocks for good, not a time
    // measure. `body` may write its report into the descriptor it is given.
    CChildProcess(const std::function<int(int outputFd)>& body, unsigned limitSeconds);
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;
    // Kills and reaps a child that was not waited for.
    ~CChildProcess();

    // Ends the child at once with SIGKILL.
    void Kill();
    // Waits for the child's end. Its result, or the negated signal that ended it (-SIGALRM:
    // it ran out of time); below -1000 when the child could not be started. `output`
    // receives its report.
    int Wait(std::string& output);

    // Starts a child and waits for it.
    static int Run(const std::function<int(int outputFd)>& body, unsigned limitSeconds,
                   std::string& output);

private:
    pid_t m_pid = -1;
    int m_output = -1;
};
#endif
