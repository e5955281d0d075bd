// Times the window loading a data file into its grid, offscreen: the load and
// the repaint that shows the new rows. Prints the seconds and the row count;
// vorn-bench runs it as a child process to read its peak memory.
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "ui/data_grid.h"
#include "ui/main_window.h"
#include "ui/problem_page.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vorn-bench-window FILE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vorn::TForm1 form;
    form.show();
    QApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    form.load_training_file(QString::fromLocal8Bit(argv[1]));
    form.problem().StringGrid1->repaint();
    QApplication::processEvents();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    std::printf("%.3f %d\n", seconds, form.problem().StringGrid1->row_count());
    return form.training_loaded ? 0 : 1;
}
