// A text of a date entry held in a CRecordStore: one pointer, read as a std::string_view.
#pragma once

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

// In the store a text is its length (uint32, native order, unaligned) followed by its
// characters; the handle points at the length, and the empty text is the null pointer. The
// text never changes after it is made: a new value is a new text, so handles may be copied
// freely between entries of the same store. A handle is valid while its store lives.
class CRecordText {
public:
    constexpr CRecordText() = default;

    std::uint32_t size() const {
        if (m_data == nullptr) return 0;
        std::uint32_t length = 0;
        std::memcpy(&length, m_data, sizeof length);
        return length;
    }
    bool empty() const { return m_data == nullptr; }
    std::string_view View() const {
        if (m_data == nullptr) return {};
        return {m_data + sizeof(std::uint32_t), size()};
    }
    operator std::string_view() const { return View(); }
    std::string ToString() const { return std::string(View()); }
    // Whether this is the same stored text, not merely equal characters.
    bool IsSameAs(CRecordText other) const { return m_data == other.m_data; }

    friend bool operator==(CRecordText a, std::string_view b) { return a.View() == b; }
    friend bool operator==(CRecordText a, CRecordText b) { return a.View() == b.View(); }
    friend std::ostream& operator<<(std::ostream& out, CRecordText text) {
        return out << text.View();
    }

private:
    friend class CRecordStore;
    explicit CRecordText(const char* data) : m_data(data) {}

    const char* m_data = nullptr;
};
