// The charts' menu (images saved and copied, how it opens), the formula
// box's fixed-pitch font and the progress bar at rest.
#include <QAction>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScatterSeries>
#include <QToolButton>
#include <QValueAxis>
#include <QXYSeries>
#include <QXmlStreamReader>
#include <vector>

#include "tests/ui/form_fixture.h"
#include "ui/bit_button.h"
#include "ui/data_grid.h"
#include "ui/graph_form.h"
#include "ui/population_page.h"

namespace vorn::testing {
namespace {

// The colour of the chart's first series with points on show.
QColor first_drawn_colour(const QChart* chart) {
    for (QAbstractSeries* series : chart->series()) {
        auto* points = qobject_cast<QXYSeries*>(series);
        if (points && points->isVisible() && points->count() > 0) {
            return points->color();
        }
    }
    return {};
}

class ChartMenuTest : public FormTest {
protected:
    ChartMenuTest() {
        form->set_active_page(Page::results);
        QApplication::processEvents();
    }

    [[nodiscard]] QMenu* menu_of(const QChartView* view) const {
        const QString number = view->objectName().remove(QStringLiteral("Chart"));
        return view->findChild<QMenu*>(QStringLiteral("ChartMenu") + number);
    }

    // The item's file, saved through the scripted dialog.
    QByteArray save_through(QChartView* view, const char* item, const QString& name) {
        const QString path = folder.filePath(name);
        dialogs->files.push_back(path);
        const QString number = view->objectName().remove(QStringLiteral("Chart"));
        view->findChild<QAction*>(QString::fromLatin1(item) + number)->trigger();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }
};

// Every chart of the window has its button and menu; PNG is twice the size
// on screen, SVG the size itself, the copy an image too.
TEST_F(ChartMenuTest, EveryChartSavesAndCopiesItsImage) {
    load_training(write_file(QStringLiteral("data.txt"), data_rows(20)));
    population().Edit2->setText(QStringLiteral("5"));
    QTest::mouseClick(results().BitBtn2, Qt::LeftButton);
    ASSERT_TRUE(dialogs->messages.empty()) << dialogs->messages.front();
    const ResultsPage& page = results();
    for (QChartView* view : {page.Chart1, page.Chart2, page.Chart3}) {
        SCOPED_TRACE(view->objectName().toStdString());
        const QString number = view->objectName().remove(QStringLiteral("Chart"));
        auto* button = view->findChild<QToolButton*>(QStringLiteral("ChartMenuButton") + number);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible());
        EXPECT_EQ(button->geometry().right(), view->width() - 2);
        // Over the chart's margin, not over its plot.
        EXPECT_FALSE(view->chart()->plotArea().intersects(QRectF(button->geometry())));
        ASSERT_NE(menu_of(view), nullptr);

        const QSize size = view->viewport()->size();
        const QImage png = QImage::fromData(save_through(view, "SaveImagePng", "chart.png"), "PNG")
                               .convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(png.size(), size * 2);
        // Not one colour, and the first drawn series is in it in its own.
        const QColor drawn = first_drawn_colour(view->chart());
        ASSERT_TRUE(drawn.isValid());
        const QRgb series = drawn.rgb();
        bool varied = false;
        bool has_series = false;
        for (int y = 0; y < png.height(); ++y) {
            for (int x = 0; x < png.width(); ++x) {
                varied = varied || png.pixel(x, y) != png.pixel(0, 0);
                has_series = has_series || png.pixel(x, y) == series;
            }
        }
        EXPECT_TRUE(varied);
        EXPECT_TRUE(has_series) << QColor(series).name().toStdString();

        const QByteArray svg = save_through(view, "SaveImageSvg", "chart.svg");
        QXmlStreamReader xml(svg);
        while (!xml.atEnd()) {
            xml.readNext();
        }
        EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
        for (const QAbstractAxis* axis : view->chart()->axes()) {
            EXPECT_TRUE(svg.contains(axis->titleText().toUtf8()))
                << axis->titleText().toStdString();
        }
        EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"")
                                     .arg(size.width())
                                     .arg(size.height())
                                     .toLatin1()));

        QGuiApplication::clipboard()->clear();
        view->findChild<QAction*>(QStringLiteral("CopyImage") + number)->trigger();
        EXPECT_EQ(QGuiApplication::clipboard()->image().size(), size * 2);
    }
    EXPECT_TRUE(dialogs->messages.empty());
    ASSERT_EQ(dialogs->file_titles.size(), 6U);
    EXPECT_EQ(dialogs->file_titles[0], QStringLiteral("Save Image as PNG"));

    // The graph window's chart has the same menu.
    EXPECT_NE(menu_of(form->graph_form()->chart_view()), nullptr);
}

