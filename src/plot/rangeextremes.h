// Lowest and highest value over any run of consecutive samples, without rescanning
// the run: the pixel reduction of a trace asks for one run per pixel column, and the
// runs of all displayed periods together cover the period many times over.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

class RangeExtremes {
public:
    struct Extremes {
        float lowest = 0;
        float highest = 0;
    };

    // Keeps a view of `values`, which must outlive this object.  Values that are not
    // finite are left out of every answer.
    explicit RangeExtremes(std::span<const float> values);

    // Extremes of the finite values among values[first..last], both included;
    // nothing when none of them is finite.
    std::optional<Extremes> over(std::size_t first, std::size_t last) const;

private:
    // Blocks of this many values are summarised in a binary tree, so a query costs two
    // partial blocks plus a logarithmic walk while the tree stays a small fraction of
    // the values themselves.
    static constexpr std::size_t kBlockSize = 32;

    void scan(std::size_t first, std::size_t end, Extremes& e) const;

    std::span<const float> values_;
    std::size_t blocks_ = 0;
    std::vector<Extremes> tree_; // node i has children 2i and 2i + 1; leaves from blocks_
};
