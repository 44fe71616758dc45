// Package-merge: the optimal prefix code whose longest code is bounded. Each of `limit`
// lists holds the counted symbols (coins of the symbol's weight) merged with packages of
// two neighbours of the next deeper list; the cheapest 2m - 2 items of the top list pick
// the coins, and a symbol's code length is the number of lists in which its coin is taken.
#include "huffman_lengths.h"

#include <algorithm>


namespace coder {

namespace {

constexpr unsigned LIST_CAPACITY = 2 * LARGEST_ALPHABET;

// Per list: whether each item is a package (else a coin), in weight order. Static: the
// coder's memory is all static, and the worker stack stays small.
bool is_package[MAX_CODE_LENGTH][LIST_CAPACITY];
std::uint32_t list_weight[2][LIST_CAPACITY];

}  // namespace

void limited_code_lengths(const std::uint32_t* counts, const unsigned n, const unsigned limit,
                          std::uint8_t* lengths) {
    // The counted symbols, lightest first; ties by symbol, so the result is reproducible.
    std::uint16_t order[LARGEST_ALPHABET];
    unsigned m = 0;
    for (unsigned s = 0; s < n; ++s) {
        lengths[s] = 0;
        if (counts[s] != 0) order[m++] = static_cast<std::uint16_t>(s);
    }
    if (m == 0) return;
    if (m == 1) {
        lengths[order[0]] = 1;
        return;
    }
    std::sort(order, order + m, [counts](const std::uint16_t a, const std::uint16_t b) {
        return counts[a] != counts[b] ? counts[a] < counts[b] : a < b;
    });

    // List 0 is the deepest: the coins alone.
    unsigned size[MAX_CODE_LENGTH];
    for (unsigned i = 0; i < m; ++i) {
        list_weight[0][i] = counts[order[i]];
        is_package[0][i] = false;
    }
    size[0] = m;
    for (unsigned level = 1; level < limit; ++level) {
        const std::uint32_t* const deeper = list_weight[(level - 1) & 1];
        std::uint32_t* const merged = list_weight[level & 1];
        const unsigned packages = size[level - 1] / 2;
        unsigned coin = 0;
        unsigned package = 0;
        unsigned k = 0;
        while (coin < m || package < packages) {
            const bool take_coin =
                package == packages ||
                (coin < m && counts[order[coin]] <= deeper[2 * package] + deeper[2 * package + 1]);
            if (take_coin) {
                merged[k] = counts[order[coin++]];
            } else {
                merged[k] = deeper[2 * package] + deeper[2 * package + 1];
                package += 1;
            }
            is_package[level][k++] = !take_coin;
        }
        size[level] = k;
    }

    // Walk down from the top list: the packages among the items taken in one list are the
    // first packages of that list, made of the first 2p items of the next deeper list.
    // Coins are merged lightest first, so the coins taken are always the lightest symbols.
    unsigned coins_taken[MAX_CODE_LENGTH];
    unsigned taken = 2 * m - 2;
    for (unsigned level = limit; level-- > 0;) {
        unsigned packages = 0;
        for (unsigned i = 0; i < taken; ++i)
            packages += is_package[level][i] ? 1 : 0;
        coins_taken[level] = taken - packages;
        taken = 2 * packages;
    }
    for (unsigned level = 0; level < limit; ++level)
        for (unsigned i = 0; i < coins_taken[level]; ++i)
            lengths[order[i]] += 1;
}

}  // namespace coder
