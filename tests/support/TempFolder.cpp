#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace {
std::atomic<unsigned> g_counter{0};
}

CTempFolder::CTempFolder() {
    const fs::path base = fs::temp_directory_path();
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const fs::path candidate =
            base / ("zf-test-" + std::to_string(stamp) + "-" + std::to_string(g_counter++));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            m_path = (candidate / "").string();
            return;
        }
    }
}

CTempFolder::~CTempFolder() {
    if (m_path.empty()) return;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(m_path, error)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(m_path, error);
}

std::vector<std::string> CTempFolder::List() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_path, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool CTempFolder::WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> CTempFolder::ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

bool CTempFolder::Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

bool CTempFolder::MakeSymbolicLink(const std::string& target, const std::string& link) {
    std::error_code error;
    fs::create_symlink(target, link, error);
    if (!error && fs::is_symlink(link, error)) return true;
#ifdef _WIN32
    std::cout << "[   NOTE   ] no symbolic link can be made here: its cases are not run\n";
#else
    ADD_FAILURE() << "no symbolic link could be made at " << link;
#endif
    return false;
}
