#pragma once
// Every operation a front end offers, one row each: its name in each front
// end (the batch tool's and the settings files', the panel's caption, the
// Python method), what it reads and writes, the controls it uses, its kind
// and the function that runs it on a workspace with the controls read. The
// batch tool's parsing and --help, the settings files' names, the Python
// module's methods and OPERATIONS, the panel's undo captions and the tests'
// lists of modes are all made from these rows.
//
// To add an operation:
//   1. write its computation (in the core, numbers only);
//   2. add a row to kOperationRows in operations.cpp: names, help and doc
//      lines, kind (a "layer" operation fills the map's real-valued layer),
//      the slots it reads and writes, the controls it uses (control_schema.h)
//      and its run function, which takes the workspace, the checked controls
//      and a reporter. A shading rule of the shadow kind also names its
//      ShadowMode (shadow/shadow_modes.h holds the mode's reporting steps);
//   3. place its button on the panel. Nothing else names it.

#include "inputs/control_schema.h"
#include "inputs/controls.h"
#include "compose/tint.h"
#include "shadow/shadow_params.h"
#include "workspace/reporter.h"
#include "workspace/value_layer.h"
#include "workspace/workspace.h"

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gloamery {

enum class OperationKind {
    Shadow,  // a shadow run, then the merge into the colour map
    Texture, // texture synthesis into the texture map
    Clear,   // empties the shadow map
    Layer,   // fills the map's real-valued layer (sky view, openness, sun hours...)
};

// The texture buttons' rules.
enum class TextureButton { MakeTexture, MakeTexture2 };

// A set of slots, as bits of Slot's values.
using SlotSet = unsigned;
constexpr SlotSet slotSet(std::initializer_list<Slot> list)
{
    SlotSet s = 0;
    for (Slot slot : list) s |= 1u << static_cast<unsigned>(slot);
    return s;
}
constexpr bool holds(SlotSet s, Slot slot) { return (s >> static_cast<unsigned>(slot)) & 1u; }

// A set of controls, as bits of ControlId's values.
using ControlSet = unsigned long long;
constexpr ControlSet controlSet(std::initializer_list<ControlId> ids)
{
    ControlSet s = 0;
    for (ControlId id : ids) s |= 1ull << static_cast<unsigned>(id);
    return s;
}
constexpr bool holds(ControlSet s, ControlId id) { return (s >> static_cast<unsigned>(id)) & 1ull; }

// What a run takes: the controls as they stand and, for a shadow run, the
// values read from them (X0, Y0 and the decay read once, checked).
struct OperationInput {
    const Controls& controls;
    const ShadowParams& params;
    // tint's table and the heights' elevations, read by the front end.
    const TintSource* tint = nullptr;
    // Where the real sun is seen from and the map's grid north, worked out
    // by the front end (from the place given, or the height raster's
    // coordinate system); without it, the place given with grid north 0.
    const MapPlace* where = nullptr;
};
using RunOperation = Refusal (*)(Workspace&, const OperationInput&, Reporter&);

struct OperationRow {
    std::string_view name;    // the batch tool's and the settings files' name
    std::string_view caption; // the panel's button
    std::string_view python;  // the Python method
    std::string_view help;    // --help's description; rows in a run with the same one share a line
    std::string_view doc;     // the Python method's description
    OperationKind kind;
    std::optional<ShadowMode> shadow;     // Shadow: the mode it runs
    std::optional<TextureButton> texture; // Texture: the rule
    std::optional<LayerKind> layer;       // Layer: the layer it makes
    SlotSet reads;
    SlotSet writes;
    ControlSet controls;
    RunOperation run;
};

// In the order the panel shows the buttons and --help lists them.
std::span<const OperationRow> operationRows();
// The row of a batch name ("linear-sim"), or nothing.
const OperationRow* operationNamed(std::string_view name);
// The row that runs a shadow mode, or a texture rule.
const OperationRow& operationOf(ShadowMode mode);
const OperationRow& operationOf(TextureButton button);

// The shadow operations that sweep rays with a decay (each but "Sun"), in
// the table's order: what the golden runs, the region test, the fuzzer and
// the benchmarks go through.
std::vector<const OperationRow*> sweepRows();

// What a shadow mode reports, and when (the core's table of the modes).
inline const ShadowSteps& progressSteps(const OperationRow& row) { return shadowSteps(*row.shadow); }

// "linear, linear-sim, ... or clear": the names of the rows, with `extra`
// names after those of the shadow kind (the batch tool's "shadow").
std::string operationNameList(std::string_view extra = {});

// "sky-view, openness ... or multi-hillshade": the rows that make a layer.
std::string layerOperationList();

} // namespace gloamery
