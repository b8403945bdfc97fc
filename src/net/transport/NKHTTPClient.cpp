#include "net/transport/NKHTTPClient.h"

#include "net/transport/Json.h"
#include "net/transport/NKQueryStringPair.h"
#include "net/transport/NKStreamingMultipartFormData.h"

#include "platform/foundation/main_queue.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"
#include "platform/uikit/screen.h"

#include <QHostAddress>
#include <QLocale>
#include <QSysInfo>

#include <algorithm>
#include <map>

namespace {

const QString kContentType = QStringLiteral("Content-Type");
const QString kAuthorization = QStringLiteral("Authorization");

// The operation classes registered with any client, by name.
struct LoadedClasses {
    std::mutex mutex;
    std::map<QString, NKHTTPOperationClass> byName;
};

LoadedClasses& loadedClasses() {
    static LoadedClasses classes;
    return classes;
}

// "en-US, en;q=0.9, ...": at most six languages, each one tenth less welcome.
QString acceptLanguage() {
    QStringList entries;
    const QStringList languages = QLocale::system().uiLanguages();
    for (qsizetype i = 0; i < languages.size(); ++i) {
        const float q = 1.0f + static_cast<float>(i) * -0.1f;
        entries << QString::asprintf("%s;q=%0.1g", languages[i].toUtf8().constData(),
                                     static_cast<double>(q));
        if (q <= 0.5f) break;
    }
    return entries.join(QStringLiteral(", "));
}

QString userAgent() {
    const QVariantMap info =
        ns::PropertyList::readFile(
            ns::Bundle::pathForResource(QStringLiteral("Info"), QStringLiteral("plist")))
            .toMap();
    QString name = info.value(QStringLiteral("CFBundleExecutable")).toString();
    if (name.isEmpty()) name = ns::Bundle::bundleIdentifier();
    // The device is this machine: its architecture stands for the model, its system
    // for the phone's.
    return QString::asprintf(
        "%s/%s (%s; %s %s; Scale/%0.2f)", name.toUtf8().constData(),
        info.value(QStringLiteral("CFBundleVersion")).toString().toUtf8().constData(),
        QSysInfo::currentCpuArchitecture().toUtf8().constData(),
        QSysInfo::productType().toUtf8().constData(),
        QSysInfo::productVersion().toUtf8().constData(), ui::Screen::mainScreen().scale());
}

// Counts the operations of a batch that have yet to report, and runs the waiting
// block once the count is back to zero.
class BatchGroup {
public:
    void enter() {
        std::lock_guard guard(mutex_);
        ++pending_;
    }
    void leave() {
        std::function<void()> ready;
        {
            std::lock_guard guard(mutex_);
            if (--pending_ == 0) ready = std::exchange(notify_, nullptr);
        }
        if (ready) ready();
    }
    void notify(std::function<void()> block) {
        {
            std::lock_guard guard(mutex_);
            if (pending_ > 0) {
                notify_ = std::move(block);
                return;
            }
        }
        block();
    }

private:
    std::mutex mutex_;
    int pending_ = 0;
    std::function<void()> notify_;
};

}  // namespace

struct NKHTTPClient::Reachability {
    std::mutex mutex;
    ReachabilityStatus status = ReachabilityStatus::Undetermined;
    ReachabilityStatusBlock block;
    std::shared_ptr<ns::NetworkReachability> monitor;

    // Stores the status and tells the status block.
    void apply(ReachabilityStatus newStatus) {
        ReachabilityStatusBlock told;
        {
            std::lock_guard guard(mutex);
            status = newStatus;
            told = block;
        }
        if (told) told(newStatus);
    }
};

std::shared_ptr<NKHTTPClient> NKHTTPClient::clientWithBaseURL(const QUrl& url) {
    return std::make_shared<NKHTTPClient>(url);
}

NKHTTPClient::NKHTTPClient(Plain)
    : operationQueue_(std::make_shared<ns::OperationQueue>()),
      reachability_(std::make_shared<Reachability>()) {}

