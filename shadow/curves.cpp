// The curve tables, as make_curves wrote them while building.

#include "curves.h"

namespace gloamery::curve_tables {
#include "curve_tables.inc"
} // namespace gloamery::curve_tables
