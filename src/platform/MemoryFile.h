// An in-memory CFile over a byte vector, for code and tests that need a file without the file
// system, with switches that make reads or writes fail part-way like a failing device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "platform/File.h"

// Behaves like a file opened for reading and writing: one position, starting at 0, shared by
// reads and writes; a write past the end extends the data, a write inside it overwrites.
// Platform-neutral: built on the CFile interface alone, usable by every build and test.
class CMemoryFile : public CFile {
public:
    static constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

    CMemoryFile() = default;
    explicit CMemoryFile(std::vector<std::uint8_t> data) : m_data(std::move(data)) {}

    bool Read(void* buffer, std::size_t count, std::size_t& read) override;
    bool Write(const void* buffer, std::size_t count) override;
    bool GetLength(std::uint64_t& length) override;
    bool GetPosition(std::uint64_t& position) override;
    bool Flush() override;

    // The whole content, independent of the position.
    const std::vector<std::uint8_t>& GetData() const { return m_data; }
    // Replaces the content and moves the position to 0.
    void SetData(std::vector<std::uint8_t> data);
    // Moves the position; a position past the end reads nothing and a write there fills the
    // gap with zero bytes.
    void SetPosition(std::uint64_t position) { m_position = position; }

    // Fault injection, like a device that breaks in the middle of a transfer. Each switch
    // sets a budget of bytes counted from the moment it is set: a Read that would deliver
    // more than the rest of the read budget delivers the bytes up to it and returns false
    // (a read at the end of the data still returns true with 0 bytes); a Write that would
    // store more than the rest of the write budget stores the bytes up to it and returns
    // false. kNoLimit switches the fault off.
    void FailReadAfter(std::size_t bytes);
    void FailWriteAfter(std::size_t bytes);
    // Makes GetLength and GetPosition fail (or succeed again).
    void FailQueries(bool fail) { m_failQueries = fail; }

private:
    std::vector<std::uint8_t> m_data;
    std::uint64_t m_position = 0;
    std::size_t m_readBudget = kNoLimit;
    std::size_t m_writeBudget = kNoLimit;
    bool m_failQueries = false;
};
