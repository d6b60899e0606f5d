#include "table_bindings.h"

#include "inputs/control_schema.h"
#include "inputs/operations.h"

#include <pybind11/stl.h>

#include <string>

namespace py = pybind11;

namespace gloamery::python {

namespace {

const char* kindName(OperationKind k)
{
    switch (k) {
    case OperationKind::Shadow: return "shadow";
    case OperationKind::Texture: return "texture";
    case OperationKind::Clear: return "clear";
    case OperationKind::Layer: return "layer";
    }
    return "";
}

const char* kindName(ControlKind k)
{
    switch (k) {
    case ControlKind::Number: return "number";
    case ControlKind::Whole: return "whole";
    case ControlKind::NumberText: return "number-text";
    case ControlKind::Flag: return "flag";
    case ControlKind::Choice: return "choice";
    case ControlKind::Text:
    // Read from their text, as the batch tool's arguments are.
    case ControlKind::Time:
    case ControlKind::Period:
    case ControlKind::Place: return "text";
    }
    return "";
}

py::str text(std::string_view s) { return py::str(s.data(), s.size()); }

py::tuple slotsOf(SlotSet set, const py::tuple& names)
{
    py::list out;
    for (const auto& name : names) {
        const auto slot = slotFromName(name.cast<std::string>());
        if (slot && holds(set, *slot)) out.append(name);
    }
    return py::tuple(out);
}

py::dict operationEntry(const OperationRow& row, const py::tuple& slotNames)
{
    py::list controls;
    for (const ControlRow& c : controlRows())
        if (holds(row.controls, c.id)) controls.append(text(c.python));
    py::dict d;
    d["name"] = text(row.name);
    d["caption"] = text(row.caption);
    d["method"] = text(row.python);
    d["help"] = text(row.help);
    d["doc"] = text(row.doc);
    d["kind"] = kindName(row.kind);
    d["reads"] = slotsOf(row.reads, slotNames);
    d["writes"] = slotsOf(row.writes, slotNames);
    d["controls"] = py::tuple(controls);
    return d;
}

py::dict controlEntry(const ControlRow& row)
{
    py::list parts, choices;
    for (int i = 0; i < row.count; ++i) {
        const ControlPart& p = row.parts[static_cast<std::size_t>(i)];
        py::dict part;
        part["lo"] = p.lo;
        part["hi"] = p.hi;
        part["key"] = text(p.key);
        part["caption"] = text(row.captions[static_cast<std::size_t>(i)]);
        parts.append(part);
    }
    for (std::string_view c : row.choices) choices.append(text(c));
    py::dict d;
    d["python"] = text(row.python);
    d["kind"] = kindName(row.kind);
    d["count"] = row.count;
    d["parts"] = py::tuple(parts);
    d["second_optional"] = row.secondOptional;
    d["start"] = text(row.start);
    d["flag"] = text(row.flag);
    d["key"] = text(row.key);
    d["needs"] = text(row.needs);
    d["choices"] = py::tuple(choices);
    d["unset"] = row.unset;
    return d;
}

} // namespace

void bindTables(py::module_& m, const py::tuple& slotNames)
{
    py::list operations, controls;
    for (const OperationRow& row : operationRows()) operations.append(operationEntry(row, slotNames));
    for (const ControlRow& row : controlRows()) controls.append(controlEntry(row));
    m.attr("OPERATION_TABLE") = py::tuple(operations);
    m.attr("CONTROL_SCHEMA") = py::tuple(controls);
}

} // namespace gloamery::python
