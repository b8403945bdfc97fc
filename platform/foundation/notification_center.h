#pragma once

#include <QString>
#include <QVariantMap>

#include <any>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace ns {

struct Notification {
    QString name;
    // Identity of the poster, used only to filter observers; may be null.
    const void* sender = nullptr;
    // What the poster hands along as the notification's object, if anything.
    std::any object;
    QVariantMap userInfo;

    template <class T>
    [[nodiscard]] T objectAs() const {
        const T* value = std::any_cast<T>(&object);
        return value ? *value : T{};
    }
};

// Named notifications, delivered synchronously on the poster's thread to every
// live observer registered for the name (or for every name, with an empty name)
// and for the sender (or for any sender, with a null sender).
//
// Observers are held weakly: an observer that has gone away is never called and
// its registrations are dropped.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    // Keeps a registration alive while the caller holds it (the block form).
    class Observation {
    public:
        ~Observation();

    private:
        friend class NotificationCenter;
        NotificationCenter* center_ = nullptr;
    };

    static NotificationCenter& defaultCenter();

    void addObserver(const std::shared_ptr<const void>& observer, const QString& name,
                     Handler handler, const void* sender = nullptr);
    // The block form: delivery lasts while the returned object is held.
    [[nodiscard]] std::shared_ptr<Observation> addObserver(const QString& name, Handler handler,
                                                           const void* sender = nullptr);

    void removeObserver(const void* observer);
    void removeObserver(const void* observer, const QString& name, const void* sender = nullptr);

    void post(const Notification& notification);
    void post(const QString& name, const void* sender = nullptr, const QVariantMap& userInfo = {});
    // Posts from the main queue, later; for posters on other threads.
    void postOnMainQueue(Notification notification);

    [[nodiscard]] std::size_t observerCount(const QString& name) const;

private:
    struct Registration {
        std::weak_ptr<const void> observer;
        const void* identity;
        QString name;
        const void* sender;
        std::shared_ptr<Handler> handler;
    };

    // An observer removed by an earlier handler of the same post is not called.
    [[nodiscard]] bool stillRegistered(const std::shared_ptr<Handler>& handler) const;

    mutable std::mutex mutex_;
    std::vector<Registration> registrations_;
};

}  // namespace ns
