// A deterministic stand-in for what the host hands over when a large drawing is selected
// whole: the header records, then items with attribute changes every few items.
#pragma once

#include <cstdint>
#include <string>

namespace Bench {

/// What a generated selection holds.
struct SelectionStats {
  int64_t Items = 0;  ///< drawing items (a dimension counts once, a polyline per segment)
  int64_t Lines = 0;  ///< file lines, records of every kind
  int64_t Texts = 0;  ///< free-size and text-type texts (dimension texts not included)
};

/// Appends to `out` a selection of `items` items in the host's file format (Shift-JIS,
/// CR LF, about 40 bytes an item): lines and polylines, free-size texts and texts of the
/// ten text types, circles and arcs, points, solids and dimensions, coordinates with up to
/// four decimals. The same `items` and `seed` always give the same bytes.
SelectionStats GenerateSelection(int64_t items, std::string& out, uint64_t seed = 27);

}  // namespace Bench