NKHTTPClient::NKHTTPClient(const QUrl& url) : NKHTTPClient(Plain{}) {
    QUrl base = url;
    if (!base.path().isEmpty() && !base.toString().endsWith(QLatin1Char('/'))) {
        base.setPath(base.path(QUrl::FullyEncoded) + QLatin1Char('/'), QUrl::TolerantMode);
    }
    baseURL_ = base;
    stringEncoding_ = NKStringEncoding::utf8();
    defaultHeaders_.setValue(QStringLiteral("Accept-Language"), acceptLanguage());
    defaultHeaders_.setValue(QStringLiteral("User-Agent"), userAgent());
    startMonitoringNetworkReachability();
}

NKHTTPClient::~NKHTTPClient() {
    stopMonitoringNetworkReachability();
}

QString NKHTTPClient::description() const {
    std::lock_guard guard(mutex_);
    QStringList headers;
    for (const auto& [name, value] : defaultHeaders_.fields()) headers << name + " = " + value;
    return QStringLiteral(
               "<NKHTTPClient: 0x%1, baseURL: %2, defaultHeaders: {%3}, "
               "registeredOperationClasses: (%4), operationQueue: %5>")
        .arg(reinterpret_cast<quintptr>(this), 0, 16)
        .arg(baseURL_.toString(), headers.join(QStringLiteral("; ")),
             registeredHTTPOperationClassNames_.join(QStringLiteral(", ")),
             operationQueue_ ? operationQueue_->name() : QStringLiteral("(null)"));
}

std::shared_ptr<NKHTTPClient> NKHTTPClient::copy() const {
    auto client = std::make_shared<NKHTTPClient>(baseURL());
    std::lock_guard guard(mutex_);
    client->setStringEncoding(stringEncoding_);
    client->setParameterEncoding(parameterEncoding_);
    {
        std::lock_guard theirs(client->mutex_);
        client->registeredHTTPOperationClassNames_ = registeredHTTPOperationClassNames_;
    }
    client->setDefaultHeaders(defaultHeaders_);
    std::lock_guard status(reachability_->mutex);
    client->setReachabilityStatusChangeBlock(reachability_->block);
    return client;
}

void NKHTTPClient::encodeWithCoder(ns::KeyedArchiver& coder) const {
    std::lock_guard guard(mutex_);
    coder.encodeObject(baseURL_.toString(QUrl::FullyEncoded), QStringLiteral("baseURL"));
    coder.encodeObject(stringEncoding_.IANACharSetName(), QStringLiteral("stringEncoding"));
    coder.encodeInteger(qint64(parameterEncoding_), QStringLiteral("parameterEncoding"));
    coder.encodeObject(registeredHTTPOperationClassNames_,
                       QStringLiteral("registeredHTTPOperationClassNames"));
    coder.encodeObject(ns::archivedHeaderFields(defaultHeaders_), QStringLiteral("defaultHeaders"));
}

std::shared_ptr<NKHTTPClient> NKHTTPClient::initWithCoder(const ns::KeyedUnarchiver& coder) {
    if (!coder.isValid()) return nullptr;
    auto client = std::make_shared<NKHTTPClient>(
        QUrl(coder.decodeObjectForKey(QStringLiteral("baseURL")).toString()));
    // An encoding this platform does not know, or a parameter encoding of no kind, keeps
    // the client's own.
    const auto encoding = NKStringEncoding::fromIANAName(
        coder.decodeObjectForKey(QStringLiteral("stringEncoding")).toString());
    if (encoding.isValid()) client->setStringEncoding(encoding);
    const qint64 parameters = coder.decodeIntegerForKey(QStringLiteral("parameterEncoding"));
    if (parameters >= 0 && parameters <= qint64(NKParameterEncoding::PropertyList))
        client->setParameterEncoding(NKParameterEncoding(parameters));
    {
        std::lock_guard guard(client->mutex_);
        client->registeredHTTPOperationClassNames_ =
            coder.decodeObjectForKey(QStringLiteral("registeredHTTPOperationClassNames"))
                .toStringList();
    }
    client->setDefaultHeaders(
        ns::unarchivedHeaderFields(coder.decodeObjectForKey(QStringLiteral("defaultHeaders"))));
    return client;
}

QUrl NKHTTPClient::baseURL() const {
    std::lock_guard guard(mutex_);
    return baseURL_;
}

void NKHTTPClient::setBaseURL(const QUrl& url) {
    std::lock_guard guard(mutex_);
    baseURL_ = url;
}

