"""ZELMath from Python: linear algebra, 3D rigid-body geometry, exact simulation time and
reproducible random variates, with the same bits as the C++ library.

The classes and functions live in the compiled extension ``zelmath._zelmath``; this package
re-exports them and adds the parts written in Python.
"""
from ._zelmath import *  # noqa: F401,F403
from ._zelmath import __doc__ as _extension_doc  # noqa: F401
from ._zelmath import __version__  # noqa: F401
from ._replications import Replications, replicate  # noqa: F401
