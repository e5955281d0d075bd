"""What Classifier needs of scikit-learn's base classes, where scikit-learn
is not installed: parameters from the signature, and accuracy as the score."""

import inspect

import numpy as np


class NotFittedError(ValueError, AttributeError):
    """Raised when a Classifier is used before it is fitted."""


class BaseEstimator:
    @classmethod
    def _get_param_names(cls):
        signature = inspect.signature(cls.__init__)
        return sorted(name for name in signature.parameters if name != "self")

    def get_params(self, deep=True):  # noqa: ARG002 - scikit-learn's signature
        return {name: getattr(self, name) for name in self._get_param_names()}

    def set_params(self, **params):
        names = self._get_param_names()
        for name, value in params.items():
            if name not in names:
                raise ValueError(f"Invalid parameter {name!r} for {type(self).__name__}")
            setattr(self, name, value)
        return self

    def __repr__(self):
        defaults = inspect.signature(type(self).__init__).parameters
        changed = [f"{name}={getattr(self, name)!r}" for name in self._get_param_names()
                   if getattr(self, name) is not defaults[name].default
                   and getattr(self, name) != defaults[name].default]
        return f"{type(self).__name__}({', '.join(changed)})"


class ClassifierMixin:
    def score(self, X, y, sample_weight=None):
        """Accuracy of predict(X) against y."""
        right = np.asarray(self.predict(X) == np.asarray(y), dtype=np.float64)
        return float(np.average(right, weights=sample_weight))
