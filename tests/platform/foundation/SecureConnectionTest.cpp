#include "platform/foundation/url_connection.h"

#include "LoopbackServer.h"
#include "SandboxTest.h"
#include "TestCertificate.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

#include <atomic>
#include <mutex>

namespace {

// Answers the server-trust question as told and keeps what it was shown.
class TrustDelegate final : public ns::URLConnectionDelegate {
public:
    enum class Answer { Default, Accept, Cancel };

    explicit TrustDelegate(Answer answer) : answer_(answer) {}

    void willSendRequestForAuthenticationChallenge(
        ns::URLConnection&, const ns::URLAuthenticationChallenge& challenge) override {
        std::lock_guard lock(mutex);
        space = challenge.protectionSpace();
        const auto& sender = challenge.sender();
        switch (answer_) {
            case Answer::Default:
                sender->performDefaultHandlingForAuthenticationChallenge(challenge);
                break;
            case Answer::Accept:
                sender->useCredential(ns::URLCredential::forTrust(space->serverTrust()), challenge);
                break;
            case Answer::Cancel:
                sender->cancelAuthenticationChallenge(challenge);
                break;
        }
    }
    void didReceiveData(ns::URLConnection&, const QByteArray& data) override {
        std::lock_guard lock(mutex);
        body += data;
    }
    void didFinishLoading(ns::URLConnection&) override { ended = true; }
    void didFailWithError(ns::URLConnection&, const ns::Error& e) override {
        std::lock_guard lock(mutex);
        error = e;
        ended = true;
    }

    std::mutex mutex;
    std::optional<ns::URLProtectionSpace> space;
    QByteArray body;
    std::optional<ns::Error> error;
    std::atomic<bool> ended{false};

private:
    Answer answer_;
};

class SecureConnectionTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        write(sandboxPath() + "/cert.pem", kTestCertificate);
        write(sandboxPath() + "/key.pem", kTestKey);
    }

    static void write(const QString& path, const char* text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    // Loads "/secret" from a fresh HTTPS server; counts the requests it received.
    std::shared_ptr<TrustDelegate> load(TrustDelegate::Answer answer, int& requestsSeen) {
        std::atomic<int> seen{0};
        LoopbackServer server((sandboxPath() + "/cert.pem").toStdString(),
                              (sandboxPath() + "/key.pem").toStdString());
        server.server().Get("/secret", [&](const httplib::Request&, httplib::Response& response) {
            ++seen;
            response.set_content("classified", "application/octet-stream");
        });
        server.start();
        auto delegate = std::make_shared<TrustDelegate>(answer);
        auto connection = ns::URLConnection::connectionWithRequest(
            ns::URLRequest(server.url("/secret")), delegate);
        EXPECT_TRUE(runMainLoopUntil([&] { return delegate->ended.load(); }));
        requestsSeen = seen.load();
        return delegate;
    }
};

TEST_F(SecureConnectionTest, AnUntrustedServerIsRefusedBeforeAnythingIsSent) {
    int requests = -1;
    const auto delegate = load(TrustDelegate::Answer::Default, requests);
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code(), ns::Error::kURLErrorServerCertificateUntrusted);
    EXPECT_EQ(requests, 0);
    ASSERT_TRUE(delegate->space);
    EXPECT_EQ(delegate->space->authenticationMethod(),
              ns::URLProtectionSpace::kAuthenticationMethodServerTrust);
    EXPECT_EQ(delegate->space->protocol(), "https");
    EXPECT_TRUE(delegate->space->receivesCredentialSecurely());
}

TEST_F(SecureConnectionTest, ADelegateMayVouchForTheServer) {
    int requests = -1;
    const auto delegate = load(TrustDelegate::Answer::Accept, requests);
    EXPECT_FALSE(delegate->error);
    EXPECT_EQ(delegate->body, "classified");
    EXPECT_EQ(requests, 1);

    // What the delegate was shown: the server's own certificate, not trusted by the
    // system, with its public key readable for pinning.
    const auto trust = delegate->space->serverTrust();
    ASSERT_TRUE(trust);
    const QSslCertificate expected(QByteArray(kTestCertificate), QSsl::Pem);
    ASSERT_EQ(trust->certificateCount(), 1);
    EXPECT_EQ(trust->certificateAtIndex(0), expected.toDer());
    EXPECT_EQ(trust->evaluate(), ns::ServerTrust::Result::RecoverableTrustFailure);
    EXPECT_EQ(trust->copyPublicKey(), expected.publicKey().toDer());

    // Pinning builds a trust of one certificate under the basic policy.
    const ns::ServerTrust single({trust->certificateAtIndex(0)}, {});
    EXPECT_EQ(single.copyPublicKey(), trust->copyPublicKey());
    EXPECT_FALSE(ns::ServerTrust::isTrusted(single.evaluate()));
    EXPECT_EQ(ns::ServerTrust({"not a certificate"}, {}).evaluate(),
              ns::ServerTrust::Result::FatalTrustFailure);
    EXPECT_TRUE(ns::ServerTrust({"not a certificate"}, {}).copyPublicKey().isEmpty());
}

TEST_F(SecureConnectionTest, ACancelledChallengeFailsTheLoad) {
    int requests = -1;
    const auto delegate = load(TrustDelegate::Answer::Cancel, requests);
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code(), ns::Error::kURLErrorUserCancelledAuthentication);
    EXPECT_EQ(requests, 0);
}

}  // namespace
