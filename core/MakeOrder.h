#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace rentabo {

struct KukuState;

// The order of the shuffled modes from one random key per position: each position's rank is the
// number of keys strictly greater than its own, and ties are broken towards later positions, so
// the result is always a permutation of 0..n−1.
std::vector<int> orderFromKeys(const std::vector<int>& keys);

// Fills order[0..n−1] with a random permutation of 0..n−1 (n is clamped to 0..81). The
// generator is reseeded from `now`, the clock in milliseconds, as the program always did.
void MakeOrder(std::array<int, 81>& order, int n, std::mt19937& rng, std::int64_t now);

// The fact asked at position i (0-based) of the chosen set [setStart, setEnd) of BuildSetList():
// in set order, or through `order` when the run is shuffled (randomFlag 1).
int factOfPosition(const KukuState& state, int i);

}  // namespace rentabo
