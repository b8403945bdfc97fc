#include "platform/foundation/network_thread.h"

#include "platform/foundation/http_socket_reply.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QThread>

#include <condition_variable>
#include <mutex>

namespace ns {

struct NetworkThread::State {
    class Thread final : public QThread {
    public:
        explicit Thread(State& state) : state_(state) {}

    protected:
        void run() override {
            QObject context;
            QNetworkAccessManager manager;
            // Redirects are shown to each connection's delegate, which decides.
            manager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
            {
                std::lock_guard lock(state_.mutex);
                state_.context = &context;
                state_.manager = &manager;
            }
            state_.started.notify_all();
            exec();
            {
                std::lock_guard lock(state_.mutex);
                state_.context = nullptr;
                state_.manager = nullptr;
                state_.stopped = true;
            }
            // Kept-alive connections are children of the manager too. They are let go of
            // first: a socket being destroyed says it disconnected, and the pool's handler
            // of that must not run on a half-destroyed socket.
            HTTPSocketReply::closeIdleConnections();
            // Replies still open are children of the manager and go with it, here
            // on their own thread.
        }

    private:
        State& state_;
    };

    std::mutex mutex;
    std::condition_variable started;
    QObject* context = nullptr;
    QNetworkAccessManager* manager = nullptr;
    bool stopped = false;
    Thread thread{*this};
};

namespace {

QThread* gThreadForShutdown = nullptr;

// Runs while the application object is destroyed: the thread's objects must go
// before the parts of Qt they use.
void stopNetworkThread() {
    if (!gThreadForShutdown) return;
    gThreadForShutdown->quit();
    gThreadForShutdown->wait();
}

}  // namespace

NetworkThread::NetworkThread() : state_(new State) {
    state_->thread.setObjectName(kName);
    state_->thread.start();
    std::unique_lock lock(state_->mutex);
    state_->started.wait(lock, [&] { return state_->context != nullptr; });
    gThreadForShutdown = &state_->thread;
    qAddPostRoutine(stopNetworkThread);
}

NetworkThread& NetworkThread::shared() {
    // Owned by a shared pointer so that asyncAfter() can hold it. Neither is ever destroyed: its
    // thread serves the whole process, and work running on past the end may still ask for it
    // while the statics go, when a destroyed owner would answer asyncAfter() with a throw.
    static const auto* const thread = new std::shared_ptr<NetworkThread>(new NetworkThread);
    return **thread;
}

void NetworkThread::async(Work work) {
    std::lock_guard lock(state_->mutex);
    if (!state_->context) return;  // stopped: nothing could run it
    QMetaObject::invokeMethod(state_->context, std::move(work), Qt::QueuedConnection);
}

void NetworkThread::sync(const Work& work) {
    if (isCurrent()) {
        work();
        return;
    }
    QObject* context = nullptr;
    {
        std::lock_guard lock(state_->mutex);
        context = state_->context;
    }
    // Not under the lock: the work may post more work to this thread.
    if (context)
        QMetaObject::invokeMethod(
            context, [&work] { work(); }, Qt::BlockingQueuedConnection);
}

bool NetworkThread::isCurrent() const {
    return QThread::currentThread() == &state_->thread;
}

QNetworkAccessManager& NetworkThread::accessManager() {
    Q_ASSERT(isCurrent());
    return *state_->manager;
}

}  // namespace ns
