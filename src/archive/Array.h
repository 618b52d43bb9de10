// A growable array holding its elements by value in one block, with the calendar's growth
// rule and order-keeping removal.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Capacity rule: when an element is added beyond the capacity, the capacity grows by the
// growth step or, when the step is 0, by size/8 clamped to 4..1024, and at least to the
// requested size. Indices are int, as in the stored files' counts.
template <class T>
class CArray {
public:
    CArray() = default;

    int GetSize() const { return static_cast<int>(m_data.size()); }
    int GetCapacity() const { return static_cast<int>(m_data.capacity()); }
    bool IsEmpty() const { return m_data.empty(); }
    int GetGrowBy() const { return m_nGrowBy; }

    // Sets the size; new elements are value-initialised. A negative `growBy` keeps the step.
    void SetSize(int size, int growBy = -1) {
        if (growBy >= 0) m_nGrowBy = growBy;
        if (size < 0) size = 0;
        Reserve(static_cast<std::size_t>(size));
        m_data.resize(static_cast<std::size_t>(size));
    }
    // Makes room for at least `capacity` elements, in a block of exactly that size when the
    // array has less room; the elements and the growth step stay. For filling an array whose
    // final size is known without the growth rule's spare room.
    void EnsureCapacity(int capacity) {
        if (capacity > 0) m_data.reserve(static_cast<std::size_t>(capacity));
    }
    void RemoveAll() { m_data.clear(); }
    // Releases the storage as well as the elements.
    void FreeAll() { std::vector<T>().swap(m_data); }

    // REQUIRES: 0 <= index < GetSize().
    T& operator[](int index) { return m_data[static_cast<std::size_t>(index)]; }
    const T& operator[](int index) const { return m_data[static_cast<std::size_t>(index)]; }
    T& ElementAt(int index) { return (*this)[index]; }
    const T& GetAt(int index) const { return (*this)[index]; }
    void SetAt(int index, const T& value) { (*this)[index] = value; }

    // Appends a copy; returns its index. `value` may be an element of this array.
    int Add(const T& value) {
        if (m_data.size() < m_data.capacity()) {
            m_data.push_back(value);
        } else {
            T copy(value);  // growing moves the elements `value` may refer to
            Reserve(m_data.size() + 1);
            m_data.push_back(std::move(copy));
        }
        return GetSize() - 1;
    }
    int Add(T&& value) {
        if (m_data.size() < m_data.capacity()) {
            m_data.push_back(std::move(value));
        } else {
            T moved(std::move(value));
            Reserve(m_data.size() + 1);
            m_data.push_back(std::move(moved));
        }
        return GetSize() - 1;
    }
    // Appends an element made of `args` in place; returns it. No argument may refer to an
    // element of this array.
    template <class... TArgs>
    T& Emplace(TArgs&&... args) {
        Reserve(m_data.size() + 1);
        return m_data.emplace_back(std::forward<TArgs>(args)...);
    }
    // Removes `count` elements from `index`; later elements move down and keep their order.
    // REQUIRES: 0 <= index, index + count <= GetSize().
    void RemoveAt(int index, int count = 1) {
        auto first = m_data.begin() + index;
        m_data.erase(first, first + count);
    }
    // Appends every element of `other`, which may be this array or any list with GetSize and
    // an operator[] that gives elements.
    template <class TList>
    void Append(const TList& other) {
        const int count = other.GetSize();
        Reserve(m_data.size() + static_cast<std::size_t>(count));
        // Index-based: appending to itself must copy only the elements present at the start.
        for (int i = 0; i < count; ++i) m_data.push_back(other[i]);
    }

    // The elements in one block, GetCapacity() long.
    T* GetData() { return m_data.data(); }

    auto begin() { return m_data.begin(); }
    auto end() { return m_data.end(); }
    auto begin() const { return m_data.begin(); }
    auto end() const { return m_data.end(); }

private:
    void Reserve(std::size_t wanted) {
        const std::size_t capacity = m_data.capacity();
        if (wanted <= capacity) return;
        std::size_t step = static_cast<std::size_t>(m_nGrowBy);
        if (step == 0) step = std::clamp<std::size_t>(m_data.size() / 8, 4, 1024);
        m_data.reserve(std::max(wanted, capacity + step));
    }

    std::vector<T> m_data;
    int m_nGrowBy = 0;
};

using CStringArray = CArray<std::string>;
