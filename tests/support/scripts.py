"""Python files that are not part of a package (the examples, the tools'
generators), loaded as modules so that tests and tools can call their
functions without running them as scripts."""

import importlib.machinery
import types


def load_script(path, name):
    """The file at `path` executed as a fresh module named `name`; its
    `if __name__ == "__main__"` block does not run."""
    loader = importlib.machinery.SourceFileLoader(name, str(path))
    module = types.ModuleType(name)
    module.__file__ = str(path)
    loader.exec_module(module)
    return module
