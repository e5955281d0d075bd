#pragma once
// The About box: product name, version and authors. Created once, hidden,
// and shown without blocking the main window.
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace vorn {

class TAboutBox final : public QDialog {
    Q_OBJECT
public:
    static constexpr int client_width = 298;
    static constexpr int client_height = 213;

    // `main_window` is brought forward when the box is dismissed.
    explicit TAboutBox(QWidget* main_window);

    void OKButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* main_window_;
    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QPushButton* OKButton;
};

// The logo, drawn here rather than loaded: two classes of points on either
// side of an evolved boundary, and the product name.
[[nodiscard]] QPixmap draw_logo(const QSize& size, qreal device_pixel_ratio);

}  // namespace vorn
