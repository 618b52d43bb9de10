#include "support/FeedServer.h"

#include <cstdlib>
#include <sstream>

#include "support/TempFolder.h"

namespace {

std::string Variable(const char* name) {
    const char* const value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

CFeedServer::CFeedServer()
    : m_http(Variable("ZF_FEED_HTTP")),
      m_https(Variable("ZF_FEED_HTTPS")),
      m_ca(Variable("ZF_FEED_CA")),
      m_log(Variable("ZF_FEED_LOG")),
      m_files(Variable("ZF_FEED_FILES")) {}

std::vector<CFeedServer::SRequest> CFeedServer::Requests() const {
    const std::vector<std::uint8_t> bytes = CTempFolder::ReadBytes(m_log);
    std::istringstream lines(std::string(bytes.begin(), bytes.end()));
    std::vector<SRequest> requests;
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string field;
        SRequest request;
        for (int index = 0; std::getline(fields, field, '\t'); ++index) {
            if (index == 0) {
                request.port = std::atoi(field.c_str());
            } else if (index == 1) {
                request.path = field;
            } else {
                const std::size_t colon = field.find(": ");
                if (colon != std::string::npos) {
                    request.headers[field.substr(0, colon)] = field.substr(colon + 2);
                }
            }
        }
        requests.push_back(request);
    }
    return requests;
}

std::vector<CFeedServer::SRequest> CFeedServer::RequestsTo(const std::string& path,
                                                           std::size_t skip) const {
    std::vector<SRequest> all = Requests();
    std::vector<SRequest> matching;
    for (std::size_t i = skip; i < all.size(); ++i) {
        if (all[i].path == path) matching.push_back(all[i]);
    }
    return matching;
}
