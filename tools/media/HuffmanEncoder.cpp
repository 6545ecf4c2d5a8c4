#include "HuffmanEncoder.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

namespace qm {
namespace {

// Depth of every leaf of a Huffman tree over the given (count, symbol) leaves.
int TreeDepths(const std::vector<std::pair<std::uint64_t, int>>& leaves, std::uint8_t* lengths) {
  const int n = static_cast<int>(leaves.size());
  std::vector<int> parent(2 * n, -1);
  using Node = std::pair<std::uint64_t, int>;
  std::priority_queue<Node, std::vector<Node>, std::greater<Node>> heap;
  for (int i = 0; i < n; ++i) heap.push({leaves[i].first, i});
  int next = n;
  while (heap.size() > 1) {
    const Node a = heap.top();
    heap.pop();
    const Node b = heap.top();
    heap.pop();
    parent[a.second] = parent[b.second] = next;
    heap.push({a.first + b.first, next++});
  }
  int deepest = 0;
  for (int i = 0; i < n; ++i) {
    int depth = 0;
    for (int p = parent[i]; p != -1; p = parent[p]) ++depth;
    lengths[leaves[i].second] = static_cast<std::uint8_t>(depth);
    deepest = std::max(deepest, depth);
  }
  return deepest;
}

}  // namespace

void BuildCodeLengths(const std::uint32_t* counts, int symbolCount, int maxLength,
                      std::uint8_t* lengths) {
  std::vector<std::pair<std::uint64_t, int>> leaves;
  for (int i = 0; i < symbolCount; ++i) {
    lengths[i] = 0;
    if (counts[i] != 0) leaves.push_back({counts[i], i});
  }
  if (leaves.empty()) return;
  if (leaves.size() == 1) {
    lengths[leaves[0].second] = 1;
    return;
  }
  while (TreeDepths(leaves, lengths) > maxLength) {
    for (auto& leaf : leaves) leaf.first = (leaf.first + 1) / 2;
  }
}

void BuildCanonicalCodes(const std::uint8_t* lengths, int symbolCount, std::uint16_t* codes) {
  int perLength[16] = {};
  for (int i = 0; i < symbolCount; ++i) ++perLength[lengths[i]];
  perLength[0] = 0;
  std::uint32_t next[16] = {};
  std::uint32_t code = 0;
  for (int len = 1; len <= 15; ++len) {
    code = (code + perLength[len - 1]) << 1;
    next[len] = code;
  }
  for (int i = 0; i < symbolCount; ++i)
    codes[i] = lengths[i] != 0 ? static_cast<std::uint16_t>(next[lengths[i]]++) : 0;
}

}  // namespace qm
