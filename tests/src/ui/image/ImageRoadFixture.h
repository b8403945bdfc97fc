#pragma once

#include "StandinFixture.h"

#include "ui/image/IKImageCache.h"
#include "ui/image/IKImageDownloader.h"
#include "ui/image/IKImageManager.h"

#include <QUrl>

#include <mutex>
#include <optional>
#include <vector>

// What a downloader or manager answered, gathered from any thread.
struct Answer {
    std::shared_ptr<ui::Image> image;
    std::optional<ns::Error> error;
    IKImageCacheType cacheType = IKImageCacheType::None;
    bool finished = false;
    int caller = 0;
};

class Answers {
public:
    void add(Answer answer) {
        std::lock_guard lock(mutex_);
        answers_.push_back(std::move(answer));
    }
    [[nodiscard]] std::vector<Answer> all() const {
        std::lock_guard lock(mutex_);
        return answers_;
    }
    [[nodiscard]] std::size_t count() const {
        std::lock_guard lock(mutex_);
        return answers_.size();
    }

private:
    mutable std::mutex mutex_;
    std::vector<Answer> answers_;
};

// A stand-in server with its image host, and a cache, downloader and manager of the
// test's own (the shared ones outlive every test).
class ImageRoadFixture : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        cache = IKImageCache::create(QStringLiteral("test"));
        downloader = IKImageDownloader::create();
        manager = IKImageManager::create(cache, downloader);
    }
    void TearDown() override {
        manager->cancelAll();
        manager.reset();
        downloader.reset();
        cache.reset();
        StandinFixture::TearDown();
    }

    // A picture of the image host; the samples are under "test/".
    [[nodiscard]] QUrl imageURL(const QString& path) {
        return QUrl(server().url(QStringLiteral("/img/") + path));
    }
    [[nodiscard]] std::size_t requestsFor(const QString& path) {
        return server().requests(("/img/" + path).toUtf8()).size();
    }
    // Manager completions go to `answers` as caller `caller`.
    IKImageManager::CompletedWithFinishedBlock into(Answers& answers, int caller = 0) {
        return [&answers, caller](const std::shared_ptr<ui::Image>& image,
                                  const std::optional<ns::Error>& error, IKImageCacheType type,
                                  bool finished, const QUrl&) {
            answers.add({image, error, type, finished, caller});
        };
    }
    IKImageDownloader::CompletedBlock downloadedInto(Answers& answers, int caller = 0) {
        return [&answers, caller](const std::shared_ptr<ui::Image>& image, const QByteArray&,
                                  const std::optional<ns::Error>& error, bool finished) {
            answers.add({image, error, IKImageCacheType::None, finished, caller});
        };
    }
    bool waitForAnswers(const Answers& answers, std::size_t count) {
        return runMainLoopUntil([&] { return answers.count() >= count; });
    }

    std::shared_ptr<IKImageCache> cache;
    std::shared_ptr<IKImageDownloader> downloader;
    std::shared_ptr<IKImageManager> manager;
};