NKStringEncoding NKHTTPClient::stringEncoding() const {
    std::lock_guard guard(mutex_);
    return stringEncoding_;
}

void NKHTTPClient::setStringEncoding(const NKStringEncoding& encoding) {
    std::lock_guard guard(mutex_);
    stringEncoding_ = encoding;
}

NKParameterEncoding NKHTTPClient::parameterEncoding() const {
    std::lock_guard guard(mutex_);
    return parameterEncoding_;
}

void NKHTTPClient::setParameterEncoding(NKParameterEncoding encoding) {
    std::lock_guard guard(mutex_);
    parameterEncoding_ = encoding;
}

bool NKHTTPClient::allowsInvalidSSLCertificate() const {
    std::lock_guard guard(mutex_);
    return allowsInvalidSSLCertificate_;
}

void NKHTTPClient::setAllowsInvalidSSLCertificate(bool allows) {
    std::lock_guard guard(mutex_);
    allowsInvalidSSLCertificate_ = allows;
}

NKSSLPinningMode NKHTTPClient::defaultSSLPinningMode() const {
    std::lock_guard guard(mutex_);
    return defaultSSLPinningMode_;
}

void NKHTTPClient::setDefaultSSLPinningMode(NKSSLPinningMode mode) {
    std::lock_guard guard(mutex_);
    defaultSSLPinningMode_ = mode;
}

std::optional<ns::URLCredential> NKHTTPClient::defaultCredential() const {
    std::lock_guard guard(mutex_);
    return defaultCredential_;
}

void NKHTTPClient::setDefaultCredential(std::optional<ns::URLCredential> credential) {
    std::lock_guard guard(mutex_);
    defaultCredential_ = std::move(credential);
}

ns::HTTPHeaderFields NKHTTPClient::defaultHeaders() const {
    std::lock_guard guard(mutex_);
    return defaultHeaders_;
}

void NKHTTPClient::setDefaultHeaders(const ns::HTTPHeaderFields& headers) {
    std::lock_guard guard(mutex_);
    defaultHeaders_ = headers;
}

QString NKHTTPClient::defaultValueForHeader(const QString& name) const {
    std::lock_guard guard(mutex_);
    return defaultHeaders_.contains(name) ? defaultHeaders_.value(name) : QString();
}

void NKHTTPClient::setDefaultHeader(const QString& name, const QString& value) {
    std::lock_guard guard(mutex_);
    defaultHeaders_.setValue(name, value);
}

void NKHTTPClient::setAuthorizationHeaderWithUsername(const QString& username,
                                                      const QString& password) {
    const QByteArray credentials = QStringLiteral("%1:%2").arg(username, password).toUtf8();
    setDefaultHeader(kAuthorization,
                     QStringLiteral("Basic %1").arg(QString::fromLatin1(credentials.toBase64())));
}

void NKHTTPClient::setAuthorizationHeaderWithToken(const QString& token) {
    setDefaultHeader(kAuthorization, QStringLiteral("Token token=\"%1\"").arg(token));
}

void NKHTTPClient::clearAuthorizationHeader() {
    setDefaultHeader(kAuthorization, QString());
}

bool NKHTTPClient::registerHTTPOperationClass(const NKHTTPOperationClass& operationClass) {
    if (!operationClass.make || !operationClass.canProcessRequest) return false;
    {
        auto& loaded = loadedClasses();
        std::lock_guard guard(loaded.mutex);
        loaded.byName.insert_or_assign(operationClass.name, operationClass);
    }
    std::lock_guard guard(mutex_);
    registeredHTTPOperationClassNames_.removeAll(operationClass.name);
    registeredHTTPOperationClassNames_.prepend(operationClass.name);
    return true;
}

void NKHTTPClient::unregisterHTTPOperationClass(const QString& name) {
    std::lock_guard guard(mutex_);
    registeredHTTPOperationClassNames_.removeAll(name);
}

QStringList NKHTTPClient::registeredHTTPOperationClassNames() const {
    std::lock_guard guard(mutex_);
    return registeredHTTPOperationClassNames_;
}

