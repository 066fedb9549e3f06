// Reduction in two steps, both on the weighted points (Oklab L, a, b and alpha):
// - a variance-based median cut: the box of points with the largest weighted squared error is
//   split, across its axis of largest variance, where the two halves' errors add up least (as
//   Wu's quantizer splits, but on the points themselves rather than a grid of moments, so
//   the split follows the picture's colours in Oklab);
// - k-means (Lloyd's iterations) from the boxes' means, each point going to its nearest
//   centre, until no point moves or kMaxRounds.
// Everything runs in a fixed order on doubles with +, -, *, /, so the result is the same on
// every build (see oklab.h).
#include "quantize.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <utility>

#include "oklab.h"

namespace varnel {
namespace {

constexpr std::size_t kDims = 4;  // L, a, b, alpha (0 to 1)
constexpr int kMaxRounds = 12;

using Point = std::array<double, kDims>;

double Distance(const Point& p, const Point& q) noexcept {
  double sum = 0;
  for (std::size_t d = 0; d < kDims; ++d) sum += (p[d] - q[d]) * (p[d] - q[d]);
  return sum;
}

// Weighted sums of a set of points: their weight, position and squared length.
struct Moments {
  double weight = 0, squares = 0;
  Point sum{};
  void Add(const Point& p, double w) noexcept {
    weight += w;
    for (std::size_t d = 0; d < kDims; ++d) {
      sum[d] += w * p[d];
      squares += w * p[d] * p[d];
    }
  }
  // The weighted squared error about their mean.
  double Error() const noexcept {
    if (weight <= 0) return 0;
    double centred = 0;
    for (std::size_t d = 0; d < kDims; ++d) centred += sum[d] * sum[d];
    return std::max(0.0, squares - centred / weight);
  }
  Point Mean() const noexcept {
    Point mean{};
    for (std::size_t d = 0; d < kDims; ++d) mean[d] = sum[d] / weight;
    return mean;
  }
};

struct Box {
  std::size_t begin, end;  // into the order of points
  double error;
};

class Reducer {
 public:
  explicit Reducer(std::span<const ColorCell> cells) {
    for (const ColorCell& cell : cells) {
      if (cell.pixels == 0) continue;
      const auto n = static_cast<double>(cell.pixels);
      const Oklab lab =
          OklabOf(static_cast<double>(cell.sums[0]) / n, static_cast<double>(cell.sums[1]) / n,
                  static_cast<double>(cell.sums[2]) / n);
      points_.push_back({lab.l, lab.a, lab.b, static_cast<double>(cell.sums[3]) / n / 255});
      weights_.push_back(n);
    }
    order_.resize(points_.size());
    std::iota(order_.begin(), order_.end(), std::size_t{0});
  }

  std::vector<Representative> Run(std::size_t most) {
    if (points_.empty()) return {};
    std::vector<Point> centres = Cut(most);
    Refine(centres);
    return Representatives(centres);
  }

 private:
  Moments MomentsOf(std::size_t begin, std::size_t end) const noexcept {
    Moments m;
    for (std::size_t i = begin; i < end; ++i) m.Add(points_[order_[i]], weights_[order_[i]]);
    return m;
  }

  // Median cut to at most `most` boxes; their means.
  std::vector<Point> Cut(std::size_t most) {
    std::vector<Box> boxes{{0, points_.size(), MomentsOf(0, points_.size()).Error()}};
    while (boxes.size() < most) {
      const auto widest = std::ranges::max_element(boxes, {}, &Box::error);  // first of equals
      if (widest->error <= 0 || widest->end - widest->begin < 2) break;
      const Box box = *widest;
      const std::size_t at = Split(box);
      *widest = {box.begin, at, MomentsOf(box.begin, at).Error()};
      boxes.push_back({at, box.end, MomentsOf(at, box.end).Error()});
    }
    std::vector<Point> centres;
    for (const Box& box : boxes) centres.push_back(MomentsOf(box.begin, box.end).Mean());
    return centres;
  }

  // Orders the box's points along its axis of largest variance and returns where the two
  // halves' errors add up least.
  std::size_t Split(const Box& box) {
    const Moments all = MomentsOf(box.begin, box.end);
    const Point mean = all.Mean();
    Point spread{};
    for (std::size_t i = box.begin; i < box.end; ++i)
      for (std::size_t d = 0; d < kDims; ++d) {
        const double off = points_[order_[i]][d] - mean[d];
        spread[d] += weights_[order_[i]] * off * off;
      }
    const auto axis = static_cast<std::size_t>(std::ranges::max_element(spread) - spread.begin());
    const auto first = order_.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto last = order_.begin() + static_cast<std::ptrdiff_t>(box.end);
    std::sort(first, last, [&](std::size_t p, std::size_t q) {
      const double x = points_[p][axis], y = points_[q][axis];
      return x < y || (x == y && p < q);  // a total order: the same on every build
    });
    Moments left;
    std::size_t best = box.begin + 1;
    double bestError = -1;
    for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
      left.Add(points_[order_[i]], weights_[order_[i]]);
      if (points_[order_[i]][axis] == points_[order_[i + 1]][axis]) continue;
      Moments right = all;
      right.weight -= left.weight;
      right.squares -= left.squares;
      for (std::size_t d = 0; d < kDims; ++d) right.sum[d] -= left.sum[d];
      const double error = left.Error() + right.Error();
      if (bestError < 0 || error < bestError) {
        bestError = error;
        best = i + 1;
      }
    }
    return best;
  }

