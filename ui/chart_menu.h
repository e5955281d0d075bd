#pragma once
// A chart's own menu: save its image as PNG or SVG, or copy it. It opens
// from a small button in the chart's top right corner and on Shift+right-
// click; a plain right-click stays the view's zoom out.
#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <vector>

#include "ui/handler_guard.h"

class QMenu;
class QWidget;

QT_BEGIN_NAMESPACE
class QChartView;
QT_END_NAMESPACE

namespace vorn {

class Dialogs;

// The chart as drawn on screen, `scale` times its size in pixels; the menu
// button is not part of it.
[[nodiscard]] QImage chart_image(QChartView* view, int scale);
// An image as the bytes of a PNG file.
[[nodiscard]] QByteArray png_bytes(const QImage& image);
// The chart as an SVG document of its size on screen.
[[nodiscard]] QByteArray chart_svg(QChartView* view);

// What the chart menus of a window need from it: its dialogs, its handler
// guard and the files no image may be written over. The pages and the graph
// window are made before the window hands these out, so a chart menu finds
// the one among its window's descendants when an item is chosen.
class ChartImageActions final : public QObject {
    Q_OBJECT
public:
    using Inputs = std::function<std::vector<std::filesystem::path>()>;
    ChartImageActions(Dialogs& dialogs, HandlerGuard guard, Inputs inputs, QObject* parent);

    // The one serving `widget`'s window or the window that owns it; nullptr
    // when there is none.
    [[nodiscard]] static ChartImageActions* serving(const QWidget* widget);

    void save_png(QChartView* view, const QString& proposed);
    void save_svg(QChartView* view, const QString& proposed);

private:
    void save(const QString& title, const QString& filter, const QString& proposed,
              const std::function<QByteArray()>& bytes);

    Dialogs& dialogs_;
    HandlerGuard guard_;
    Inputs inputs_;
};

// Gives `view` its menu and corner button (object names "ChartMenu<n>" and
// "ChartMenuButton<n>" for a view named "Chart<n>"). `file_stem` names the
// files the save dialogs propose. Returns the menu, owned by the view.
QMenu* attach_chart_menu(QChartView* view, const QString& file_stem);

}  // namespace vorn
