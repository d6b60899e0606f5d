#pragma once
// Lights the shadow map from a real-valued layer, as "Sun" does from its
// light: every pixel the grey nearest((255 - D) + D q), D the darkness and
// q = value / divisor the layer's share of full light. Unlike the sweep
// buttons it does not build on the shadow map's earlier contents.

#include "../workspace/value_layer.h"
#include "../workspace/workspace.h"

namespace gloamery {

// The share of full light of each value of a layer.
inline double layerShare(const ValueLayer& layer, double value)
{
    return layer.divisor == 0.0 ? 0.0 : value / layer.divisor;
}

// The grey of one pixel of light share q under darkness d.
int layerGrey(double q, int darkness);

// Writes every pixel of the shadow map from a layer of the map's size.
void lightFromLayer(Workspace& ws, const ValueLayer& layer, int darkness);

} // namespace gloamery
