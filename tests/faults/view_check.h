#ifndef VELMOR_TESTS_FAULTS_VIEW_CHECK_H
#define VELMOR_TESTS_FAULTS_VIEW_CHECK_H

// Compares what the saver drew with the view the schedule expects.

#include <string>

#include "tests/e2e/show_support/pictures.h"
#include "tests/faults/show_model.h"

// `area` is a capture of the client area the show draws in; `reference` the
// picture of the view decoded in this process.  "" when the area shows the
// view exactly (pixel for pixel where the picture is drawn at its own
// size, closely where it is scaled) and black everywhere else; else what
// differs.
std::string CompareView(const Pixels& area, const PictureView& view, const Pixels& reference);

bool IsBlack(const Pixels& area);

#endif