  // The centre nearest to `p`: centres are kept in order of L, so the search starts at the
  // nearest L and stops on each side once L alone is farther than the best found.
  std::size_t Nearest(const Point& p, const std::vector<Point>& centres) const noexcept {
    const auto start = static_cast<std::size_t>(
        std::ranges::lower_bound(centres, p[0], {}, [](const Point& c) { return c[0]; }) -
        centres.begin());
    std::size_t best = start < centres.size() ? start : centres.size() - 1;
    double bestDistance = Distance(p, centres[best]);
    for (std::size_t i = best + 1; i < centres.size(); ++i) {
      const double dl = centres[i][0] - p[0];
      if (dl * dl > bestDistance) break;
      if (const double d = Distance(p, centres[i]); d < bestDistance) bestDistance = d, best = i;
    }
    for (std::size_t i = best; i-- > 0;) {
      const double dl = p[0] - centres[i][0];
      if (dl * dl > bestDistance) break;
      if (const double d = Distance(p, centres[i]); d < bestDistance) bestDistance = d, best = i;
    }
    return best;
  }

  // Orders the centres by L (see Nearest), the points' centres following them.
  void SortByLightness(std::vector<Point>& centres) {
    std::vector<std::size_t> order(centres.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::ranges::sort(order, [&](std::size_t x, std::size_t y) {
      return centres[x] < centres[y] || (centres[x] == centres[y] && x < y);
    });
    std::vector<Point> sorted;
    std::vector<std::size_t> place(centres.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
      sorted.push_back(centres[order[i]]);
      place[order[i]] = i;
    }
    centres = std::move(sorted);
    for (std::size_t& to : assigned_)
      if (to != SIZE_MAX) to = place[to];
  }

  void Refine(std::vector<Point>& centres) {
    assigned_.assign(points_.size(), SIZE_MAX);
    SortByLightness(centres);
    for (int round = 0;; ++round) {
      bool moved = false;
      std::vector<Moments> sums(centres.size());
      for (std::size_t i = 0; i < points_.size(); ++i) {
        const std::size_t to = Nearest(points_[i], centres);
        moved |= to != assigned_[i];
        assigned_[i] = to;
        sums[to].Add(points_[i], weights_[i]);
      }
      if (!moved || round == kMaxRounds) return;
      for (std::size_t c = 0; c < centres.size(); ++c)
        if (sums[c].weight > 0) centres[c] = sums[c].Mean();  // an empty centre stays
      SortByLightness(centres);
    }
  }

  std::vector<Representative> Representatives(const std::vector<Point>& centres) const {
    // Each centre is the mean of the points nearest to it.
    std::vector<Moments> members(centres.size());
    for (std::size_t i = 0; i < points_.size(); ++i)
      members[assigned_[i]].Add(points_[i], weights_[i]);
    std::vector<Representative> out;
    for (const Moments& m : members) {
      if (m.weight <= 0) continue;
      const Point p = m.Mean();
      const auto alpha = static_cast<std::uint8_t>(std::clamp(p[3] * 255 + 0.5, 0.0, 255.0));
      Representative r{SrgbOf({p[0], p[1], p[2]}), alpha, static_cast<std::uint64_t>(m.weight)};
      // Two centres that round to one colour are one.
      const auto same = std::ranges::find_if(
          out, [&](const Representative& o) { return o.color == r.color && o.alpha == r.alpha; });
      if (same != out.end())
        same->pixels += r.pixels;
      else
        out.push_back(r);
    }
    std::ranges::stable_sort(out, std::greater<>{}, &Representative::pixels);
    return out;
  }

  std::vector<Point> points_;
  std::vector<double> weights_;
  std::vector<std::size_t> order_;     // the points, box after box
  std::vector<std::size_t> assigned_;  // each point's centre
};

}  // namespace

std::vector<Representative> Quantize(std::span<const ColorCell> cells, std::size_t most) {
  return Reducer(cells).Run(std::max<std::size_t>(most, 1));
}

}  // namespace varnel
