// A string-keyed map whose iteration order is that of a 17-bucket chained hash table, with
// an auxiliary index that keeps lookups constant-time however long the chains grow.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// Iteration visits the buckets in ascending order and each chain from head to tail; a new
// name goes to the head of its bucket's chain, and replacing a value keeps the name's place.
// The bucket of a name is h mod 17 with h = 33 * h + c over its bytes, c taken as a signed
// 8-bit value, in unsigned 32-bit arithmetic.
//
// Chains are walked only while the map is small; from kIndexThreshold names on, lookups go
// through a hash index, so a document of n sections is read in time linear in n.
template <class V>
class CChainedHashMap {
public:
    static constexpr std::uint32_t kBuckets = 17;
    static constexpr std::size_t kIndexThreshold = 64;

    CChainedHashMap() { m_heads.fill(kNone); }

    static std::uint32_t Hash(std::string_view name) {
        std::uint32_t h = 0;
        for (const char c : name) {
            h = 33u * h +
                static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
        }
        return h;
    }

    std::size_t GetCount() const { return m_nodes.size(); }

    // nullptr when `name` is absent. The pointer stays valid until the next Insert or Clear.
    V* Find(std::string_view name) { return FindHashed(name, Hash(name)); }
    const V* Find(std::string_view name) const {
        return const_cast<CChainedHashMap*>(this)->FindHashed(name, Hash(name));
    }

    // Stores `value` under `name`: in place when the name exists, else as a new name at the
    // head of its chain. Returns the stored value, valid until the next Insert or Clear.
    V& Set(std::string_view name, V value) {
        const std::uint32_t hash = Hash(name);
        if (V* existing = FindHashed(name, hash)) {
            *existing = std::move(value);
            return *existing;
        }
        return Insert(name, hash, std::move(value));
    }

    // The value under `name`, inserted as `V()` first when absent.
    V& FindOrInsert(std::string_view name) {
        const std::uint32_t hash = Hash(name);
        if (V* existing = FindHashed(name, hash)) return *existing;
        return Insert(name, hash, V());
    }

    void Clear() {
        m_nodes.clear();
        m_index.clear();
        m_heads.fill(kNone);
    }

    // Calls f(name, value) for every entry in iteration order.
    template <class F>
    void ForEach(F&& f) const {
        for (const std::int32_t head : m_heads) {
            for (std::int32_t i = head; i != kNone; i = m_nodes[static_cast<std::size_t>(i)].next) {
                const Node& node = m_nodes[static_cast<std::size_t>(i)];
                f(node.name, node.value);
            }
        }
    }

private:
    static constexpr std::int32_t kNone = -1;

    struct Node {
        std::string name;
        V value;
        std::uint32_t hash;
        std::int32_t next;
    };

    V* FindHashed(std::string_view name, std::uint32_t hash) {
        if (!m_index.empty()) {
            const auto found = m_index.find(name);
            return found == m_index.end() ? nullptr
                                          : &m_nodes[static_cast<std::size_t>(found->second)].value;
        }
        for (std::int32_t i = m_heads[hash % kBuckets]; i != kNone;) {
            Node& node = m_nodes[static_cast<std::size_t>(i)];
            if (node.hash == hash && node.name == name) return &node.value;
            i = node.next;
        }
        return nullptr;
    }

    V& Insert(std::string_view name, std::uint32_t hash, V value) {
        const std::uint32_t bucket = hash % kBuckets;
        const auto position = static_cast<std::int32_t>(m_nodes.size());
        m_nodes.push_back(Node{std::string(name), std::move(value), hash, m_heads[bucket]});
        m_heads[bucket] = position;
        if (!m_index.empty()) {
            m_index.emplace(m_nodes.back().name, position);
        } else if (m_nodes.size() >= kIndexThreshold) {
            m_index.reserve(m_nodes.size() * 2);
            for (std::size_t i = 0; i < m_nodes.size(); ++i) {
                m_index.emplace(m_nodes[i].name, static_cast<std::int32_t>(i));
            }
        }
        return m_nodes.back().value;
    }

    std::vector<Node> m_nodes;  // in insertion order; the chains link them by position
    std::array<std::int32_t, kBuckets> m_heads;
    struct CViewHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>()(text);
        }
    };

    // Empty until kIndexThreshold names.
    std::unordered_map<std::string, std::int32_t, CViewHash, std::equal_to<>> m_index;
};
