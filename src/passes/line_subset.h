#ifndef Q9_PASSES_LINE_SUBSET_H_
#define Q9_PASSES_LINE_SUBSET_H_

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace q9 {

// Which lines of a list are members, one bit per line (line i is bit i % 64 of
// word i / 64): a row over a large script visits the lines that hold its name,
// and this keeps them in a 32nd of the room of a list of their indices.
class LineBits {
 public:
  // A set of |line_count| lines, none of them a member.
  explicit LineBits(std::size_t line_count)
      : line_count_(line_count), words_(WordsFor(line_count)) {}

  // Makes line |line| (< line_count) a member.
  void Add(std::size_t line) { words_[line / 64] |= std::uint64_t{1} << (line % 64); }
  // Leaves no line a member.
  void Clear() { std::fill(words_.begin(), words_.end(), 0); }

  std::size_t line_count() const { return line_count_; }
  std::span<const std::uint64_t> words() const { return words_; }

 private:
  static std::size_t WordsFor(std::size_t lines) { return lines / 64 + (lines % 64 != 0); }

  std::size_t line_count_;
  std::vector<std::uint64_t> words_;
};

// The members of a LineBits from line |begin| up to line |end|, ascending: a
// range that a for loop walks and that parts in two without copying.
class LineSubset {
 public:
  class Iterator {
   public:
    // At the first member in word |word| or after it.
    Iterator(const LineSubset* subset, std::size_t word)
        : subset_(subset), word_(word), members_(subset->Members(word)) {
      Settle();
    }
    std::size_t operator*() const {
      return word_ * 64 + static_cast<std::size_t>(std::countr_zero(members_));
    }
    Iterator& operator++() {
      members_ &= members_ - 1;  // drops the member just visited
      Settle();
      return *this;
    }
    bool operator!=(const Iterator& other) const {
      return word_ != other.word_ || members_ != other.members_;
    }

   private:
    // Moves on to the next word with members unless this one has some left.
    void Settle() {
      while (members_ == 0 && word_ < subset_->end_word()) members_ = subset_->Members(++word_);
    }

    const LineSubset* subset_;
    std::size_t word_;
    std::uint64_t members_;  // those of word_ not visited yet
  };

  // Every member of |bits|. |bits| must outlive the subset and its parts.
  explicit LineSubset(const LineBits& bits)
      : words_(bits.words()), begin_(0), end_(bits.line_count()) {}

  Iterator begin() const { return Iterator(this, begin_ / 64); }
  Iterator end() const { return Iterator(this, end_word()); }

  // The number of members.
  std::size_t size() const {
    std::size_t count = 0;
    for (std::size_t word = begin_ / 64; word < end_word(); ++word) {
      count += static_cast<std::size_t>(std::popcount(Members(word)));
    }
    return count;
  }

  // The first |count| members (at most size()) and the rest.
  std::pair<LineSubset, LineSubset> Split(std::size_t count) const {
    std::size_t line = end_;
    for (std::size_t word = begin_ / 64; word < end_word(); ++word) {
      std::uint64_t members = Members(word);
      const std::size_t here = static_cast<std::size_t>(std::popcount(members));
      if (here > count) {
        for (; count > 0; --count) members &= members - 1;  // drops the lowest member
        line = word * 64 + static_cast<std::size_t>(std::countr_zero(members));
        break;
      }
      count -= here;
    }
    return {LineSubset(words_, begin_, line), LineSubset(words_, line, end_)};
  }

 private:
  LineSubset(std::span<const std::uint64_t> words, std::size_t begin, std::size_t end)
      : words_(words), begin_(begin), end_(end) {}

  // One past the last word that may hold a member.
  std::size_t end_word() const { return end_ / 64 + (end_ % 64 != 0); }

  // The members in word |word|, as they lie there (none past end_word()).
  std::uint64_t Members(std::size_t word) const {
    if (word >= end_word()) return 0;
    std::uint64_t members = words_[word];
    if (word == begin_ / 64) members &= ~std::uint64_t{0} << (begin_ % 64);
    if (word == end_ / 64) members &= (std::uint64_t{1} << (end_ % 64)) - 1;
    return members;
  }

  std::span<const std::uint64_t> words_;
  std::size_t begin_;
  std::size_t end_;
};

}  // namespace q9

#endif  // Q9_PASSES_LINE_SUBSET_H_
