#pragma once

#include <memory>
#include <vector>

class QXIMService;
struct QXIMServiceObserver;

// The application's plug-ins of the messaging service, as every launch installs them: the one
// receive plug-in, which keeps messages of type 1 out of the store and opens a broker's talk
// about a need with the need's sentence (QXFCIMReceiverParser).
class QXAppMessagingPlugIns {
public:
    // Installs them on `service`; they stay while the returned objects are held.
    [[nodiscard]] static std::vector<std::shared_ptr<QXIMServiceObserver>> install(
        QXIMService& service);
};
