// The feed server that tests/support/feed_server.py runs around a test program: its addresses,
// its CA and the requests it recorded.
#pragma once

#include <map>
#include <string>
#include <vector>

class CFeedServer {
public:
    struct SRequest {
        int port = 0;
        std::string path;
        std::map<std::string, std::string> headers;  // names in lower case
    };

    // Reads the server's variables; IsRunning() is false when the program was not started
    // by feed_server.py.
    CFeedServer();

    bool IsRunning() const { return !m_http.empty(); }
    const std::string& Http() const { return m_http; }    // "http://127.0.0.1:PORT"
    const std::string& Https() const { return m_https; }  // "https://127.0.0.1:PORT"
    const std::string& CaFile() const { return m_ca; }
    // The folder whose files the servers serve as /files/NAME (native paths only).
    const std::string& FilesFolder() const { return m_files; }
    // Every request recorded so far, in order.
    std::vector<SRequest> Requests() const;
    // The requests recorded after the first `skip`, whose path is `path`.
    std::vector<SRequest> RequestsTo(const std::string& path, std::size_t skip = 0) const;

private:
    std::string m_http;
    std::string m_https;
    std::string m_ca;
    std::string m_log;
    std::string m_files;
};
