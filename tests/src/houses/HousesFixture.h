#pragma once

#include "StandinFixture.h"

#include "analytics/StatClick.h"
#include "houses/catalog/tovikCatalog.h"
#include "net/QXNetContext.h"
#include "net/QXNetDefaultContext.h"
#include "standin/FormFields.h"

#include <QJsonDocument>
#include <QJsonObject>

// A stand-in server and a request context whose city the test chooses.
class HousesFixture : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        // The shared catalogs read the file of this test's sandbox, not one of an earlier test.
        tovikCatalog::resetShared();
        context_ = std::make_shared<QXNetDefaultContext>();
        context_->setCurrentCityScript_index(100);
        QXNetContext::install(context_);
    }
    void TearDown() override {
        QXNetContext::install(nullptr);
        StandinFixture::TearDown();
    }

    void setCity(int index) { context_->setCurrentCityScript_index(index); }
    [[nodiscard]] QXNetDefaultContext& context() { return *context_; }

    // The requests of one interface the server received, oldest first.
    [[nodiscard]] std::vector<standin::RecordedRequest> calls(const QByteArray& interface) {
        std::vector<standin::RecordedRequest> found;
        for (auto& request : server().requests(standin::paths::kDataShare)) {
            if (request.header("interface") == interface) found.push_back(request);
        }
        return found;
    }

    // The "jsonArgs" object of a post list request, as the server decodes it.
    [[nodiscard]] static QJsonObject argsOf(const standin::RecordedRequest& request) {
        return QJsonDocument::fromJson(standin::FormFields(request.body).value("jsonArgs"))
            .object();
    }

    // The ids of the usage events recorded so far, oldest first.
    [[nodiscard]] static QStringList events() {
        QStringList ids;
        for (const QVariant& record : StatClick::records()) {
            if (record.toMap()["kind"] == "event") ids << record.toMap()["id"].toString();
        }
        return ids;
    }
    // The labels of the recorded events with that id.
    [[nodiscard]] static QStringList labelsOf(const QString& id) {
        QStringList labels;
        for (const QVariant& record : StatClick::records()) {
            if (record.toMap()["id"] == id) labels << record.toMap()["label"].toString();
        }
        return labels;
    }

private:
    std::shared_ptr<QXNetDefaultContext> context_;
};
