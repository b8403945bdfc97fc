#pragma once

#include "net/QXIMRequest.h"
#include "net/transport/NKHTTPRequestOperation.h"

#include "platform/foundation/network_thread.h"
#include "platform/foundation/operation_queue.h"

#include <QStringList>

// The paths of the app's calls still on their way: queued, sent or being answered (the
// messaging stream's among them while the service runs). A call's time-out runs on the test
// clock, which a wait in steps or a rest moves far ahead of the real time a reply takes on a
// busy machine: a test that lets the clock run waits for the calls first, the clock standing.
// Once this is empty, the replies of the calls that ended have been handed to the main loop.
inline QStringList pathsOfCallsOnTheirWay() {
    QStringList paths;
    for (const auto& operation :
         QXIMRequest::shared().httpClient()->operationQueue()->operations()) {
        const auto call = std::dynamic_pointer_cast<NKHTTPRequestOperation>(operation);
        paths << (call ? call->request().url().path() : QString());
    }
    // A call that has just left the queue hands its reply on from the network thread.
    ns::NetworkThread::shared().sync([] {});
    return paths;
}