TEST_F(ChartMenuTest, AFailedSaveIsShownAndCancellingWritesNothing) {
    dialogs->files.push_back(folder.filePath(QStringLiteral("no/such/folder/chart.png")));
    results().Chart2->findChild<QAction*>(QStringLiteral("SaveImagePng2"))->trigger();
    EXPECT_EQ(dialogs->messages.size(), 1U);
    dialogs->files.push_back(QString());
    results().Chart2->findChild<QAction*>(QStringLiteral("SaveImageSvg2"))->trigger();
    EXPECT_EQ(dialogs->messages.size(), 1U);
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

// Shift+right-click opens the menu and leaves the zoom alone; a plain
// right-click zooms out as before and opens nothing.
TEST_F(ChartMenuTest, ShiftRightClickOpensTheMenuAndRightClickZoomsOut) {
    QChartView* view = results().Chart2;
    view->chart()->setAnimationOptions(QChart::NoAnimation);
    auto* axis = qobject_cast<QValueAxis*>(view->chart()->axes(Qt::Horizontal).constFirst());
    view->chart()->zoomIn();
    const double zoomed = axis->max();
    const QPoint centre = view->chart()->plotArea().center().toPoint();

    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::ShiftModifier, centre);
    QMenu* menu = menu_of(view);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(axis->max(), zoomed);
    menu->hide();

    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, centre);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_GT(axis->max(), zoomed);

    QTest::mouseClick(view->findChild<QToolButton*>(QStringLiteral("ChartMenuButton2")),
                      Qt::LeftButton);
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

// The formula box takes part of the height a taller window adds, always
// above the label under it.
TEST_F(ChartMenuTest, FormulaBoxGrowsWithTheWindowAndSwitchesToAFixedPitchFont) {
    QPlainTextEdit* memo = results().Memo1;
    results().LabelBestValidation->setText(QStringLiteral("Best on validation: generation 39"));
    const int default_height = memo->height();
    for (const QSize size : {QSize(900, 700), form->size()}) {
        form->resize(size);
        QApplication::processEvents();
        EXPECT_LE(memo->geometry().bottom(), results().LabelBestValidation->geometry().top());
    }
    EXPECT_EQ(memo->height(), default_height);
    form->resize(900, 700);
    QApplication::processEvents();
    EXPECT_GT(memo->height(), default_height + 30);

    auto* item = memo->findChild<QAction*>(QStringLiteral("MonospaceFont1"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isCheckable());
    const QFont plain = memo->font();
    item->trigger();
    EXPECT_TRUE(QFontInfo(memo->font()).fixedPitch());
    item->trigger();
    EXPECT_EQ(memo->font(), plain);
    EXPECT_EQ(memo->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

// The window never gets smaller than it opens; a larger one gives its room to
// the plane, the two charts and the grids (whose columns stretch).
TEST_F(ChartMenuTest, ALargerWindowGivesItsRoomToThePlaneChartsAndGrids) {
    const QSize opened(TForm1::default_width, TForm1::default_height);
    EXPECT_EQ(form->minimumSize(), opened);
    form->resize(300, 200);
    QApplication::processEvents();
    EXPECT_EQ(form->size(), opened);

    const auto sizes = [this] {
        std::vector<QSize> seen;
        for (const Page page : {Page::results, Page::problem_setting}) {
            form->set_active_page(page);
            QApplication::processEvents();
            const QTableView* grid = problem().StringGrid1;
            for (const QWidget* widget : std::initializer_list<const QWidget*>{
                     results().Chart1, results().Chart2, results().Chart3, grid->viewport(),
                     grid->horizontalHeader()}) {
                seen.push_back(widget->size());
            }
        }
        return seen;
    };
    const std::vector<QSize> small = sizes();
    const qreal wash = results().Series2->markerSize();
    form->resize(1000, 760);
    const std::vector<QSize> large = sizes();
    EXPECT_EQ(wash, 8);
    EXPECT_GT(results().Series2->markerSize(), wash * 1.4);  // the wash grows with the plane
    for (std::size_t i = 0; i < small.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_GT(large[i].width(), small[i].width());
        EXPECT_GE(large[i].height(), small[i].height());
    }
    EXPECT_GT(large[0].height(), small[0].height() + 100);  // the plane
    EXPECT_GT(large[3].height(), small[3].height() + 100);  // the training grid's rows
}

TEST_F(ChartMenuTest, ProgressBarAtRestShowsNoText) {
    EXPECT_FALSE(results().ProgressBar1->isTextVisible());
    // Its trough is not the white of a text box.
    EXPECT_NE(results().ProgressBar1->palette().color(QPalette::Base),
              results().Memo1->palette().color(QPalette::Base));
}

}  // namespace
}  // namespace vorn::testing
