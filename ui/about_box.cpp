#include "ui/about_box.h"

#include <QFontMetricsF>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

namespace vorn {

namespace {

constexpr int logo_width = 225;
constexpr int logo_height = 81;

}  // namespace

QPixmap draw_logo(const QSize& size, qreal device_pixel_ratio) {
    QPixmap pixmap(size * device_pixel_ratio);
    pixmap.setDevicePixelRatio(device_pixel_ratio);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();

    // The boundary: a wave across the left part of the logo.
    QPainterPath boundary;
    const qreal plot_width = h * 1.1;
    boundary.moveTo(4, h * 0.5);
    for (int i = 1; i <= 40; ++i) {
        const qreal x = 4 + plot_width * i / 40.0;
        boundary.lineTo(x, h * 0.5 + h * 0.28 * std::sin(i / 40.0 * 2.0 * M_PI));
    }
    QPainterPath positive = boundary;
    positive.lineTo(4 + plot_width, 4);
    positive.lineTo(4, 4);
    positive.closeSubpath();
    painter.fillPath(positive, QColor(255, 225, 225));
    painter.setPen(QPen(QColor(0, 128, 64), 2));
    painter.drawPath(boundary);

    // A few points of each class, on their own side of the wave.
    const auto dot = [&](qreal x, qreal y, const QColor& colour) {
        painter.setPen(colour.darker(140));
        painter.setBrush(colour);
        painter.drawEllipse(QPointF(x, y), 3.0, 3.0);
    };
    for (int i = 0; i < 6; ++i) {
        const qreal x = 10 + (plot_width - 12) * i / 5.0;
        const qreal wave = h * 0.5 + h * 0.28 * std::sin((x - 4) / plot_width * 2.0 * M_PI);
        dot(x, wave - 10 - (i % 2) * 6, QColor(220, 0, 0));
        dot(x, wave + 10 + ((i + 1) % 2) * 6, QColor(0, 0, 220));
    }

    QFont title(QStringLiteral("Serif"));
    title.setStyleHint(QFont::Serif);
    title.setBold(true);
    title.setPixelSize(static_cast<int>(h * 0.5));
    const QRectF text_area(plot_width + 12, 0, w - plot_width - 14, h);
    // Smaller where the font at hand is wider than the room beside the plot.
    const qreal width = QFontMetricsF(title).horizontalAdvance(QStringLiteral("VORN"));
    if (width > text_area.width()) {
        title.setPixelSize(static_cast<int>(h * 0.5 * text_area.width() / width));
    }
    painter.setFont(title);
    painter.setPen(QColor(0, 64, 128));
    painter.drawText(text_area, Qt::AlignCenter, QStringLiteral("VORN"));
    painter.setPen(QPen(QColor(0, 64, 128), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    return pixmap;
}

TAboutBox::TAboutBox(QWidget* main_window)
    : QDialog(main_window, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                               Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                               Qt::WindowCloseButtonHint),
      main_window_(main_window) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("VORN1.1"));
    setModal(false);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(client_width, client_height);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel1->setAutoFillBackground(true);
    QPalette white = Panel1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel1->setPalette(white);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setFixedSize(logo_width, logo_height);
    ProgramIcon->setPixmap(draw_logo(QSize(logo_width, logo_height), devicePixelRatioF()));
    ProductName = new QLabel(QStringLiteral("VORN for Quenta Problem"), Panel1);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    Version = new QLabel(QStringLiteral("Version 1.1"), Panel1);
    Version->setObjectName(QStringLiteral("Version"));
    Copyright = new QLabel(QStringLiteral("Copyright (C) 2026 the VORN developers"), Panel1);
    Copyright->setObjectName(QStringLiteral("Copyright"));

    auto* panel_layout = new QVBoxLayout(Panel1);
    panel_layout->setContentsMargins(8, 8, 8, 8);
    panel_layout->setSpacing(3);
    panel_layout->addWidget(ProgramIcon, 0, Qt::AlignHCenter);
    panel_layout->addWidget(ProductName);
    panel_layout->addWidget(Version);
    panel_layout->addWidget(Copyright);
    panel_layout->addStretch(1);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(Panel1, 1);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
}

void TAboutBox::OKButtonClick() {
    hide();
    main_window_->show();
    main_window_->raise();
    main_window_->activateWindow();
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = main_window_->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace vorn
