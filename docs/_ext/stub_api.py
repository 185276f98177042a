"""The API reference from the type stubs: the directive ``stub-api`` lists
every function of the stubs' ``__all__`` with its annotated signature and its
docstring, in a MyST page, as ``py:function`` entries of the module ``varduxel`` that other
pages can refer to. The docstrings are plain text, so they are set as plain
paragraphs, not parsed as markup. The build fails when the stubs and the
installed module name different functions."""

import ast
import pathlib

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
    """Plain paragraphs, without the double backquotes of literal names."""
    return [nodes.paragraph(text=" ".join(block.replace("``", "").split())) for block in text.split("\n\n")
            if block.strip()]


class StubApi(SphinxDirective):
    has_content = False

    def run(self):
        path = self.config.stub_api_file
        self.env.note_dependency(path)
        module_doc, functions = stub_functions(path)
        import varduxel

        if list(varduxel.__all__) != [name for name, _, _ in functions]:
            raise ExtensionError(f"the stubs list {[n for n, _, _ in functions]}, "
                                 f"the module {list(varduxel.__all__)}")
        result = paragraphs(module_doc)
        for name, signature, doc in functions:
            # The reference page is MyST Markdown, so the entry is written in MyST.
            source = StringList([f"```{{py:function}} {signature}", ":module: varduxel", "```", ""])
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
