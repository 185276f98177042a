"""The API reference from the type annotations: the directive ``stub-api``
lists every function of the stubs' ``__all__`` with its annotated signature
and its docstring, in a MyST page, as ``py:function`` entries of the module
``varduxel`` that other pages can refer to. Given a module name,
``stub-api varduxel_lightcurve``, it does the same for that pure-Python
module, whose inline annotations are its stubs: its functions, and its
classes with their constructors and documented methods. The docstrings are
plain text, so they are set as plain paragraphs (an indented block as a
literal block), not parsed as markup. The build fails when the stubs and the
installed module name different functions."""

import ast
import importlib
import inspect
import pathlib
import textwrap

from docutils import nodes
from docutils.statemachine import StringList
from sphinx import addnodes
from sphinx.errors import ExtensionError
from sphinx.util.docutils import SphinxDirective


def stub_functions(path):
    """(module docstring, [(name, signature, docstring)]) in the order of __all__."""
    tree = ast.parse(pathlib.Path(path).read_text(), filename=str(path))
    names, functions = None, {}
    for node in tree.body:
        if isinstance(node, ast.Assign) and any(getattr(t, "id", None) == "__all__" for t in node.targets):
            names = ast.literal_eval(node.value)
        elif isinstance(node, ast.FunctionDef):
            returns = f" -> {ast.unparse(node.returns)}" if node.returns else ""
            functions[node.name] = (f"{node.name}({ast.unparse(node.args)}){returns}", ast.get_docstring(node) or "")
    if names is None or set(names) != set(functions):
        raise ExtensionError(f"{path}: __all__ and the functions defined differ")
    return ast.get_docstring(tree) or "", [(name, *functions[name]) for name in names]


def paragraphs(text):
    """Plain paragraphs, without the double backquotes of literal names; a
    block whose lines are all indented is kept as a literal block."""
    result = []
    for block in text.split("\n\n"):
        if not block.strip():
            continue
        if all(line.startswith("    ") for line in block.strip("\n").splitlines()):
            result.append(nodes.literal_block(text=textwrap.dedent(block.strip("\n"))))
        else:
            result.append(nodes.paragraph(text=" ".join(block.replace("``", "").split())))
    return result


def _signature(obj, name, method=False):
    """The signature of a function or method as its source writes it, so that
    the annotations read as written; a method's or constructor's without
    self, a constructor's without its return annotation."""
    node = ast.parse(textwrap.dedent(inspect.getsource(obj))).body[0]
    if method:
        node.args.args = node.args.args[1:]
    returns = f" -> {ast.unparse(node.returns)}" if node.returns and obj.__name__ != "__init__" else ""
    return f"{name}({ast.unparse(node.args)}){returns}"


def module_entries(module_name):
    """(module docstring, [(directive, signature, docstring)]) of a pure-Python
    module, in the order of its __all__; a class is followed by the documented
    public methods it defines, as Class.method."""
    module = importlib.import_module(module_name)
    entries = []
    for name in module.__all__:
        obj = getattr(module, name)
        if not inspect.isclass(obj):
            entries.append(("py:function", _signature(obj, name), inspect.getdoc(obj) or ""))
            continue
        init = obj.__dict__.get("__init__")
        entries.append(("py:class", _signature(init, name, method=True) if init else name, inspect.getdoc(obj) or ""))
        for member_name, member in obj.__dict__.items():
            if inspect.isfunction(member) and not member_name.startswith("_") and member.__doc__:
                entries.append(("py:method", _signature(member, f"{name}.{member_name}", method=True),
                                inspect.getdoc(member)))
    return inspect.getdoc(module) or "", entries


class StubApi(SphinxDirective):
    optional_arguments = 1

    def run(self):
        if self.arguments:
            module_name = self.arguments[0]
            module_doc, entries = module_entries(module_name)
            self.env.note_dependency(importlib.import_module(module_name).__file__)
        else:
            module_name, path = "varduxel", self.config.stub_api_file
            self.env.note_dependency(path)
            module_doc, functions = stub_functions(path)
            import varduxel

            if list(varduxel.__all__) != [name for name, _, _ in functions]:
                raise ExtensionError(f"the stubs list {[n for n, _, _ in functions]}, "
                                     f"the module {list(varduxel.__all__)}")
            entries = [("py:function", signature, doc) for _, signature, doc in functions]
        result = paragraphs(module_doc)
        for directive, signature, doc in entries:
            # The reference page is MyST Markdown, so the entry is written in MyST.
            source = StringList([f"```{{{directive}}} {signature}", f":module: {module_name}", "```", ""])
            container = nodes.container()
            self.state.nested_parse(source, self.content_offset, container)
            for content in container.findall(addnodes.desc_content):
                content.extend(paragraphs(doc))
            result.extend(container.children)
        return result


def setup(app):
    app.add_config_value("stub_api_file", None, "env")
    app.add_directive("stub-api", StubApi)
    return {"version": "1", "parallel_read_safe": True, "parallel_write_safe": True}
