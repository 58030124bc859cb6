// Slide-show engine: not written yet; the window stays black.
#include "app/saver_window.h"

int SaverWindow::OnFirstPaint() { return 1; }
int SaverWindow::StartShow() { return 1; }
int SaverWindow::Tick() { return 0; }
int SaverWindow::Advance() { return 1; }
int SaverWindow::StopShow() { return 1; }