std::shared_ptr<ns::OperationQueue> NKHTTPClient::operationQueue() const {
    std::lock_guard guard(mutex_);
    return operationQueue_;
}

void NKHTTPClient::setOperationQueue(std::shared_ptr<ns::OperationQueue> queue) {
    std::lock_guard guard(mutex_);
    operationQueue_ = std::move(queue);
}

ReachabilityStatus NKHTTPClient::networkReachabilityStatus() const {
    std::lock_guard guard(reachability_->mutex);
    return reachability_->status;
}

void NKHTTPClient::setNetworkReachabilityStatus(ReachabilityStatus status) {
    std::lock_guard guard(reachability_->mutex);
    reachability_->status = status;
}

void NKHTTPClient::setReachabilityStatusChangeBlock(ReachabilityStatusBlock block) {
    std::lock_guard guard(reachability_->mutex);
    reachability_->block = std::move(block);
}

ReachabilityStatus NKHTTPClient::reachabilityStatusForFlags(ns::NetworkReachability::Flags flags) {
    const bool reachable = (flags & ns::NetworkReachability::kReachable) != 0;
    const bool needsConnection = (flags & ns::NetworkReachability::kConnectionRequired) != 0;
    if (!reachable || needsConnection) return ReachabilityStatus::None;
    return (flags & ns::NetworkReachability::kIsWWAN) != 0 ? ReachabilityStatus::WWAN
                                                           : ReachabilityStatus::WiFi;
}

void NKHTTPClient::startMonitoringNetworkReachability() {
    stopMonitoringNetworkReachability();
    const QUrl base = baseURL();
    if (base.isEmpty()) return;
    const QString host = base.host();
    auto monitor = ns::NetworkReachability::withName(host);
    if (!monitor) return;  // a host that cannot be watched: the status stays undetermined
    const std::weak_ptr<Reachability> weak = reachability_;
    monitor->setCallback([weak](ns::NetworkReachability::Flags flags) {
        const auto state = weak.lock();
        if (!state) return;
        const ReachabilityStatus status = reachabilityStatusForFlags(flags);
        state->apply(status);
        ns::Notification notification;
        notification.name = kClientReachabilityChangeNotification;
        notification.userInfo.insert(kReachabilityStatusItem, static_cast<int>(status));
        ns::NotificationCenter::defaultCenter().postOnMainQueue(std::move(notification));
    });
    monitor->setDispatchQueue(ns::DispatchQueue::main());
    // An address reports no first change of its own: its present state is told now.
    if (!QHostAddress(host).isNull()) {
        const ReachabilityStatus status = reachabilityStatusForFlags(monitor->flags().value_or(0));
        ns::MainQueue::post([weak, status] {
            if (const auto state = weak.lock()) state->apply(status);
        });
    }
    std::lock_guard guard(reachability_->mutex);
    reachability_->monitor = std::move(monitor);
}

void NKHTTPClient::stopMonitoringNetworkReachability() {
    std::shared_ptr<ns::NetworkReachability> monitor;
    {
        std::lock_guard guard(reachability_->mutex);
        monitor = std::move(reachability_->monitor);
    }
    if (!monitor) return;
    monitor->setCallback(nullptr);
    monitor->setDispatchQueue(nullptr);
}

