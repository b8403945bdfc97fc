#pragma once

#include "platform/foundation/dispatch_queue.h"

namespace ns {

// The main thread's event loop as a queue. Screens, request calls and most logic run here.
// Once the process has come to its end (ProcessEnd) the loop runs nothing more: work posted
// then is dropped, and a sync runs its work in place. The queue itself is never destroyed.
class MainQueue final : public DispatchQueue {
public:
    static MainQueue& shared();

    // Shorthands for the shared main queue.
    static void post(Work work) { shared().async(std::move(work)); }
    static void postSync(const Work& work) { shared().sync(work); }
    static bool isMainThread();

    void async(Work work) override;
    void sync(const Work& work) override;
    [[nodiscard]] bool isCurrent() const override { return isMainThread(); }
    [[nodiscard]] QString label() const override { return QStringLiteral("main"); }
};

}  // namespace ns
