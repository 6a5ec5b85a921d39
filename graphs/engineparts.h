// Small pieces the engine's files share: the apex selectors in order, the
// release of a per-case array, and a cell without its surrounding blanks.
#pragma once

#include <string_view>
#include <vector>

#include "sheet/links.h"

namespace varnel::engineparts {

inline constexpr GraphSelector Apexes[4] = {GraphSelector::A, GraphSelector::B, GraphSelector::C,
                                            GraphSelector::D};

// Gives the memory of a per-case array back, not only its size.
template <typename T>
void Release(std::vector<T>& v) {
  std::vector<T>().swap(v);
}

inline std::string_view TrimmedCell(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  return t;
}

}  // namespace varnel::engineparts
