#pragma once

#include "net/QXIMRequest.h"
#include "net/QXNetDefaultContext.h"

#include "platform/foundation/network_thread.h"

#include "StandinFixture.h"
#include "standin/RecordedRequest.h"

#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <vector>

// What the callbacks of the calls under test were told.
struct Heard : std::enable_shared_from_this<Heard> {
    QXIMRequest::SuccessBlock success() {
        return
            [self = shared_from_this()](const QVariant& reply) { self->replies.push_back(reply); };
    }
    QXIMRequest::FailureBlock failure() {
        return [self = shared_from_this()](const QVariantMap& failure) {
            self->failures.push_back(failure);
        };
    }
    [[nodiscard]] int calls() const { return int(replies.size() + failures.size()); }
    [[nodiscard]] QVariantMap reply(std::size_t index = 0) const {
        return index < replies.size() ? replies[index].toMap() : QVariantMap();
    }

    std::vector<QVariant> replies;
    std::vector<QVariantMap> failures;
};

// A stand-in server, a plain application context and the shared request object, emptied
// of its calls after each test.
class ServiceCallFixture : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        context_ = std::make_shared<QXNetDefaultContext>();
        QXNetContext::install(context_);
    }

    void TearDown() override {
        QXIMRequest::shared().httpClient()->operationQueue()->cancelAllOperations();
        settle();
        QXNetContext::install(nullptr);
        StandinFixture::TearDown();
    }

    [[nodiscard]] QXNetDefaultContext& context() { return *context_; }

    // Runs the main loop until `done` holds, then lets what is under way settle, so that a
    // call too many would be seen too.
    bool waitUntil(const std::function<bool()>& done) {
        const bool reached = runMainLoopUntil(done);
        settle();
        return reached;
    }
    bool waitFor(const std::shared_ptr<Heard>& heard, int count = 1) {
        return waitUntil([&] { return heard->calls() >= count; });
    }
    void settle() {
        for (int round = 0; round < 3; ++round) ns::NetworkThread::shared().sync([] {});
        drainMainLoop();
    }

    // The names among `names` that `request` carries, in its order.
    static QStringList namesAmong(const standin::RecordedRequest& request,
                                  const QStringList& names) {
        QStringList found;
        for (const QByteArray& name : request.headerNames()) {
            if (names.contains(QString::fromLatin1(name))) found << QString::fromLatin1(name);
        }
        return found;
    }

private:
    std::shared_ptr<QXNetDefaultContext> context_;
};
