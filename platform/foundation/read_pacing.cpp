#include "platform/foundation/read_pacing.h"

namespace ns {

bool ReadPacing::read(qsizetype bytes) {
    smallReadsInARow_ = bytes < kSmallReadBytes ? smallReadsInARow_ + 1 : 0;
    paced_ = paced_ || smallReadsInARow_ >= kSmallReadsBeforePacing;
    return paced_;
}

void ReadPacing::reset() {
    smallReadsInARow_ = 0;
    paced_ = false;
}

}  // namespace ns
