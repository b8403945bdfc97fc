#pragma once

#include "platform/foundation/dispatch_queue.h"

class QNetworkAccessManager;

namespace ns {

// The one thread, named "NetKit", on which every URL connection of the process
// runs: it has its own event loop and owns the network access manager. Work posted
// to it runs in the order posted. It stops when the application object goes away.
class NetworkThread final : public DispatchQueue {
public:
    static inline const QString kName = QStringLiteral("NetKit");

    // Made and started on first use.
    static NetworkThread& shared();

    void async(Work work) override;
    void sync(const Work& work) override;
    [[nodiscard]] bool isCurrent() const override;
    [[nodiscard]] QString label() const override { return kName; }

    // For the URL loading classes, on this thread only.
    [[nodiscard]] QNetworkAccessManager& accessManager();

private:
    NetworkThread();
    struct State;
    State* state_;
};

}  // namespace ns
