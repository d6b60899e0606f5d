"""The type stubs name what the module has, no more and no less."""

import ast
import pathlib

import gloamery


def stub_names(body):
    names = set()
    for node in body:
        if isinstance(node, ast.FunctionDef):
            names.add(node.name)
        elif isinstance(node, ast.AnnAssign):
            names.add(node.target.id)
    return names


def test_stubs_match_the_module():
    tree = ast.parse((pathlib.Path(gloamery.__file__).parent / "__init__.pyi").read_text())
    workspace = next(n for n in tree.body if isinstance(n, ast.ClassDef) and n.name == "Workspace")
    public = {n for n in dir(gloamery.Workspace) if not n.startswith("_")} | {"__init__"}
    assert stub_names(workspace.body) == public
    assert stub_names(tree.body) == set(gloamery.__all__) - {"Workspace"} | {"__version__"}


def literal_names(tree, alias):
    node = next(n for n in tree.body if isinstance(n, ast.Assign) and n.targets[0].id == alias)
    return [element.value for element in node.value.slice.elts]


def test_stub_names_the_operation_tables_rows():
    tree = ast.parse((pathlib.Path(gloamery.__file__).parent / "__init__.pyi").read_text())
    assert literal_names(tree, "OperationName") == list(gloamery.OPERATIONS)
    assert "sun" in gloamery.OPERATIONS
