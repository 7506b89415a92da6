// The limits of what a pack can hold, checked before anything is packed or
// written.
#pragma once

#include "lgp/lgp_file.h"

namespace tarvo {

// Throws an Error naming the line value or field that the pack cannot hold.
void CheckDataModel(const LgpFile& lgp);

}  // namespace tarvo
