#pragma once

namespace velnip {

// The empty-text failure result: a constant, never null.
inline constexpr char kEmptyText[] = "";

} // namespace velnip