ns::URLRequest NKHTTPClient::requestWithMethod(const QString& method, const QString& path,
                                               const std::optional<QVariantMap>& parameters) const {
    QUrl base;
    ns::HTTPHeaderFields headers;
    NKStringEncoding encoding;
    NKParameterEncoding parameterEncoding;
    {
        // One snapshot: a request never mixes the settings of two moments.
        std::lock_guard guard(mutex_);
        base = baseURL_;
        headers = defaultHeaders_;
        encoding = stringEncoding_;
        parameterEncoding = parameterEncoding_;
    }
    const QString relative = path.isNull() ? QString(QLatin1String("")) : path;
    ns::URLRequest request(base.resolved(QUrl(relative)));
    request.setHTTPMethod(method);
    request.setAllHTTPHeaderFields(headers);
    if (!parameters) return request;

    const QString upper = method.toUpper();
    if (upper == QLatin1String("GET") || upper == QLatin1String("HEAD") ||
        upper == QLatin1String("DELETE")) {
        const QString separator =
            relative.contains(QLatin1Char('?')) ? QStringLiteral("&") : QStringLiteral("?");
        request.setURL(QUrl(request.url().toString(QUrl::FullyEncoded) + separator +
                            BuildQueryString(*parameters, encoding)));
        return request;
    }

    const QString charset = encoding.IANACharSetName();
    switch (parameterEncoding) {
        case NKParameterEncoding::FormURL: {
            request.setValue(
                QStringLiteral("application/x-www-form-urlencoded; charset=%1").arg(charset),
                kContentType);
            const QString query = BuildQueryString(*parameters, encoding);
            request.setHTTPBody(encoding.encode(query).value_or(query.toUtf8()));
            break;
        }
        case NKParameterEncoding::JSON:
            request.setValue(QStringLiteral("application/json; charset=%1").arg(charset),
                             kContentType);
            try {
                request.setHTTPBody(json_JSONString(*parameters).toUtf8());
            } catch (const JsonGenInvalidObjectException& error) {
                qWarning().noquote()
                    << "NKHTTPClient requestWithMethod:path:parameters:" << error.what();
            }
            break;
        case NKParameterEncoding::PropertyList: {
            request.setValue(QStringLiteral("application/x-plist; charset=%1").arg(charset),
                             kContentType);
            ns::Error error;
            const QByteArray body = ns::PropertyList::dataWithPropertyList(
                *parameters, ns::PropertyList::Format::Xml, &error);
            if (body.isEmpty()) {
                qWarning().noquote()
                    << "NKHTTPClient requestWithMethod:path:parameters:" << error.description();
            }
            request.setHTTPBody(body);
            break;
        }
    }
    return request;
}

ns::URLRequest NKHTTPClient::multipartFormRequestWithMethod(
    const QString& method, const QString& path, const std::optional<QVariantMap>& parameters,
    const MultipartFormBlock& block) const {
    const ns::URLRequest request = requestWithMethod(method, path);
    const NKStringEncoding encoding = stringEncoding();
    NKStreamingMultipartFormData formData(request, encoding);
    if (parameters) {
        for (const auto& pair : FlattenQueryPairs(QVariant(), *parameters)) {
            const QVariant& value = pair.value();
            QByteArray data;
            if (value.metaType().id() == QMetaType::QByteArray) {
                data = value.toByteArray();
            } else if (value.metaType().id() != QMetaType::Nullptr) {
                const QString text = DescriptionOfValue(value);
                data = encoding.encode(text).value_or(text.toUtf8());
            }
            formData.appendPartWithFormData(data, DescriptionOfValue(pair.field()));
        }
    }
    if (block) block(formData);
    return formData.requestByFinalizingMultipartFormData();
}

std::shared_ptr<NKHTTPRequestOperation> NKHTTPClient::HTTPRequestOperationWithRequest(
    const ns::URLRequest& request, SuccessBlock success, FailureBlock failure) const {
    QStringList names;
    std::optional<ns::URLCredential> credential;
    NKSSLPinningMode pinningMode;
    bool allowsInvalid;
    {
        std::lock_guard guard(mutex_);
        names = registeredHTTPOperationClassNames_;
        credential = defaultCredential_;
        pinningMode = defaultSSLPinningMode_;
        allowsInvalid = allowsInvalidSSLCertificate_;
    }
    std::shared_ptr<NKHTTPRequestOperation> operation;
    for (const QString& name : names) {
        std::optional<NKHTTPOperationClass> operationClass;
        {
            auto& loaded = loadedClasses();
            std::lock_guard guard(loaded.mutex);
            const auto found = loaded.byName.find(name);
            if (found != loaded.byName.end()) operationClass = found->second;
        }
        if (operationClass && operationClass->canProcessRequest(request)) {
            operation = operationClass->make(request);
            break;
        }
    }
    if (!operation) operation = std::make_shared<NKHTTPRequestOperation>(request);
    operation->setCompletionBlockWithSuccess(std::move(success), std::move(failure));
    operation->setCredential(credential);
    operation->setSSLPinningMode(pinningMode);
    operation->setAllowsInvalidSSLCertificate(allowsInvalid);
    return operation;
}

