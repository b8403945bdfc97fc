#pragma once

// The messaging library's client values and user, for benchmarks that run the messaging
// service against the stand-in server program.

#include "IMChat/qximlib/QXIMUser.h"
#include "net/QXIMConstantManager.h"
#include "net/QXNetContext.h"
#include "net/QXNetDefaultContext.h"

#include "platform/foundation/sandbox.h"

#include <QString>

#include <memory>

namespace bench {

// Every server at `root`, the sandbox in `folder`, the network reachable, the library's
// client values set and `user` the messaging user.
inline void signInMessagingUser(const QString& root, const QString& folder, qint64 user) {
    qputenv("HOUSING_SERVER_ROOT", root.toUtf8());
    ns::Sandbox::setRoot(folder);
    auto context = std::make_shared<QXNetDefaultContext>();
    context->setConnectionReachabil(true);
    QXNetContext::install(context);
    QXIMConstantManager& constants = QXIMConstantManager::share();
    constants.setQximclientTest("1");
    constants.setQximcustomId("710");
    constants.setQximversionId("2.3.0");
    QXIMUser::shared().setUserId(user);
}

}  // namespace bench
