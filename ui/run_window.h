#pragma once
// What the run control needs of the window it runs in, and no more.
#include "engine/parameters.h"

namespace vorn {

class RunWindow {
public:
    virtual ~RunWindow() = default;

    virtual void set_active_page(Page page) = 0;
    // The menu's "Start GP run"; hidden while a run is in progress.
    virtual void show_start_command(bool shown) = 0;
    // The run keeps the event loop busy between generations, so what it
    // shows is painted at once.
    virtual void repaint_window() = 0;
    virtual void close_window() = 0;
};

}  // namespace vorn