void NKHTTPClient::enqueueHTTPRequestOperation(
    const std::shared_ptr<NKHTTPRequestOperation>& operation) {
    operationQueue()->addOperation(operation);
}

void NKHTTPClient::cancelAllHTTPOperationsWithMethod(const QString& method, const QString& path) {
    const QString kept =
        requestWithMethod(method.isNull() ? QStringLiteral("GET") : method, path).url().path();
    for (const auto& queued : operationQueue()->operations()) {
        const auto operation = std::dynamic_pointer_cast<NKHTTPRequestOperation>(queued);
        if (!operation) continue;
        const ns::URLRequest request = operation->request();
        const bool methodMatches = method.isNull() || request.httpMethod() == method;
        if (methodMatches && request.url().path() == kept) operation->cancel();
    }
}

void NKHTTPClient::enqueueBatchOfHTTPRequestOperations(const Operations& operations,
                                                       BatchProgressBlock progress,
                                                       BatchCompletionBlock completion) {
    auto group = std::make_shared<BatchGroup>();
    auto batchedOperation =
        ns::BlockOperation::blockOperationWithBlock([group, operations, completion] {
            group->notify([operations, completion] {
                if (!completion) return;
                ns::MainQueue::post([operations, completion] { completion(operations); });
            });
        });

    for (const auto& operation : operations) {
        group->enter();
        auto original = operation->completionBlock();
        operation->setCompletionBlock(
            [operation, original = std::move(original), operations, progress, group] {
                auto queue = operation->successCallbackQueue();
                if (!queue) queue = ns::DispatchQueue::main();
                queue->async([original, operations, progress, group] {
                    if (original) original();
                    const auto finished = static_cast<std::size_t>(
                        std::count_if(operations.begin(), operations.end(),
                                      [](const auto& each) { return each->isFinished(); }));
                    if (progress) progress(finished, operations.size());
                    group->leave();
                });
            });
        batchedOperation->addDependency(operation);
    }

    const auto queue = operationQueue();
    std::vector<std::shared_ptr<ns::Operation>> all(operations.begin(), operations.end());
    queue->addOperations(all, false);
    queue->addOperation(batchedOperation);
}

void NKHTTPClient::enqueueBatchOfHTTPRequestOperationsWithRequests(
    const std::vector<ns::URLRequest>& requests, BatchProgressBlock progress,
    BatchCompletionBlock completion) {
    Operations operations;
    operations.reserve(requests.size());
    for (const auto& request : requests) {
        operations.push_back(HTTPRequestOperationWithRequest(request, nullptr, nullptr));
    }
    enqueueBatchOfHTTPRequestOperations(operations, std::move(progress), std::move(completion));
}

void NKHTTPClient::send(const QString& method, const QString& path,
                        const std::optional<QVariantMap>& parameters, SuccessBlock success,
                        FailureBlock failure) {
    const ns::URLRequest request = requestWithMethod(method, path, parameters);
    enqueueHTTPRequestOperation(
        HTTPRequestOperationWithRequest(request, std::move(success), std::move(failure)));
}

void NKHTTPClient::getPath(const QString& path, const std::optional<QVariantMap>& parameters,
                           SuccessBlock success, FailureBlock failure) {
    send(QStringLiteral("GET"), path, parameters, std::move(success), std::move(failure));
}

void NKHTTPClient::postPath(const QString& path, const std::optional<QVariantMap>& parameters,
                            SuccessBlock success, FailureBlock failure) {
    send(QStringLiteral("POST"), path, parameters, std::move(success), std::move(failure));
}

void NKHTTPClient::putPath(const QString& path, const std::optional<QVariantMap>& parameters,
                           SuccessBlock success, FailureBlock failure) {
    send(QStringLiteral("PUT"), path, parameters, std::move(success), std::move(failure));
}

void NKHTTPClient::deletePath(const QString& path, const std::optional<QVariantMap>& parameters,
                              SuccessBlock success, FailureBlock failure) {
    send(QStringLiteral("DELETE"), path, parameters, std::move(success), std::move(failure));
}

void NKHTTPClient::patchPath(const QString& path, const std::optional<QVariantMap>& parameters,
                             SuccessBlock success, FailureBlock failure) {
    send(QStringLiteral("PATCH"), path, parameters, std::move(success), std::move(failure));
}
