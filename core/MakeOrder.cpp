#include "core/MakeOrder.h"

#include "core/KukuState.h"
#include "core/KukuTables.h"

#include <algorithm>

namespace rentabo {

std::vector<int> orderFromKeys(const std::vector<int>& keys) {
    const auto n = keys.size();
    std::vector<int> rank(n, 0);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            if (keys[j] > keys[i]) ++rank[i];
    // Equal keys share a rank and leave the ranks just above it free; hand those out in order.
    for (std::size_t i = 0; i < n; ++i) {
        int next = rank[i] + 1;
        const int shared = rank[i];
        for (std::size_t j = i + 1; j < n; ++j)
            if (rank[j] == shared) rank[j] = next++;
    }
    return rank;
}

void MakeOrder(std::array<int, 81>& order, int n, std::mt19937& rng, std::int64_t now) {
    n = std::clamp(n, 0, 81);
    rng.seed(static_cast<std::mt19937::result_type>(now));
    std::uniform_int_distribution<int> key(0, 98);
    std::vector<int> keys(static_cast<std::size_t>(n));
    for (auto& k : keys) k = key(rng);
    const auto ranks = orderFromKeys(keys);
    std::copy(ranks.begin(), ranks.end(), order.begin());
}

int factOfPosition(const KukuState& state, int i) {
    const int offset = state.randomFlag == 1 ? state.order[std::size_t(std::clamp(i, 0, 80))] : i;
    return BuildSetList()[std::size_t(std::clamp(state.setStart + offset, 0, 80))];
}

}  // namespace rentabo
