// The display list of a job: item pointers in display order. Reads like a
// double-ended queue (indexes, random-access iterators, appending), and
// inserting in the middle, as sorting while searching does for every item,
// moves at most one block of pointers and renumbers the block starts, so
// that a million sorted insertions stay cheap. The items are not owned.
#pragma once

#include <algorithm>
#include <compare>
#include <cstddef>
#include <iterator>
#include <type_traits>
#include <utility>
#include <vector>

struct FoundItem;

class ResultDeque {
    using Block = std::vector<FoundItem*>;

public:
    using value_type = FoundItem*;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = FoundItem*&;
    using const_reference = FoundItem* const&;

    // A position by index; remembers the block it last read so that walking
    // the list touches the block starts only at block ends.
    template <bool Const> class Iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = FoundItem*;
        using difference_type = std::ptrdiff_t;
        using reference = std::conditional_t<Const, FoundItem* const&, FoundItem*&>;
        using pointer = std::conditional_t<Const, FoundItem* const*, FoundItem**>;
        using List = std::conditional_t<Const, const ResultDeque, ResultDeque>;

        Iterator() = default;
        Iterator(List* list, size_type index) : m_list(list), m_index(index) {}
        operator Iterator<true>() const { return Iterator<true>(m_list, m_index); }

        reference operator*() const {
            if (m_index - m_first >= m_count) {
                const size_type block = m_list->BlockOf(m_index);
                m_first = m_list->m_starts[block];
                m_count = m_list->m_blocks[block].size();
                m_data = m_list->m_blocks[block].data();
            }
            return m_data[m_index - m_first];
        }
        pointer operator->() const { return &**this; }
        reference operator[](difference_type n) const { return *(*this + n); }

        Iterator& operator++() {
            ++m_index;
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++m_index;
            return old;
        }
        Iterator& operator--() {
            --m_index;
            return *this;
        }
        Iterator operator--(int) {
            Iterator old = *this;
            --m_index;
            return old;
        }
        Iterator& operator+=(difference_type n) {
            m_index += n;
            return *this;
        }
        Iterator& operator-=(difference_type n) {
            m_index -= n;
            return *this;
        }
        friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
        friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
        friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const Iterator& a, const Iterator& b) {
            return static_cast<difference_type>(a.m_index) -
                   static_cast<difference_type>(b.m_index);
        }
        friend bool operator==(const Iterator& a, const Iterator& b) {
            return a.m_index == b.m_index;
        }
        friend auto operator<=>(const Iterator& a, const Iterator& b) {
            return a.m_index <=> b.m_index;
        }

        size_type Index() const noexcept { return m_index; }

    private:
        List* m_list = nullptr;
        size_type m_index = 0;
        // The block last read: its first index, size and pointers.
        mutable size_type m_first = 0;
        mutable size_type m_count = 0;
        mutable std::conditional_t<Const, FoundItem* const*, FoundItem**> m_data = nullptr;
    };
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    ResultDeque() = default;
    template <typename InputIt> ResultDeque(InputIt first, InputIt last) { assign(first, last); }

    size_type size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }
    void clear() noexcept {
        m_blocks.clear();
        m_starts.clear();
        m_size = 0;
    }

    iterator begin() noexcept { return {this, 0}; }
    iterator end() noexcept { return {this, m_size}; }
    const_iterator begin() const noexcept { return {this, 0}; }
    const_iterator end() const noexcept { return {this, m_size}; }
    const_iterator cbegin() const noexcept { return begin(); }
    const_iterator cend() const noexcept { return end(); }

    reference operator[](size_type index) {
        const size_type block = BlockOf(index);
        return m_blocks[block][index - m_starts[block]];
    }
    const_reference operator[](size_type index) const {
        const size_type block = BlockOf(index);
        return m_blocks[block][index - m_starts[block]];
    }
    reference front() { return m_blocks.front().front(); }
    reference back() { return m_blocks.back().back(); }
    const_reference front() const { return m_blocks.front().front(); }
    const_reference back() const { return m_blocks.back().back(); }

    void push_back(FoundItem* item) {
        if (m_blocks.empty() || m_blocks.back().size() >= kBlockSize) {
            m_starts.push_back(m_size);
            m_blocks.emplace_back().reserve(kBlockSize);
        }
        m_blocks.back().push_back(item);
        ++m_size;
    }
    void push_front(FoundItem* item) { insert(begin(), item); }

    // Inserts before the position; gives the inserted item's position.
    iterator insert(const_iterator at, FoundItem* item) {
        const size_type index = at.Index();
        if (index >= m_size) {
            push_back(item);
            return {this, m_size - 1};
        }
        size_type block = BlockOf(index);
        Block& into = m_blocks[block];
        into.insert(into.begin() + static_cast<difference_type>(index - m_starts[block]), item);
        ++m_size;
        for (size_type later = block + 1; later < m_starts.size(); ++later)
            ++m_starts[later];
        if (into.size() >= 2 * kBlockSize)
            Split(block);
        return {this, index};
    }

    // Removes the item at the position; gives the position that follows.
    iterator erase(const_iterator at) {
        const size_type index = at.Index();
        const size_type block = BlockOf(index);
        Block& from = m_blocks[block];
        from.erase(from.begin() + static_cast<difference_type>(index - m_starts[block]));
        --m_size;
        for (size_type later = block + 1; later < m_starts.size(); ++later)
            --m_starts[later];
        if (from.empty()) {
            m_blocks.erase(m_blocks.begin() + static_cast<difference_type>(block));
            m_starts.erase(m_starts.begin() + static_cast<difference_type>(block));
        }
        return {this, index};
    }

    // Every pointer in order into `out`, which has room for size() of them:
    // a block at a time, as fast as memory copies.
    void CopyTo(FoundItem** out) const noexcept {
        for (const Block& block : m_blocks)
            out = std::copy(block.begin(), block.end(), out);
    }

    template <typename InputIt> void assign(InputIt first, InputIt last) {
        clear();
        for (; first != last; ++first)
            push_back(*first);
    }

    void swap(ResultDeque& other) noexcept {
        m_blocks.swap(other.m_blocks);
        m_starts.swap(other.m_starts);
        std::swap(m_size, other.m_size);
    }

    friend bool operator==(const ResultDeque& a, const ResultDeque& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }

private:
    // Appending fills blocks to this size; an insertion that doubles one
    // splits it in two.
    static constexpr size_type kBlockSize = 1024;

    // The block holding the index (the last block for the end).
    size_type BlockOf(size_type index) const {
        const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), index);
        return after == m_starts.begin() ? 0 : static_cast<size_type>(after - m_starts.begin()) - 1;
    }

    void Split(size_type block) {
        Block& full = m_blocks[block];
        const size_type half = full.size() / 2;
        Block second(full.begin() + static_cast<difference_type>(half), full.end());
        second.reserve(kBlockSize * 2);
        full.resize(half);
        const size_type start = m_starts[block] + half;
        m_blocks.insert(m_blocks.begin() + static_cast<difference_type>(block + 1),
                        std::move(second));
        m_starts.insert(m_starts.begin() + static_cast<difference_type>(block + 1), start);
    }

    std::vector<Block> m_blocks;
    std::vector<size_type> m_starts; // the index of each block's first item
    size_type m_size = 0;
};
