#include "store/IndexedDateTimeList.h"

const CDateTimeIndex* CIndexedDateTimeList::GetIndex() const {
    if (m_index != nullptr) return &m_index->index;
    if (m_list.GetSize() <= kScannedItems) return nullptr;
    m_index = std::make_unique<SLookup>();
    for (const CDateTime value : m_list) m_index->index.Insert(value);
    return &m_index->index;
}

void CIndexedDateTimeList::ForgetDerived() {
    m_index->hasDerived = false;
    m_index->derived.clear();
}

const std::vector<std::int64_t>* CIndexedDateTimeList::FindDerived(const DerivedKey& key) const {
    if (GetIndex() == nullptr || !m_index->hasDerived || m_index->derivedKey != key) {
        return nullptr;
    }
    return &m_index->derived;
}

const std::vector<std::int64_t>& CIndexedDateTimeList::KeepDerived(
    const DerivedKey& key, std::vector<std::int64_t> values) const {
    if (GetIndex() == nullptr) {
        // Valid until the next call on this thread, which is all a caller of a short list
        // needs.
        thread_local std::vector<std::int64_t> unkept;
        unkept = std::move(values);
        return unkept;
    }
    m_index->hasDerived = true;
    m_index->derivedKey = key;
    m_index->derived = std::move(values);
    return m_index->derived;
}

int CIndexedDateTimeList::Find(const CDateTime& value) const {
    const CDateTimeIndex* const index = GetIndex();
    if (index != nullptr && !index->Contains(value)) return -1;
    for (int i = 0; i < m_list.GetSize(); ++i) {
        if (m_list[i] == value) return i;
    }
    return -1;
}

bool CIndexedDateTimeList::Contains(const CDateTime& value) const {
    const CDateTimeIndex* const index = GetIndex();
    return index != nullptr ? index->Contains(value) : Find(value) >= 0;
}

int CIndexedDateTimeList::CountUpTo(const CDateTime& value) const {
    if (const CDateTimeIndex* const index = GetIndex()) {
        return static_cast<int>(index->CountUpTo(value));
    }
    int count = 0;
    for (const CDateTime item : m_list) count += item <= value ? 1 : 0;
    return count;
}

int CIndexedDateTimeList::Add(const CDateTime& value) {
    const int at = m_list.Add(value);
    // A value the list cannot hold as it is (a year-0 date) is indexed as it was kept.
    if (m_index != nullptr) {
        m_index->index.Insert(m_list[at]);
        ForgetDerived();
    }
    return at;
}

void CIndexedDateTimeList::RemoveAt(int index, int count) {
    if (m_index != nullptr) {
        for (int i = index; i < index + count; ++i) m_index->index.Erase(m_list[i]);
        ForgetDerived();
    }
    m_list.RemoveAt(index, count);
}

void CIndexedDateTimeList::RemoveAll() {
    if (m_index != nullptr) {
        m_index->index.Clear();
        ForgetDerived();
    }
    m_list.RemoveAll();
}

void CIndexedDateTimeList::FreeAll() {
    m_index.reset();
    m_list.FreeAll();
}
