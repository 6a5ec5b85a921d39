// The standard atomic weights of the elements, by symbol.
#pragma once

#include <optional>
#include <string_view>

namespace varnel {

// The standard atomic weight of the element with this symbol ("Fe", "O"),
// in g/mol; nothing for a symbol that is no element of the table.
std::optional<double> AtomicWeight(std::string_view symbol);

}  // namespace varnel
