#include "platform/location/geocoder.h"

#include "platform/foundation/main_queue.h"
#include "platform/foundation/url_connection.h"
#include "platform/foundation/url_request.h"
#include "platform/foundation/url_response.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace loc {

namespace {

// The placemarks of a service reply; nothing when the reply is no such list.
std::optional<std::vector<Placemark>> placemarksOf(const QByteArray& body) {
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonValue list = document.object().value(QStringLiteral("placemarks"));
    if (!list.isArray()) return std::nullopt;
    std::vector<Placemark> placemarks;
    for (const QJsonValue& entry : list.toArray()) {
        const QJsonObject place = entry.toObject();
        const QJsonValue latitude = place.value(QStringLiteral("latitude"));
        const QJsonValue longitude = place.value(QStringLiteral("longitude"));
        if (!latitude.isDouble() || !longitude.isDouble()) continue;
        placemarks.push_back({{latitude.toDouble(), longitude.toDouble()},
                              place.value(QStringLiteral("name")).toString(),
                              place.value(QStringLiteral("locality")).toString(),
                              place.value(QStringLiteral("administrativeArea")).toString()});
    }
    return placemarks;
}

}  // namespace

// One lookup: gathers the reply on the network thread and hands the outcome to the main
// thread, where the geocoder takes it only while this is still its lookup.
class Geocoder::Lookup final : public ns::URLConnectionDelegate,
                               public std::enable_shared_from_this<Geocoder::Lookup> {
public:
    Lookup(std::weak_ptr<Geocoder> owner, Geocoder::CompletionHandler completion)
        : owner_(std::move(owner)), completion_(std::move(completion)) {}

    void start(const QUrl& url) {
        connection_ =
            ns::URLConnection::connectionWithRequest(ns::URLRequest(url), shared_from_this());
    }
    void cancel() {
        if (connection_) connection_->cancel();
    }
    void complete(const std::vector<Placemark>& placemarks, std::optional<int> error) const {
        if (completion_) completion_(placemarks, error);
    }

    void didReceiveResponse(ns::URLConnection&,
                            const std::shared_ptr<const ns::URLResponse>& response) override {
        const auto* http = dynamic_cast<const ns::HTTPURLResponse*>(response.get());
        status_ = http ? http->statusCode() : 0;
    }
    void didReceiveData(ns::URLConnection&, const QByteArray& data) override { body_ += data; }
    void didFinishLoading(ns::URLConnection&) override {
        auto placemarks = status_ == 200 ? placemarksOf(body_) : std::nullopt;
        if (!placemarks) {
            report({}, kErrorNetwork);
        } else if (placemarks->empty()) {
            report({}, kErrorGeocodeFoundNoResult);
        } else {
            report(std::move(*placemarks), std::nullopt);
        }
    }
    void didFailWithError(ns::URLConnection&, const ns::Error&) override {
        report({}, kErrorNetwork);
    }

private:
    void report(std::vector<Placemark> placemarks, std::optional<int> error) {
        ns::MainQueue::post(
            [self = shared_from_this(), placemarks = std::move(placemarks), error]() mutable {
                if (auto owner = self->owner_.lock())
                    owner->finish(self.get(), std::move(placemarks), error);
            });
    }

    std::weak_ptr<Geocoder> owner_;
    Geocoder::CompletionHandler completion_;
    std::shared_ptr<ns::URLConnection> connection_;
    int status_ = 0;
    QByteArray body_;
};

Geocoder::Geocoder() = default;

Geocoder::~Geocoder() {
    if (lookup_) lookup_->cancel();
}

void Geocoder::geocodeAddressString(const QString& address, CompletionHandler completion) {
    cancelGeocode();
    lookup_ = std::make_shared<Lookup>(weak_from_this(), std::move(completion));
    QUrl url(serviceURL_);
    if (address.trimmed().isEmpty() || !url.isValid() || url.scheme().isEmpty()) {
        // Nothing to ask, or nowhere to ask it: the answer still comes as the service's would.
        const int error = address.trimmed().isEmpty() ? kErrorGeocodeFoundNoResult : kErrorNetwork;
        ns::MainQueue::post([weak = weak_from_this(), lookup = lookup_, error] {
            if (auto self = weak.lock()) self->finish(lookup.get(), {}, error);
        });
        return;
    }
    url.setQuery(QStringLiteral("address=") +
                     QString::fromLatin1(QUrl::toPercentEncoding(address.trimmed())),
                 QUrl::StrictMode);
    lookup_->start(url);
}

void Geocoder::cancelGeocode() {
    if (!lookup_) return;
    const auto cancelled = std::move(lookup_);
    lookup_.reset();
    cancelled->cancel();
    cancelled->complete({}, kErrorGeocodeCanceled);
}

void Geocoder::finish(const Lookup* lookup, std::vector<Placemark> placemarks,
                      std::optional<int> error) {
    if (!lookup || lookup != lookup_.get()) return;
    const auto done = std::move(lookup_);
    lookup_.reset();
    done->complete(placemarks, error);
}

}  // namespace loc
