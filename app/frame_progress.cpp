#include "app/frame_progress.h"

#include <QProgressBar>
#include <algorithm>
#include <cmath>

namespace tarvo {

void ShowFrameProgress(QProgressBar& bar, double minimum, double maximum, double value) {
  if (maximum > minimum) {
    bar.setRange(static_cast<int>(std::lround(minimum)), static_cast<int>(std::lround(maximum)));
    bar.setValue(static_cast<int>(std::lround(std::clamp(value, minimum, maximum))));
  } else {
    bar.setRange(0, 1);
    bar.setValue(value >= maximum ? 1 : 0);
  }
}

}  // namespace tarvo
