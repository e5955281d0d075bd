#pragma once
// A push button with a stock kind. The kind gives the icon and the standard
// caption; the run control decides by the kind which job a button does.
#include <QPushButton>

namespace vorn {

enum class ButtonKind { ok, no, abort, cancel };

class BitBtn final : public QPushButton {
    Q_OBJECT
public:
    BitBtn(const QString& name, ButtonKind kind, QWidget* parent);

    [[nodiscard]] ButtonKind kind() const { return kind_; }
    // Replaces icon and caption; callers set their own caption afterwards.
    void set_kind(ButtonKind kind);

private:
    ButtonKind kind_ = ButtonKind::ok;
};

}  // namespace vorn
