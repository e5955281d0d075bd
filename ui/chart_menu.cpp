#include "ui/chart_menu.h"

#include <QAction>
#include <QBuffer>
#include <QChartView>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QSvgGenerator>
#include <QToolButton>
#include <algorithm>
#include <string_view>

#include "problem/file_writer.h"
#include "ui/data_files.h"
#include "ui/dialogs.h"

namespace vorn {

namespace {

constexpr int button_size = 16;
constexpr int image_scale = 2;  // saved and copied images are sharp on high-density screens

// Three short bars: the usual sign of a menu, drawn so it needs no font, at
// twice its size so it stays sharp on high-density screens.
QIcon menu_icon(const QColor& colour) {
    QPixmap pixmap(QSize(12, 12) * image_scale);
    pixmap.setDevicePixelRatio(image_scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    for (const int y : {2, 5, 8}) {
        painter.fillRect(1, y, 10, 2, colour);
    }
    return QIcon(pixmap);
}

void draw_chart(QChartView* view, QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect source = view->viewport()->rect();
    // QGraphicsView::render draws the scene alone, without child widgets.
    view->render(&painter, QRectF(source), source);
}

// Keeps the corner button in place and turns Shift+right-click into the
// menu. The press and its release are both kept from the view, so its zoom
// out on a right release happens only for a plain right-click.
class ChartMenuFilter final : public QObject {
public:
    ChartMenuFilter(QChartView* view, QMenu* menu, QToolButton* button)
        : QObject(view), view_(view), viewport_(view->viewport()), menu_(menu), button_(button) {
        view->installEventFilter(this);
        viewport_->installEventFilter(this);
        place_button();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == view_ && event->type() == QEvent::Resize) {
            place_button();
            return false;
        }
        // Compared with the viewport kept at the start: the view may be half
        // destroyed when its viewport's last events pass through here.
        if (watched != viewport_) {
            return false;
        }
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            // Every press decides anew: the menu may have taken the last release.
            swallow_release_ = mouse->button() == Qt::RightButton &&
                               mouse->modifiers().testFlag(Qt::ShiftModifier);
            if (swallow_release_) {
                menu_->popup(mouse->globalPosition().toPoint());
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonRelease && swallow_release_ &&
                   static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            swallow_release_ = false;
            return true;
        }
        return false;
    }

private:
    void place_button() {
        button_->setGeometry(view_->width() - button_size - 1, 1, button_size, button_size);
        button_->raise();
    }

    QChartView* view_;
    QWidget* viewport_;
    QMenu* menu_;
    QToolButton* button_;
    bool swallow_release_ = false;
};

}  // namespace

QByteArray png_bytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QImage chart_image(QChartView* view, int scale) {
    QImage image(view->viewport()->size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    draw_chart(view, painter);
    return image;
}

QByteArray chart_svg(QChartView* view) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    const QSize size = view->viewport()->size();
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(), size));
    QPainter painter(&svg);
    draw_chart(view, painter);
    painter.end();
    return bytes;
}

ChartImageActions::ChartImageActions(Dialogs& dialogs, HandlerGuard guard, Inputs inputs,
                                     QObject* parent)
    : QObject(parent), dialogs_(dialogs), guard_(std::move(guard)), inputs_(std::move(inputs)) {}

ChartImageActions* ChartImageActions::serving(const QWidget* widget) {
    while (widget->parentWidget() != nullptr) {
        widget = widget->parentWidget();
    }
    return widget->findChild<ChartImageActions*>();
}

void ChartImageActions::save(const QString& title, const QString& filter, const QString& proposed,
                             const std::function<QByteArray()>& bytes) {
    guard_([&] {
        if (const auto file = dialogs_.choose_save_file(title, filter, proposed)) {
            const QByteArray content = bytes();
            write_file(
                local_path(*file),
                std::string_view(content.constData(), static_cast<std::size_t>(content.size())),
                inputs_());
        }
    });
}

void ChartImageActions::save_png(QChartView* view, const QString& proposed) {
    save(QStringLiteral("Save Image as PNG"), QStringLiteral("PNG images (*.png)"), proposed,
         [view] { return png_bytes(chart_image(view, image_scale)); });
}

void ChartImageActions::save_svg(QChartView* view, const QString& proposed) {
    save(QStringLiteral("Save Image as SVG"), QStringLiteral("SVG images (*.svg)"), proposed,
         [view] { return chart_svg(view); });
}

QMenu* attach_chart_menu(QChartView* view, const QString& file_stem) {
    QString number = view->objectName();
    number.remove(QStringLiteral("Chart"));
    auto* menu = new QMenu(view);
    menu->setObjectName(QStringLiteral("ChartMenu") + number);
    QAction* png = menu->addAction(QStringLiteral("Save Image as PNG\u2026"));
    png->setObjectName(QStringLiteral("SaveImagePng") + number);
    QAction* svg = menu->addAction(QStringLiteral("Save Image as SVG\u2026"));
    svg->setObjectName(QStringLiteral("SaveImageSvg") + number);
    QAction* copy = menu->addAction(QStringLiteral("Copy Image"));
    copy->setObjectName(QStringLiteral("CopyImage") + number);

    // Without a window to serve it (a graph window on its own) the chart
    // can still be copied, not saved.
    QObject::connect(menu, &QMenu::aboutToShow, view, [view, png, svg] {
        const bool served = ChartImageActions::serving(view) != nullptr;
        png->setEnabled(served);
        svg->setEnabled(served);
    });
    QObject::connect(png, &QAction::triggered, view, [view, file_stem] {
        if (ChartImageActions* actions = ChartImageActions::serving(view)) {
            actions->save_png(view, file_stem + QStringLiteral(".png"));
        }
    });
    QObject::connect(svg, &QAction::triggered, view, [view, file_stem] {
        if (ChartImageActions* actions = ChartImageActions::serving(view)) {
            actions->save_svg(view, file_stem + QStringLiteral(".svg"));
        }
    });
    QObject::connect(copy, &QAction::triggered, view, [view] {
        QGuiApplication::clipboard()->setImage(chart_image(view, image_scale));
    });

    auto* button = new QToolButton(view);
    button->setObjectName(QStringLiteral("ChartMenuButton") + number);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIcon(menu_icon(view->palette().color(QPalette::WindowText)));
    button->setIconSize(QSize(12, 12));
    button->setToolTip(
        QStringLiteral("Save or copy this chart's image (also Shift+right-click on the chart)."));
    QObject::connect(button, &QToolButton::clicked, menu, [menu, button] {
        menu->popup(button->mapToGlobal(QPoint(0, button->height())));
    });
    // Room above the plot for the button, so it never covers a point; the
    // top axis label already reaches some pixels above the plot.
    QMargins margins = view->chart()->margins();
    margins.setTop(std::max(margins.top(), button_size - 5));
    view->chart()->setMargins(margins);
    new ChartMenuFilter(view, menu, button);
    return menu;
}

}  // namespace vorn
