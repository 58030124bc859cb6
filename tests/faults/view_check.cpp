#include "tests/faults/view_check.h"

#include <cstdio>

namespace {

// Mean channel difference allowed where a picture is drawn scaled: Wine's
// HALFTONE stretch averages what nearest sampling here picks, which for
// picture 10 squeezed by a few rows makes 13; black or another picture
// is far more.
const double SCALED_TOLERANCE = 20.0;

int NonBlackOutside(const Pixels& area, const RECT& dest) {
    return CountNonBlack(area, 0, 0, area.width, dest.top) +
           CountNonBlack(area, 0, dest.bottom, area.width, area.height) +
           CountNonBlack(area, 0, dest.top, dest.left, dest.bottom) +
           CountNonBlack(area, dest.right, dest.top, area.width, dest.bottom);
}

std::string Describe(const PictureView& view, const char* what) {
    char text[160];
    std::snprintf(text, sizeof text, "picture %d (columns %ld-%ld, step %d of %d) %s", view.picture,
                  view.src.left, view.src.right, view.step, view.steps, what);
    return text;
}

}  // namespace

bool IsBlack(const Pixels& area) {
    return area.width > 0 && CountNonBlack(area, 0, 0, area.width, area.height) == 0;
}

std::string CompareView(const Pixels& area, const PictureView& view, const Pixels& reference) {
    if (area.width <= 0) return "no capture of the window";
    if (view.picture == 0) return IsBlack(area) ? "" : "not black where nothing is shown";
    if (reference.width <= 0) return "no reference picture";
    const RECT& dest = view.dest;
    const Pixels drawn = Crop(area, dest.left, dest.top, dest.right, dest.bottom);
    if (drawn.width <= 0) return Describe(view, "does not fit the window");
    char numbers[96];
    if (drawn.width == view.src.right - view.src.left &&
        drawn.height == view.src.bottom - view.src.top) {
        const int wrong =
            CountMismatches(drawn, reference, view.src.left, view.src.top, view.step, view.steps);
        if (wrong != 0) {
            std::snprintf(numbers, sizeof numbers, "expected: %d of %d pixels differ", wrong,
                          drawn.width * drawn.height);
            return Describe(view, numbers);
        }
    } else {
        const double difference =
            MeanDifference(drawn, reference, view.src.left, view.src.top, view.src.right,
                           view.src.bottom, view.step, view.steps);
        if (difference > SCALED_TOLERANCE) {
            std::snprintf(numbers, sizeof numbers, "expected, scaled: mean difference %.1f",
                          difference);
            return Describe(view, numbers);
        }
    }
    const int outside = NonBlackOutside(area, dest);
    if (outside != 0) {
        std::snprintf(numbers, sizeof numbers, "shown, but %d pixels around it are not black",
                      outside);
        return Describe(view, numbers);
    }
    return "";
}
