#pragma once

#include <mutex>

namespace ns {

// One-time initialisation: the first call runs the work, every later call (from any
// thread) waits for it to have finished and then does nothing.
class Once {
public:
    template <class Work>
    void operator()(Work&& work) {
        std::call_once(flag_, std::forward<Work>(work));
    }

private:
    std::once_flag flag_;
};

}  // namespace ns
