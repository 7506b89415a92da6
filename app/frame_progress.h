// A command's progress, counted in doubles, shown on a QProgressBar.
#pragma once

class QProgressBar;

namespace tarvo {

// QProgressBar counts in integers and shows a busy bar when its range is
// empty; an empty range here means there is nothing left to do.
void ShowFrameProgress(QProgressBar& bar, double minimum, double maximum, double value);

}  // namespace tarvo
