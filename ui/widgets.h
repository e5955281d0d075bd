#pragma once
// Small factories that give every control its object name at birth, the
// enabled-with-colour state of a dependent edit, and the window's face.
class QCheckBox;
class QFont;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QString;
class QWidget;

namespace vorn {

[[nodiscard]] QLabel* make_label(const QString& name, const QString& caption, QWidget* parent);
[[nodiscard]] QLineEdit* make_edit(const QString& name, const QString& text, QWidget* parent);
[[nodiscard]] QPushButton* make_button(const QString& name, const QString& caption,
                                       QWidget* parent);
[[nodiscard]] QCheckBox* make_check_box(const QString& name, const QString& caption, bool checked,
                                        QWidget* parent);
[[nodiscard]] QGroupBox* make_group(const QString& name, const QString& caption, QWidget* parent);

// Enabled with the window colour, or disabled with the button-face colour,
// so a field that does not apply looks like part of the panel.
void set_dependent_field(QLineEdit* edit, bool enabled);

// A one-line label in a holder of its own (its parentWidget(), which goes
// into the layout), sized once from `caption`. A new text then repaints the
// label but never lays out its page again, which for a text that changes
// every generation would cost more than the generation.
[[nodiscard]] QLabel* make_steady_label(const QString& name, const QString& caption,
                                        QWidget* parent);

// The window's text face: a proportional sans-serif, 12 pixels high.
[[nodiscard]] QFont window_font();

}  // namespace vorn
