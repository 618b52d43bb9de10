// Where the console program's texts go: results on stdout, errors on stderr, and how much
// is said between them (-q, -v).
#pragma once

#include <ostream>
#include <string>

enum class EVerbosity { Quiet, Normal, Verbose };

class CConsoleOutput {
public:
    // REQUIRES: both streams outlive this object.
    CConsoleOutput(std::ostream& out, std::ostream& err, EVerbosity verbosity)
        : m_out(out), m_err(err), m_verbosity(verbosity) {}

    // The stream for what the command was asked to produce (a listing, findings); written
    // whatever the verbosity.
    std::ostream& Out() { return m_out; }
    // The stream for error lines that carry their own prefix (a time stamp).
    std::ostream& Err() { return m_err; }
    // A line about what was done ("Sync successful: ..."), left out with -q.
    void Info(const std::string& line);
    // A line that only -v asks for.
    void Detail(const std::string& line);
    // An error line, "zelvarofeed: " + `line`, on stderr; never left out.
    void Error(const std::string& line);

    // Flushes stdout. When a write to it failed, now or before, reports `what` with the
    // system's reason ("No space left on device") where it is known, once per run, and
    // returns false.
    bool FlushOut(const std::string& what = "cannot write to standard output");

    bool IsQuiet() const { return m_verbosity == EVerbosity::Quiet; }
    bool IsVerbose() const { return m_verbosity == EVerbosity::Verbose; }

private:
    std::ostream& m_out;
    std::ostream& m_err;
    EVerbosity m_verbosity;
    bool m_outFailureReported = false;
};
