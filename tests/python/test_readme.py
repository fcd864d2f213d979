"""The README's Python examples run as scripts from the repository's root: each
```python block, saved as a file of its own (the Dask example's worker processes
import it), exits 0."""

import os
import re
import subprocess
import sys

import pytest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir)


def python_examples():
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as readme:
        return re.findall(r"^```python\n(.*?)^```$", readme.read(), re.M | re.S)


def test_the_readme_has_python_examples():
    assert len(python_examples()) >= 2


@pytest.mark.parametrize("example", python_examples())
def test_python_example_runs_as_a_script(example, tmp_path):
    script = tmp_path / "example.py"
    script.write_text(example, encoding="utf-8")
    run = subprocess.run([sys.executable, str(script)], cwd=ROOT, capture_output=True,
                         text=True, timeout=240)
    assert run.returncode == 0, run.stderr
    assert run.stdout
