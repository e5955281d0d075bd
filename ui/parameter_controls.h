#pragma once
// The controls behind the parameter table: each parameter's control is found
// by the object name the table gives it, and read or set as text, so a page
// hands back its texts and takes restored ones without a list of its own.
#include <string>

#include "engine/parameters.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QString;
class QWidget;

namespace vorn {

// The texts of the parameters whose controls lie within `root`; the others
// keep their defaults.
void read_parameter_texts(const QWidget& root, ParameterTexts& texts);

// Puts `text` into the parameter's control within `root`; false when no such
// control is there.
bool write_parameter_text(QWidget& root, ParamId id, const std::string& text);

// Gives every parameter control within `root` its tooltip from the table.
void set_parameter_tooltips(QWidget& root);

// A parameter's edit, named and filled with its default from the table.
[[nodiscard]] QLineEdit* make_parameter_edit(ParamId id, QWidget* parent);
// A parameter's check box, named, captioned and set from the table.
[[nodiscard]] QCheckBox* make_parameter_check_box(ParamId id, QWidget* parent);
// A drop-down list of a choice's names, at its default.
[[nodiscard]] QComboBox* make_parameter_combo(ParamId id, QWidget* parent);
// A label showing the parameter's caption (or its default text, for the
// computed remainder labels).
[[nodiscard]] QLabel* make_caption_label(const QString& name, ParamId id, QWidget* parent);
[[nodiscard]] QLabel* make_remainder_label(ParamId id, QWidget* parent);

}  // namespace vorn
